#include "render/places/TableListMapping.h"

#include "base/FoldLike.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

using Role = CTableListMapping::Role;

// A column name as compared: folded umlauts, lower case, letters and digits only.
QString normalName(const QString& text) {
    const QString folded = QString::fromUtf8(FoldLike::FoldText(text.toUtf8())).toCaseFolded();
    QString out;
    for (QChar c : folded) {
        if (c.isLetterOrNumber())
            out += c;
    }
    return out;
}

struct Known {
    Role role;
    const char* names[12];
};

// Column names by role, as normalName gives them.
const Known kKnown[] = {
    {Role::Plz,
     {"plz", "postleitzahl", "zip", "zipcode", "postcode", "postalcode", "npa", "cap", nullptr}},
    {Role::Staat,
     {"staat", "land", "country", "lkz", "laenderkennzeichen", "countrycode", "nation", nullptr}},
    {Role::Ort, {"ort", "stadt", "city", "town", "gemeinde", "wohnort", "ortsname", nullptr}},
    {Role::Text,
     {"name", "text", "bezeichnung", "kunde", "firma", "titel", "label", "beschriftung", nullptr}},
    {Role::Datum, {"datum", "date", "ab", "abdatum", "seit", "termin", "start", "von", nullptr}},
    {Role::Gruppe,
     {"gruppe", "group", "kategorie", "category", "typ", "art", "klasse", "gebiet", "region",
      "segment", nullptr}},
    {Role::Groesse, {"groesse", "size", "markergroesse", nullptr}},
    {Role::Blinken, {"blinken", "blink", "blinkt", nullptr}},
};

// Compound names as lists have them ("Anlagedatum", "Kundengruppe", "Vertriebsgebiet"): the
// role of their last part.
const std::pair<const char*, Role> kKnownEndings[] = {
    {"datum", Role::Datum}, {"gruppe", Role::Gruppe}, {"gebiet", Role::Gruppe}};

bool roleOfName(const QString& cell, Role* role) {
    const QString name = normalName(cell);
    if (name.isEmpty())
        return false;
    for (const Known& known : kKnown) {
        for (const char* const* n = known.names; *n; ++n) {
            if (name == QLatin1String(*n)) {
                *role = known.role;
                return true;
            }
        }
    }
    for (const auto& [ending, endingRole] : kKnownEndings) {
        if (name.endsWith(QLatin1String(ending))) {
            *role = endingRole;
            return true;
        }
    }
    return false;
}

// A date as spreadsheets hand it out ("2026/12/24", "2026-12-24 10:00") or Germans write it.
bool isDateCell(const QString& cell) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4}[-/]\\d{1,2}[-/]\\d{1,2}([ T].*)?|\\d{1,2}\\.\\d{1,2}\\.\\d{4})$"));
    return re.match(cell.trimmed()).hasMatch();
}

bool isPostalNumber(const QString& cell) {
    static const QRegularExpression re(QStringLiteral("^\\d{4,5}(\\.0+)?$"));
    return re.match(cell.trimmed()).hasMatch();
}

bool isCountryCode(const QString& cell) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z]{2}$"));
    return re.match(cell.trimmed()).hasMatch();
}

// The first column whose filled cells (at least one) all pass the test, those in `taken`
// aside.
int columnWhereAll(const QList<QStringList>& rows, int from, bool (*test)(const QString&),
                   const std::array<int, Role::RoleCount>* taken = nullptr) {
    int columns = 0;
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    for (int c = 0; c < columns; ++c) {
        if (taken && std::find(taken->begin(), taken->end(), c) != taken->end())
            continue;
        int filled = 0;
        bool all = true;
        for (int r = from; r < rows.size() && all; ++r) {
            if (c >= rows[r].size() || rows[r][c].trimmed().isEmpty())
                continue;
            ++filled;
            all = test(rows[r][c]);
        }
        if (all && filled > 0)
            return c;
    }
    return -1;
}

// "A" = 0, "Z" = 25, "AA" = 26; -1 for anything else.
int columnOfLetters(const QString& text) {
    if (text.isEmpty() || text.size() > 3)
        return -1;
    int n = 0;
    for (QChar c : text.toUpper()) {
        if (c < u'A' || c > u'Z')
            return -1;
        n = n * 26 + (c.unicode() - u'A' + 1);
    }
    return n - 1;
}

