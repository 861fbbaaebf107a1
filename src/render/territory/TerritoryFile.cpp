#include "render/territory/TerritoryFile.h"

#include "render/gdal/GdalFormats.h"
#include "render/places/TableListFile.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/territory/TerritoryAssigner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace {

const char* const kColumns[] = {"Staat", "PLZ", "Gebiet", "Ort", "Ortsteil"};

QStringList cellsOf(const CTerritoryImportLine& line) {
    return {QString::fromUtf8(line.staat), QString::fromUtf8(line.plz), line.territory,
            QString::fromUtf8(line.ort), QString::fromUtf8(line.ortsteil)};
}

bool looksLikeFormula(const QString& text) {
    if (text.isEmpty())
        return false;
    if (text[0] == u'\t' || text[0] == u'\r')
        return true;
    for (QChar c : text) {
        if (c == u' ' || c == u'\n')
            continue;
        return c == u'=' || c == u'+' || c == u'-' || c == u'@';
    }
    return false;
}

QByteArray csvField(QString text) {
    if (looksLikeFormula(text))
        text.prepend(QLatin1Char('\''));
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(';') || bytes.contains('"') || bytes.contains('\n') ||
        bytes.contains('\r')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

bool writeCsv(const QString& path, const QList<CTerritoryImportLine>& lines, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("\"%1\" kann nicht geschrieben werden: %2")
                     .arg(path, file.errorString());
        return false;
    }
    QByteArray out("\xEF\xBB\xBF");
    out += "Staat;PLZ;Gebiet;Ort;Ortsteil\r\n";
    for (const CTerritoryImportLine& line : lines) {
        QByteArrayList fields;
        for (const QString& cell : cellsOf(line))
            fields << csvField(cell);
        out += fields.join(';') + "\r\n";
    }
    if (file.write(out) != out.size() || !file.commit()) {
        *error = QStringLiteral("\"%1\" kann nicht geschrieben werden: %2")
                     .arg(path, file.errorString());
        return false;
    }
    return true;
}

bool writeXlsx(const QString& path, const QList<CTerritoryImportLine>& lines, QString* error) {
    CGdalFormats* formats = GdalFormats::Get(error);
    if (!formats)
        return false;
    const QFileInfo info(path);
    // Written beside the target under another name, and renamed into place when complete.
    const QString temporary = info.dir().filePath(QStringLiteral(".%1.neu-%2.xlsx")
                                                      .arg(info.completeBaseName())
                                                      .arg(QCoreApplication::applicationPid()));
    QFile::remove(temporary);
    QStringList columns;
    for (const char* column : kColumns)
        columns << QLatin1String(column);
    QList<QStringList> rows;
    rows.reserve(lines.size());
    for (const CTerritoryImportLine& line : lines)
        rows << cellsOf(line);
    QString message;
    bool ok = formats->WriteSheet(temporary, QByteArrayLiteral("Gebiete"), columns, rows, &message);
    if (ok) {
        QFile::remove(path);
        ok = QFile::rename(temporary, path);
    }
    if (!ok) {
        QFile::remove(temporary);
        *error = QStringLiteral("\"%1\" kann nicht geschrieben werden%2")
                     .arg(path,
                          message.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + message);
    }
    return ok;
}

} // namespace

