#include "render/places/TableListRows.h"

#include "base/DateText.h"
#include "base/TextNumbers.h"
#include "render/map/PlaceLookup.h"
#include "render/places/SheetCellText.h"
#include "render/places/TableListFile.h"
#include "render/rows/GeoPlaceRows.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace {

using Role = CTableListMapping::Role;

// Shared texts: a million entries hold one copy of each.
const QString& notGiven() {
    static const QString text = QStringLiteral("0");
    return text;
}

// Cells kept with a remark: the first few, each cut short.
constexpr int kIssueCells = 12;
constexpr int kIssueCellChars = 100;

// Control characters become blanks; blanks around the text go. Most cells have neither
// and are handed on as they are, without a copy.
QString cleaned(const QString& cell) {
    bool plain = cell.isEmpty() || (!cell.front().isSpace() && !cell.back().isSpace());
    for (qsizetype i = 0; plain && i < cell.size(); ++i)
        plain =
            cell[i] >= u' ' && (cell[i] < u'\x7f' || cell[i].category() != QChar::Other_Control);
    if (plain)
        return cell;
    QString text = cell;
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text.trimmed();
}

bool isBlank(const QString& cell) {
    for (QChar c : cell) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

bool isDigits(QStringView text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Country names some lists write instead of the code.
QString countryCode(const QString& text) {
    static const QHash<QString, QString> names{
        {QStringLiteral("deutschland"), QStringLiteral("DE")},
        {QStringLiteral("d"), QStringLiteral("DE")},
        {QStringLiteral("germany"), QStringLiteral("DE")},
        {QStringLiteral("österreich"), QStringLiteral("AT")},
        {QStringLiteral("oesterreich"), QStringLiteral("AT")},
        {QStringLiteral("a"), QStringLiteral("AT")},
        {QStringLiteral("austria"), QStringLiteral("AT")},
        {QStringLiteral("schweiz"), QStringLiteral("CH")},
        {QStringLiteral("switzerland"), QStringLiteral("CH")},
        {QStringLiteral("belgien"), QStringLiteral("BE")},
        {QStringLiteral("belgium"), QStringLiteral("BE")},
        {QStringLiteral("b"), QStringLiteral("BE")},
        {QStringLiteral("liechtenstein"), QStringLiteral("LI")},
    };
    const QString known = names.value(text.toLower());
    return known.isEmpty() ? text.toUpper() : known;
}

// "2026/12/24" (a spreadsheet date as GDAL gives it) as "2026-12-24"; other texts as they are.
QString isoDate(const QString& text) {
    static const QRegularExpression slashed(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})(.*)$"));
    const QRegularExpressionMatch m = slashed.match(text);
    if (!m.hasMatch())
        return text;
    return m.captured(1) + u'-' + m.captured(2) + u'-' + m.captured(3) + m.captured(4);
}

bool isYes(const QString& text) {
    static const QStringList no{QStringLiteral("0"),      QStringLiteral("nein"),
                                QStringLiteral("no"),     QStringLiteral("false"),
                                QStringLiteral("falsch"), QStringLiteral("n")};
    return !text.isEmpty() && !no.contains(text.toLower());
}

} // namespace

CTableListRows::CTableListRows(const CGeoPlaceRows& rows, CTableList* list)
    : m_rows(rows), m_pList(list) {
    m_strDefaultCountry =
        list->mapping.strCountry.isEmpty() ? QStringLiteral("DE") : list->mapping.strCountry;
    CountLengths();
}

void CTableListRows::CountLengths() {
    // Per country: how many postal codes of each length are all digits (-1: the others).
    std::map<quint32, std::map<int, qint64>> counts;
    for (quint32 row = 0; row < m_rows.Size(); ++row) {
        const QByteArrayView plz = m_rows.TextOf(row, CGeoPlaceRows::Plz);
        bool digits = !plz.isEmpty();
        for (char c : plz)
            digits = digits && c >= '0' && c <= '9';
        ++counts[m_rows.Country(row)][digits ? int(plz.size()) : -1];
    }
    for (const auto& [country, lengths] : counts) {
        if (lengths.size() != 1 || lengths.begin()->first <= 0)
            continue;
        const QString staat = QString::fromUtf8(m_rows.Countries()[country]).toUpper();
        m_lengths.insert(staat, lengths.begin()->first);
    }
    for (const QByteArray& staat : m_rows.Countries())
        m_countries.insert(QString::fromUtf8(staat).toUpper());
}