QString lettersOf(int column) {
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

} // namespace

QString CTableListMapping::RoleName(Role role) {
    static const char* const names[] = {"Staat", "PLZ",    "Ort",     "Text",
                                        "Datum", "Gruppe", "Groesse", "Blinken"};
    return QString::fromLatin1(names[role]);
}

QString CTableListMapping::RoleTitle(Role role) {
    switch (role) {
    case Staat:
        return QStringLiteral("Staat");
    case Plz:
        return QStringLiteral("Postleitzahl");
    case Ort:
        return QStringLiteral("Ort");
    case Text:
        return QStringLiteral("Beschriftung");
    case Datum:
        return QStringLiteral("Datum (ab)");
    case Gruppe:
        return QStringLiteral("Gruppe");
    case Groesse:
        return QStringLiteral("Markergröße");
    case Blinken:
        return QStringLiteral("Blinken");
    case RoleCount:
        break;
    }
    return {};
}

namespace TableListMapping {

CTableListMapping Guess(const QList<QStringList>& rows, const QList<int>& lines) {
    CTableListMapping mapping;
    for (int r = 0; r < rows.size() && r < kGuessRows; ++r) {
        CTableListMapping named;
        for (int c = 0; c < rows[r].size(); ++c) {
            Role role;
            if (roleOfName(rows[r][c], &role) && named.aColumn[role] < 0)
                named.aColumn[role] = c;
        }
        if (named.Column(Role::Plz) >= 0) {
            named.nHeaderLine = lines.value(r);
            // A date column named otherwise ("Erstkontakt") by the dates under its name.
            if (named.Column(Role::Datum) < 0)
                named.aColumn[Role::Datum] =
                    columnWhereAll(rows.mid(0, kGuessRows), r + 1, isDateCell, &named.aColumn);
            return named;
        }
    }
    mapping.aColumn[Role::Plz] = columnWhereAll(rows, 0, isPostalNumber);
    mapping.aColumn[Role::Staat] = columnWhereAll(rows, 0, isCountryCode);
    return mapping;
}

QString ColumnName(const QStringList& header, int column) {
    const QString name = header.value(column).trimmed();
    return name.isEmpty() ? QStringLiteral("Spalte %1").arg(lettersOf(column)) : name;
}

bool ApplyOption(const QString& option, const QStringList& header, CTableListMapping* mapping,
                 QString* error) {
    for (const QString& part : option.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        const QString roleName = part.left(eq).trimmed();
        const QString column = eq < 0 ? QString() : part.mid(eq + 1).trimmed();
        int role = 0;
        while (role < Role::RoleCount &&
               normalName(CTableListMapping::RoleName(Role(role))) != normalName(roleName))
            ++role;
        if (eq < 0 || role == Role::RoleCount) {
            *error = QStringLiteral("Unbekannte Zuordnung \"%1\" (erwartet: Staat, PLZ, Ort, "
                                    "Text, Datum, Gruppe, Groesse oder Blinken = Spalte).")
                         .arg(part);
            return false;
        }
        // "Ort=" leaves the role without a column.
        if (column.isEmpty()) {
            mapping->aColumn[size_t(role)] = -1;
            continue;
        }
        int index = -1;
        for (int c = 0; c < header.size() && index < 0; ++c) {
            if (!normalName(header[c]).isEmpty() && normalName(header[c]) == normalName(column))
                index = c;
        }
        bool isNumber = false;
        const int number = column.toInt(&isNumber);
        if (index < 0 && isNumber && number >= 1)
            index = number - 1;
        if (index < 0 && role == Role::Staat && isCountryCode(column)) {
            mapping->aColumn[Role::Staat] = -1;
            mapping->strCountry = column.toUpper();
            continue;
        }
        if (index < 0)
            index = columnOfLetters(column);
        if (index < 0) {
            *error = QStringLiteral("Die Spalte \"%1\" gibt es nicht.").arg(column);
            return false;
        }
        mapping->aColumn[size_t(role)] = index;
    }
    return true;
}

} // namespace TableListMapping