namespace TerritoryFile {

QList<CTerritoryImportLine> Lines(const CGeoPlaceRows& rows, const CTerritoryAssigner& assigner,
                                  const CTerritoryData& data) {
    QList<CTerritoryImportLine> lines;
    const std::vector<CTerritoryAssigner::Placement> placed = assigner.PlaceRows(rows);
    auto nameOf = [&data](qint64 id) {
        const CTerritory* t = data.Find(id);
        return t ? t->name : QString();
    };
    for (quint32 k = 0; k < rows.Size();) {
        // The rows of one postal code.
        quint32 end = k + 1;
        const QByteArrayView plz = rows.TextOf(k, CGeoPlaceRows::Plz);
        while (end < rows.Size() && rows.Country(end) == rows.Country(k) &&
               rows.TextOf(end, CGeoPlaceRows::Plz) == plz)
            ++end;
        bool shared = false;
        for (quint32 i = k + 1; i < end; ++i)
            shared = shared || placed[i].territory != placed[k].territory;
        for (quint32 i = k; i < (shared ? end : k + 1); ++i) {
            const QString name = nameOf(placed[i].territory);
            if (name.isEmpty())
                continue;
            CTerritoryImportLine line;
            line.staat = rows.Countries()[rows.Country(i)];
            line.plz = plz.toByteArray();
            line.territory = name;
            if (shared) {
                line.single = true;
                line.ort = rows.TextOf(i, CGeoPlaceRows::Ort).toByteArray();
                line.ortsteil = rows.TextOf(i, CGeoPlaceRows::Ortsteil).toByteArray();
            }
            lines << line;
        }
        k = end;
    }
    return lines;
}

bool Write(const QString& path, const QList<CTerritoryImportLine>& lines, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx")
        return writeXlsx(path, lines, error);
    if (suffix == u"csv")
        return writeCsv(path, lines, error);
    *error = QStringLiteral("Eine Zuordnung wird als .csv oder .xlsx geschrieben, nicht als "
                            "\"%1\".")
                 .arg(QFileInfo(path).fileName());
    return false;
}

bool Read(const QString& path, const QString& sheet, QList<CTerritoryImportLine>* lines,
          QString* error) {
    CTableListFile file;
    if (!file.Open(path)) {
        *error = file.Error();
        return false;
    }
    int column[5] = {-1, -1, -1, -1, -1};
    bool header = false;
    QList<CTerritoryImportLine> read;
    auto cell = [](const CTableListFile::Row& row, int i) {
        QString text = i >= 0 && i < row.cells.size() ? row.cells[i].trimmed() : QString();
        // The guard a written file put before a formula-like name.
        if (text.startsWith(QLatin1Char('\'')) && looksLikeFormula(text.mid(1)))
            text.remove(0, 1);
        return text;
    };
    const bool ok = file.ReadRows(sheet, [&](const CTableListFile::Row& row) {
        if (!header) {
            for (int i = 0; i < row.cells.size(); ++i) {
                for (int c = 0; c < 5; ++c) {
                    if (row.cells[i].trimmed().compare(QLatin1String(kColumns[c]),
                                                       Qt::CaseInsensitive) == 0)
                        column[c] = i;
                }
            }
            header = column[1] >= 0;
            return true;
        }
        CTerritoryImportLine line;
        line.line = row.nLine;
        line.plz = cell(row, column[1]).toUtf8();
        if (line.plz.isEmpty())
            return true;
        line.staat = cell(row, column[0]).toUpper().toUtf8();
        line.territory = cell(row, column[2]);
        line.ort = cell(row, column[3]).toUtf8();
        line.ortsteil = cell(row, column[4]).toUtf8();
        line.single = !line.ort.isEmpty();
        read << line;
        return true;
    });
    if (!ok) {
        *error = file.Error();
        return false;
    }
    if (!header || column[0] < 0 || column[2] < 0) {
        *error = QStringLiteral("In \"%1\" fehlt eine Kopfzeile mit den Spalten Staat, PLZ und "
                                "Gebiet.")
                     .arg(QFileInfo(path).fileName());
        return false;
    }
    *lines = read;
    return true;
}

QString ImportReport(int rules, int singles, const QStringList& created, int kept) {
    const QLocale german(QLocale::German);
    auto counted = [&](int n, const QString& one, const QString& many) {
        return QStringLiteral("%1 %2").arg(german.toString(n), n == 1 ? one : many);
    };
    if (rules == 0 && singles == 0 && created.isEmpty())
        return QStringLiteral("Nichts geändert: die Orte der Datei sind schon so zugewiesen.");
    QString report =
        QStringLiteral("%1 und %2 zugewiesen.")
            .arg(
                counted(rules, QStringLiteral("Postleitzahl"), QStringLiteral("Postleitzahlen")),
                counted(singles, QStringLiteral("einzelner Ort"), QStringLiteral("einzelne Orte")));
    if (!created.isEmpty()) {
        // The first names, and how many more: an import of thousands stays readable.
        constexpr int kNamed = 20;
        QString names = QStringList(created.mid(0, kNamed)).join(QStringLiteral(", "));
        if (created.size() > kNamed)
            names +=
                QStringLiteral(" und %1 weitere").arg(german.toString(created.size() - kNamed));
        report += QStringLiteral("\nNeu angelegt: %1").arg(names);
    }
    if (kept > 0)
        report += QStringLiteral("\nSchon so zugewiesen, unverändert: %1")
                      .arg(counted(kept, QStringLiteral("Zeile"), QStringLiteral("Zeilen")));
    return report;
}

} // namespace TerritoryFile
