#include "render/places/TableList.h"

#include "render/places/TableListFile.h"
#include "render/places/TableListRows.h"
#include "store/FileIdentity.h"

#include <QColor>
#include <QFileInfo>
#include <QLocale>

namespace {

// Reads the first rows of the sheet into the list's preview.
bool readPreview(CTableListFile& file, const QString& sheet, CTableList* list, QString* error) {
    list->preview.clear();
    list->previewLines.clear();
    const bool ok = file.ReadRows(sheet, [list](const CTableListFile::Row& row) {
        list->preview << row.cells;
        list->previewLines << row.nLine;
        return list->preview.size() < TableList::kPreviewRows;
    });
    if (!ok) {
        *error = file.Error();
        return false;
    }
    list->strSheet = sheet.isEmpty() ? file.SheetNames().value(0) : sheet;
    return true;
}

// The preview and the guess of the mapping. A text table whose header names no postal code
// column by the separator guessed from the counts of cells is read by the others too: a ";"
// file with commas in every line (names, decimal commas) can split more alike by ",", yet
// its header only names its columns by ";".
bool previewAndGuess(CTableListFile& file, const QString& sheet, CTableList* list, QString* error) {
    if (!readPreview(file, sheet, list, error))
        return false;
    list->mapping = TableListMapping::Guess(list->preview, list->previewLines);
    const char guessed = file.Separator();
    if (!guessed || list->mapping.Column(CTableListMapping::Plz) >= 0)
        return true;
    for (const char other : {';', ',', '\t'}) {
        if (other == guessed)
            continue;
        file.SetSeparator(other);
        CTableList trial;
        QString ignored;
        if (readPreview(file, sheet, &trial, &ignored)) {
            trial.mapping = TableListMapping::Guess(trial.preview, trial.previewLines);
            if (trial.mapping.nHeaderLine > 0 &&
                trial.mapping.Column(CTableListMapping::Plz) >= 0) {
                list->preview = std::move(trial.preview);
                list->previewLines = std::move(trial.previewLines);
                list->mapping = trial.mapping;
                return true;
            }
        }
    }
    file.SetSeparator(guessed);
    return true;
}

void setHeader(CTableList* list) {
    list->header.clear();
    const int at = int(list->previewLines.indexOf(list->mapping.nHeaderLine));
    if (list->mapping.nHeaderLine > 0 && at >= 0)
        list->header = list->preview[at];
}

} // namespace

namespace TableList {

bool Preview(const QString& path, const QString& sheet, CTableList* list, QString* error) {
    CTableListFile file;
    if (!file.Open(path)) {
        *error = file.Error();
        return false;
    }
    return Preview(file, sheet, list, error);
}

bool Preview(CTableListFile& file, const QString& sheet, CTableList* list, QString* error) {
    if (!previewAndGuess(file, sheet, list, error))
        return false;
    list->bSpreadsheet = file.IsSpreadsheet();
    setHeader(list);
    return true;
}

bool Read(const QString& path, const CTableListOptions& options, const CGeoPlaceRows& rows,
          CTableList* list, QString* error) {
    *list = CTableList();
    CTableListFile file;
    if (!file.Open(path)) {
        *error = file.Error();
        return false;
    }
    return Read(file, options, rows, list, error);
}

bool Read(CTableListFile& file, const CTableListOptions& options, const CGeoPlaceRows& rows,
          CTableList* list, QString* error) {
    *list = CTableList();
    if (!previewAndGuess(file, options.strSheet, list, error))
        return false;
    list->bSpreadsheet = file.IsSpreadsheet();
    if (options.mapping)
        list->mapping = *options.mapping;
    if (!options.strCountry.isEmpty())
        list->mapping.strCountry = options.strCountry.toUpper();
    setHeader(list);
    for (const QString& option : options.aMapOptions) {
        if (!TableListMapping::ApplyOption(option, list->header, &list->mapping, error))
            return false;
    }
    setHeader(list);
    const QString name = QFileInfo(file.Path()).fileName();
    if (list->mapping.Column(CTableListMapping::Plz) < 0) {
        *error = QStringLiteral("In der Liste \"%1\" (Blatt \"%2\") ist keine Spalte mit "
                                "Postleitzahlen zu erkennen. Bitte die Spalte zuordnen "
                                "(Überschrift \"PLZ\" oder --map PLZ=SPALTE).")
                     .arg(name, list->strSheet);
        return false;
    }

    CTableListRows taker(rows, list);
    const int headerLine = list->mapping.nHeaderLine;
    bool tooMany = false;
    const bool ok = file.ReadRows(list->strSheet, [&](const CTableListFile::Row& row) {
        if (row.nLine <= headerLine)
            return true;
        taker.Take(row);
        tooMany = list->nRows > kMaxRows;
        return !tooMany && !taker.Full();
    });
    if (!ok) {
        *error = file.Error();
        *list = CTableList();
        return false;
    }
    if (taker.Full()) {
        *error = QStringLiteral("Die Texte der Liste \"%1\" sind zusammen größer als %2 MB. "
                                "Kelvo liest sie nicht.")
                     .arg(name)
                     .arg(CTableListEntries::kMaxTextBytes >> 20);
        *list = CTableList();
        return false;
    }
    if (tooMany) {
        *error = QStringLiteral("Die Liste \"%1\" hat mehr als %2 Zeilen. Kelvo liest sie nicht.")
                     .arg(name, QLocale(QLocale::German).toString(kMaxRows));
        *list = CTableList();
        return false;
    }
    return true;
}

CPlaceList AsOf(const CTableListEntries& entries, const QDate& day) {
    CPlaceList shown;
    qsizetype count = 0;
    for (qsizetype i = 0; i < entries.size(); ++i)
        count += ShownOn(entries.Date(i), day);
    shown.reserve(count);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (ShownOn(entries.Date(i), day))
            shown.append(entries[i]);
    }
    return shown;
}

CPlaceList AsOf(const CPlaceList& entries, const QDate& day) {
    CPlaceList shown;
    shown.reserve(entries.size());
    for (const CPlaceEntry& entry : entries) {
        if (ShownOn(entry, day))
            shown.append(entry);
    }
    return shown;
}

COLORREF GroupColor(int group) {
    // Colours told apart at a glance, none of them the default yellow or a country's red.
    static const COLORREF palette[] = {
        RGB(31, 119, 180), RGB(255, 127, 14),  RGB(44, 160, 44),   RGB(148, 103, 189),
        RGB(140, 86, 75),  RGB(227, 119, 194), RGB(127, 127, 127), RGB(23, 190, 207),
        RGB(188, 189, 34), RGB(0, 0, 128),     RGB(128, 0, 0),     RGB(0, 128, 128),
    };
    constexpr int n = int(sizeof(palette) / sizeof(palette[0]));
    if (group < n)
        return palette[group];
    // Beyond the palette: hues around the circle.
    const QColor c = QColor::fromHsv((group * 137) % 360, 200, 200);
    return RGB(c.red(), c.green(), c.blue());
}

bool IsListItself(const QString& list, const QString& out) {
    if (QFileInfo(out).absoluteFilePath() == QFileInfo(list).absoluteFilePath())
        return true;
    const QByteArray identity = FileIdentity::Of(list);
    return !identity.isEmpty() && identity == FileIdentity::Of(out);
}

QString ListItselfText() {
    return QStringLiteral("Die Liste selbst wird nicht überschrieben. Bitte einen anderen "
                          "Dateinamen wählen.");
}

bool IsListFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"xlsx" || suffix == u"ods" || suffix == u"csv" || suffix == u"tsv";
}

} // namespace TableList