QString CTableListRows::Shown(const QString& cell) const {
    return m_pList->bSpreadsheet ? SheetCellText::Shown(cell) : cell;
}

QString CTableListRows::Cell(const QStringList& cells, Role role) const {
    const int column = m_pList->mapping.Column(role);
    return column < 0 ? QString() : cleaned(cells.value(column));
}

const CTableListRows::Country& CTableListRows::Staat(const QStringList& cells) {
    const QString cell = Cell(cells, Role::Staat);
    // A list names few countries, each on many rows: each cell is read once.
    const auto known = m_staatOf.constFind(cell);
    if (known != m_staatOf.constEnd())
        return *known;
    QString staat = cell.isEmpty() ? m_strDefaultCountry : countryCode(cell);
    // Liechtenstein is often kept as "FL", its vehicle code.
    if (staat == u"LI" && !m_countries.contains(staat) &&
        m_countries.contains(QStringLiteral("FL")))
        staat = QStringLiteral("FL");
    // One shared text per country, however the cells name it.
    auto shared = m_staat.find(staat);
    if (shared == m_staat.end())
        shared = m_staat.insert(staat, staat);
    return *m_staatOf.insert(cell, Country{*shared, PostalCodeLength(staat)});
}

QString CTableListRows::RepairedPlz(int length, QString plz, bool* repaired) const {
    *repaired = false;
    // A number a spreadsheet stored as such may come as "1067.0".
    const qsizetype point = plz.indexOf(u'.');
    if (point > 0 && point + 1 < plz.size() && isDigits(QStringView(plz).left(point))) {
        const QStringView fraction = QStringView(plz).mid(point + 1);
        if (std::all_of(fraction.begin(), fraction.end(), [](QChar c) { return c == u'0'; }))
            plz.truncate(point);
    }
    if (length > 0 && isDigits(plz) && plz.size() < length) {
        plz = plz.rightJustified(length, u'0');
        *repaired = true;
    }
    return plz;
}

qint64 CTableListRows::FindRow(const QString& staat, const QString& plz, const QString& ort,
                               bool* ortFound) {
    // Lists name the same places again and again: each is looked up once.
    const QString key = staat + u'\x1f' + plz + u'\x1f' + ort;
    auto found = m_foundRows.constFind(key);
    if (found == m_foundRows.constEnd()) {
        bool named = false;
        const qint64 row = CPlaceLookup::FindRow(
            m_rows, staat.toUtf8(), plz.toUtf8(),
            ort.isEmpty() ? QByteArray() : CPlaceLookup::OrtKey(ort.toUtf8()), &named);
        found = m_foundRows.insert(key, {row, named});
    }
    *ortFound = found->second;
    return found->first;
}

void CTableListRows::AddIssue(int line, const QStringList& cells, const QString& reason,
                              bool placed) {
    CTableListIssue issue;
    issue.nLine = line;
    // The row's first remark says what was read differently.
    issue.strReason = m_strNote.isEmpty() ? reason : reason + u' ' + std::exchange(m_strNote, {});
    issue.bPlaced = placed;
    for (int i = 0; i < cells.size() && i < kIssueCells; ++i)
        issue.values << cleaned(cells[i]).left(kIssueCellChars);
    m_pList->aIssues.append(issue);
}

