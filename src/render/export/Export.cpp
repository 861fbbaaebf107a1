#include "render/export/Export.h"

#include "base/GeoTableDesc.h"
#include "base/Progress.h"
#include "base/SystemErrorText.h"
#include "base/TextNumbers.h"
#include "render/export/ExportWriters.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace Export {

QString WriteFailure(const QSaveFile& file) {
    // Less room than a file system's smallest block or two: the write failed for want of it.
    constexpr qint64 kNearlyFull = 64 * 1024;
    const QStorageInfo volume(QFileInfo(file.fileName()).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < kNearlyFull)
        return QStringLiteral("Der Datenträger ist voll.");
    return SystemErrorText::OfFile(file.fileName(), SystemErrorText::Access::Write,
                                   file.errorString());
}

bool OpenForWriting(QSaveFile& file, const QString& path, CResult* result) {
    if (file.open(QIODevice::WriteOnly))
        return true;
    result->strError = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                           .arg(path, SystemErrorText::OfFile(path, SystemErrorText::Access::Write,
                                                              file.errorString()));
    return false;
}

QString NotWrittenText(const QString& path, const QSaveFile& file) {
    return QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
        .arg(path, WriteFailure(file));
}

bool WriteBytes(QIODevice& out, const std::string& bytes) {
    return out.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

bool FormatFromName(const QString& name, Format* format) {
    static const struct {
        const char* name;
        Format format;
    } kNames[] = {{"csv", Format::Csv},
                  {"csv-intl", Format::CsvInternational},
                  {"geojson", Format::GeoJson},
                  {"kml", Format::Kml},
                  {"places", Format::Places}};
    for (const auto& n : kNames) {
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            *format = n.format;
            return true;
        }
    }
    return false;
}

QString Suffix(Format format) {
    switch (format) {
    case Format::Csv:
    case Format::CsvInternational:
        return QStringLiteral("csv");
    case Format::GeoJson:
        return QStringLiteral("geojson");
    case Format::Kml:
        return QStringLiteral("kml");
    case Format::Places:
        break;
    }
    return QStringLiteral("txt");
}

QString DialogFilter(Format format) {
    switch (format) {
    case Format::Csv:
    case Format::CsvInternational:
        return QStringLiteral("CSV-Dateien (*.csv)");
    case Format::GeoJson:
        break;
    case Format::Kml:
        return QStringLiteral("KML-Dateien (*.kml)");
    case Format::Places:
        return QStringLiteral("Ortsdateien (*.txt)");
    }
    return QStringLiteral("GeoJSON-Dateien (*.geojson *.json)");
}

bool HasRow(const CRows& rows, int row, CResult* result) {
    if (!rows.next)
        return row < rows.nRows;
    QString error;
    if (rows.next(row, &error))
        return true;
    if (!error.isEmpty())
        result->strError = error;
    return false;
}

bool RowPosition(const CRows& rows, int row, double* lon, double* lat) {
    return TextNumbers::ParseNumber(rows.cell(row, GEO_LANGENGRAD).toUtf8(), lon) &&
           TextNumbers::ParseNumber(rows.cell(row, GEO_BREITENGRAD).toUtf8(), lat);
}

CResult WriteFile(const QString& path, Format format, const CRows& rows, CProgress* progress,
                  const COptions& options) {
    CResult result;
    if (rows.aColumns.size() < GEO_FIELD_COUNT || !rows.cell) {
        result.strError = QStringLiteral("Es gibt keine Zeilen der Tabelle zum Schreiben.");
        return result;
    }
    QSaveFile file(path);
    if (!OpenForWriting(file, path, &result))
        return result;
    if (progress)
        progress->Start(QStringLiteral(" Exportieren:"));
    const RowStep step = [&](int row) {
        if (progress && rows.nRows > 0)
            progress->SetPos(int(qint64(100) * row / rows.nRows));
    };
    bool written = false;
    switch (format) {
    case Format::Csv:
    case Format::CsvInternational:
        written = WriteCsv(file, rows, step, &result, format == Format::CsvInternational,
                           options.bGuardFormulas);
        break;
    case Format::GeoJson:
        written = WriteGeoJson(file, rows, step, &result);
        break;
    case Format::Kml:
        written = WriteKml(file, rows, step, &result);
        break;
    case Format::Places:
        written = WritePlaces(file, rows, step, &result);
        break;
    }
    if (progress)
        progress->Finish();
    if (!result.strError.isEmpty()) {
        // The rows could not be read to the end: the file stays as it was.
        file.cancelWriting();
        result.nWritten = 0;
        result.nSkipped = 0;
    } else if (!written || !file.flush() || !file.commit()) {
        // (What is still buffered goes at flush(): commit() would not tell its failure.)
        result.nWritten = 0;
        result.strError = NotWrittenText(path, file);
    }
    return result;
}

} // namespace Export
