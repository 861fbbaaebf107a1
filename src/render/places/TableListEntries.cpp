#include "render/places/TableListEntries.h"

namespace {

constexpr quint32 kEmpty = 0;
constexpr quint32 kNotGiven = 1; // the text "0"

const QString& notGiven() {
    static const QString text = QStringLiteral("0");
    return text;
}

} // namespace

QString CTableListEntries::Text(quint32 offset) const {
    if (offset == kEmpty)
        return QString();
    if (offset == kNotGiven)
        return notGiven();
    return QString::fromUtf8(m_pool.constData() + offset);
}

QString CTableListEntries::SharedText(quint32 offset) const {
    const auto shared = m_sharedText.constFind(offset);
    return shared != m_sharedText.constEnd() ? *shared : Text(offset);
}

bool CTableListEntries::Style::Fits(const CPlaceEntry& e) const {
    return crMarker == e.m_crMarker && crText == e.m_crText && bBlinkPhase == e.m_bBlinkPhase &&
           staat == e.m_strStaat && markerSize == e.m_strMarkerSize && blink == e.m_strBlink &&
           markerColor == e.m_strMarkerColor && textColor == e.m_strTextColor &&
           fontHeight == e.m_strFontHeight;
}

quint32 CTableListEntries::StyleOf(const CPlaceEntry& e) {
    // Rows in a run mostly share their style: the last one is tried first, then, while
    // there are few, every one.
    if (m_nLastStyle < quint32(m_styles.size()) && m_styles[m_nLastStyle].Fits(e))
        return m_nLastStyle;
    constexpr qsizetype kFewStyles = 8;
    for (qsizetype i = 0; m_styles.size() <= kFewStyles && i < m_styles.size(); ++i) {
        if (m_styles[i].Fits(e))
            return m_nLastStyle = quint32(i);
    }
    const size_t key =
        qHashMulti(0, e.m_strStaat, e.m_strMarkerSize, e.m_strBlink, e.m_strMarkerColor,
                   e.m_strTextColor, e.m_strFontHeight, e.m_crMarker, e.m_crText, e.m_bBlinkPhase);
    for (auto it = m_styleIndex.constFind(key); it != m_styleIndex.constEnd() && it.key() == key;
         ++it) {
        if (m_styles[*it].Fits(e))
            return m_nLastStyle = *it;
    }
    const auto index = quint32(m_styles.size());
    m_styles.append(Style{e.m_strStaat, e.m_strMarkerSize, e.m_strBlink, e.m_strMarkerColor,
                          e.m_strTextColor, e.m_strFontHeight, e.m_crMarker, e.m_crText,
                          e.m_bBlinkPhase});
    m_styleIndex.insert(key, index);
    return m_nLastStyle = index;
}

bool CTableListEntries::Append(const CPlaceEntry& e) {
    if (m_pool.isEmpty())
        m_pool = QByteArray("\0"
                            "0\0",
                            3);
    const qsizetype poolBefore = m_pool.size();
    // A text once per distinct value (shared) or once per entry.
    auto add = [this](const QString& text, bool shared) -> quint32 {
        if (text.isEmpty())
            return kEmpty;
        if (IsNotGiven(text))
            return kNotGiven;
        if (shared) {
            const auto found = m_shared.constFind(text);
            if (found != m_shared.constEnd())
                return *found;
        }
        const auto offset = quint32(m_pool.size());
        m_pool.append(text.toUtf8()).append('\0');
        if (shared) {
            m_shared.insert(text, offset);
            m_sharedText.insert(offset, text);
        }
        return offset;
    };
    Item item;
    item.nLine = quint32(std::max(0, e.m_nLine));
    item.nPlz = add(e.m_strPLZ, true);
    item.nOrt = add(e.m_strOrt, true);
    item.nLabel = add(e.m_strLabel, false);
    if (m_pool.size() > m_nMaxTextBytes) {
        // Shared texts added for this entry would name offsets past the pool's end.
        m_pool.truncate(poolBefore);
        for (auto it = m_shared.begin(); it != m_shared.end();)
            it = *it >= poolBefore ? m_shared.erase(it) : std::next(it);
        for (auto it = m_sharedText.begin(); it != m_sharedText.end();)
            it = it.key() >= poolBefore ? m_sharedText.erase(it) : std::next(it);
        return false;
    }
    item.nDate = 0;
    if (e.m_dtDate.isValid()) {
        auto found = m_dateIndex.constFind(e.m_dtDate);
        if (found == m_dateIndex.constEnd()) {
            found = m_dateIndex.insert(e.m_dtDate, quint32(m_dates.size()));
            m_dates.append(e.m_dtDate);
            m_dateTexts.append(e.m_strDate);
        }
        item.nDate = *found + 1;
    }
    item.nStyle = StyleOf(e);
    m_items.append(item);
    return true;
}

QDate CTableListEntries::Date(qsizetype i) const {
    const quint32 date = m_items.at(i).nDate;
    return date == 0 ? QDate() : m_dates.at(date - 1);
}

CPlaceEntry CTableListEntries::operator[](qsizetype i) const {
    const Item& item = m_items.at(i);
    const Style& style = m_styles.at(item.nStyle);
    CPlaceEntry e;
    e.m_bBlinkPhase = style.bBlinkPhase;
    e.m_strStaat = style.staat;
    // A list of a million entries handed out at once (a map's place list) keeps one copy of
    // each postal code and place name.
    e.m_strPLZ = SharedText(item.nPlz);
    e.m_strDate = item.nDate == 0 ? notGiven() : m_dateTexts.at(item.nDate - 1);
    e.m_strMarkerSize = style.markerSize;
    e.m_strBlink = style.blink;
    e.m_strMarkerColor = style.markerColor;
    e.m_strTextColor = style.textColor;
    e.m_strFontHeight = style.fontHeight;
    e.m_strLabel = Text(item.nLabel);
    e.m_crMarker = style.crMarker;
    e.m_crText = style.crText;
    e.m_dtDate = Date(i);
    e.m_nLine = int(item.nLine);
    e.m_strOrt = SharedText(item.nOrt);
    return e;
}
