#include "mapdoc/PlaceFile.h"

#include "db/Cp1252.h"
#include "db/TextNumbers.h"
#include "mapdoc/DateText.h"

#include <QIODevice>
#include <QStringDecoder>

namespace {

constexpr int kFieldCount = 9;

bool isSeparator(QChar c) {
    return c == u';' || c == u'\t';
}

// The first `max` tokens of a text: runs of characters between runs of separators.
template <typename IsSeparator>
int tokenize(QStringView s, IsSeparator isSep, QStringView* tokens, int max) {
    int n = 0;
    qsizetype i = 0;
    while (n < max) {
        while (i < s.size() && isSep(s[i]))
            ++i;
        if (i >= s.size())
            break;
        const qsizetype start = i;
        while (i < s.size() && !isSep(s[i]))
            ++i;
        tokens[n++] = s.mid(start, i - start);
    }
    return n;
}

QString decodeFile(QByteArrayView bytes) {
    // Saved as "Unicode" on Windows: UTF-16 with a byte-order mark.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        return utf16(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    return utf8.hasError() ? Cp1252::Decode(bytes) : text;
}

} // namespace

bool ParsePlaceColor(QStringView text, COLORREF* color) {
    QStringView parts[3];
    const int n = tokenize(
        text, [](QChar c) { return c == u','; }, parts, 3);
    if (n < 2)
        return false;
    const int red = TextNumbers::Atoi(parts[0]);
    const int green = TextNumbers::Atoi(parts[1]);
    const int blue = n > 2 ? TextNumbers::Atoi(parts[2]) : 0;
    *color = RGB(red, green, blue);
    return true;
}

CPlaceFileReader::CPlaceFileReader(PlaceMessageFn onMessage) : m_onMessage(std::move(onMessage)) {}

bool CPlaceFileReader::Read(QIODevice& device, CPlaceList& places) {
    m_strError.clear();
    if (!device.isReadable()) {
        m_strError = QStringLiteral("Die Datei ist nicht zum Lesen geöffnet.");
        return false;
    }
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const qint64 n = device.read(buffer, sizeof buffer);
        if (n < 0) {
            m_strError = device.errorString();
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    Read(bytes, places);
    return true;
}

void CPlaceFileReader::Read(QByteArrayView bytes, CPlaceList& places) {
    m_nLines = 0;
    const QString text = decodeFile(bytes);
    const QStringView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf(u'\n', start);
        QStringView line;
        if (end < 0) {
            line = all.mid(start);
            end = all.size();
        } else {
            line = all.mid(start, end - start);
            if (line.endsWith(u'\r'))
                line.chop(1);
        }
        ++m_nLines;
        ReadLine(line, places);
        start = end + 1;
    }
}

void CPlaceFileReader::ReadLine(QStringView line, CPlaceList& places) {
    qsizetype firstSep = 0;
    while (firstSep < line.size() && !isSeparator(line[firstSep]))
        ++firstSep;
    if (firstSep != 2 || firstSep == line.size())
        return;
    QStringView fields[kFieldCount];
    if (tokenize(line, isSeparator, fields, kFieldCount) < kFieldCount)
        return;

    CPlaceEntry entry;
    QString* texts[kFieldCount] = {
        &entry.m_strStaat,      &entry.m_strPLZ,        &entry.m_strDate,
        &entry.m_strMarkerSize, &entry.m_strBlink,      &entry.m_strMarkerColor,
        &entry.m_strTextColor,  &entry.m_strFontHeight, &entry.m_strLabel};
    for (int i = 0; i < kFieldCount; ++i)
        *texts[i] = TextNumbers::TrimSpace(fields[i]).toString();
    entry.m_bBlinkPhase = true;

    if (!IsNotGiven(entry.m_strDate)) {
        const QDate date = ParseDateText(entry.m_strDate);
        if (!date.isValid()) {
            if (m_onMessage)
                m_onMessage(QStringLiteral("Ungultiges Datum \"%1\" in der Zeile %2:\n\n%3")
                                .arg(entry.m_strDate, QString::number(m_nLines), line),
                            m_nLines);
        } else if (date > QDate::currentDate()) {
            return;
        } else {
            entry.m_dtDate = date;
        }
    }
    entry.m_crMarker = kDefaultMarkerColor;
    if (!IsNotGiven(entry.m_strMarkerColor) &&
        !ParsePlaceColor(entry.m_strMarkerColor, &entry.m_crMarker))
        return;
    entry.m_crText = kDefaultTextColor;
    if (!IsNotGiven(entry.m_strTextColor) &&
        !ParsePlaceColor(entry.m_strTextColor, &entry.m_crText))
        return;
    entry.m_nLine = m_nLines;
    places.append(entry);
}