void CTableListRows::Take(const CTableListFile::Row& row) {
    const int line = row.nLine;
    const QStringList& cells = row.cells;
    if (std::all_of(cells.begin(), cells.end(), isBlank))
        return;
    ++m_pList->nRows;
    m_strNote.clear();
    if (row.bNulRead)
        m_strNote = QStringLiteral("Ein Nullzeichen (Byte 0) wurde als Leerzeichen gelesen.");
    if (row.bCellTooLong) {
        ++m_pList->nWithoutPlace;
        AddIssue(line, cells,
                 QStringLiteral("Eine Zelle ist länger als %1 Zeichen.")
                     .arg(QLocale(QLocale::German).toString(int(CTableListFile::kMaxCellChars))),
                 false);
        return;
    }
    const QString rawPlz = Cell(cells, Role::Plz);
    if (rawPlz.isEmpty()) {
        ++m_pList->nWithoutPlace;
        AddIssue(line, cells, QStringLiteral("Keine Postleitzahl."), false);
        return;
    }
    const Country& country = Staat(cells);
    const QString staat = country.strStaat;
    bool repaired = false;
    const QString plz = RepairedPlz(country.nPlzLength, rawPlz, &repaired);
    const QString ort = Cell(cells, Role::Ort);
    bool ortFound = false;
    const qint64 geoRow = FindRow(staat, plz, ort, &ortFound);
    if (geoRow < 0) {
        ++m_pList->nWithoutPlace;
        AddIssue(line, cells, QStringLiteral("%1 %2 ist nicht in GEO.").arg(staat, plz), false);
        return;
    }
    if (repaired)
        ++m_pList->nRepaired;

    CPlaceEntry entry;
    entry.m_strStaat = staat;
    entry.m_strPLZ = plz;
    entry.m_strOrt = ort;
    entry.m_nLine = line;
    entry.m_bBlinkPhase = true;
    entry.m_strDate = notGiven();
    if (!ort.isEmpty() && !ortFound)
        AddIssue(line, cells,
                 QStringLiteral("Den Ort \"%1\" gibt es bei %2 %3 nicht; gesetzt auf %4.")
                     .arg(ort, staat, plz,
                          QString::fromUtf8(m_rows.TextOf(quint32(geoRow), CGeoPlaceRows::Ort))),
                 true);

    const QString dateText = Cell(cells, Role::Datum);
    if (dateText.isEmpty())
        m_pList->bUndated = true;
    if (!dateText.isEmpty()) {
        auto known = m_parsedDates.constFind(dateText);
        if (known == m_parsedDates.constEnd())
            known = m_parsedDates.insert(dateText, ParseDateText(isoDate(dateText)));
        const QDate date = *known;
        if (date.isValid()) {
            entry.m_dtDate = date;
            auto text = m_dates.find(date);
            if (text == m_dates.end())
                text = m_dates.insert(date, date.toString(QStringLiteral("dd.MM.yyyy")));
            entry.m_strDate = *text;
            m_pList->bDated = true;
        } else {
            m_pList->bUndated = true;
            AddIssue(
                line, cells,
                QStringLiteral("Ungültiges Datum \"%1\"; ohne Datum übernommen.").arg(dateText),
                true);
        }
    }

    const QString size = Cell(cells, Role::Groesse);
    static const QString defaultSize = QStringLiteral("4");
    entry.m_strMarkerSize =
        TextNumbers::Atoi(size) > 0 ? QString::number(TextNumbers::Atoi(size)) : defaultSize;
    static const QString blinking = QStringLiteral("1");
    entry.m_strBlink = isYes(Cell(cells, Role::Blinken)) ? blinking : notGiven();

    entry.m_crMarker = RGB(200, 200, 0);
    entry.m_strMarkerColor = notGiven();
    const QString group = Shown(Cell(cells, Role::Gruppe));
    if (!group.isEmpty()) {
        // Lists have a handful of groups: they are compared one by one while few.
        constexpr qsizetype kFewGroups = 16;
        auto it = m_groups.end();
        const qsizetype few =
            m_pList->aGroups.size() <= kFewGroups ? m_pList->aGroups.indexOf(group) : -1;
        if (few < 0 && (it = m_groups.find(group)) == m_groups.end()) {
            const int index = int(m_pList->aGroups.size());
            it = m_groups.insert(group, index);
            m_pList->aGroups << group;
            const COLORREF color = TableList::GroupColor(index);
            m_pList->aGroupColors << color;
            m_groupColorTexts << QStringLiteral("%1,%2,%3")
                                     .arg(GetRValue(color))
                                     .arg(GetGValue(color))
                                     .arg(GetBValue(color));
        }
        const qsizetype index = few >= 0 ? few : *it;
        entry.m_crMarker = m_pList->aGroupColors[index];
        entry.m_strMarkerColor = m_groupColorTexts[index];
    }
    entry.m_crText = RGB(0, 0, 0);
    entry.m_strTextColor = notGiven();
    const QString text = Shown(Cell(cells, Role::Text));
    static const QString fontHeight = QStringLiteral("14");
    entry.m_strFontHeight = text.isEmpty() ? notGiven() : fontHeight;
    entry.m_strLabel = text.isEmpty() ? notGiven() : text;
    if (!m_strNote.isEmpty())
        AddIssue(line, cells, std::exchange(m_strNote, {}), true);
    m_bFull = !m_pList->aEntries.Append(entry);
}
