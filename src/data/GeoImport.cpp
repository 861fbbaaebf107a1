#include "data/GeoImport.h"

#include "data/GeoNamesLine.h"
#include "data/ImportInput.h"
#include "data/LineReader.h"
#include "data/WriteTransaction.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <array>
#include <cstring>

namespace {

// Lines between two looks at the clock for the progress callback.
constexpr int kLinesPerTick = 256;
// Share of the progress that reading the files takes when old rows are deleted afterwards.
constexpr int kReadPercent = 90;

} // namespace

// One run of the importer over its files.
class ImportRun {
public:
    ImportRun(CGeoImporter& importer, CGeoImporter::Result& result)
        : m_importer(importer), m_database(importer.m_database), m_desc(m_database.m_Table),
          m_result(result), m_refresh(m_database), m_insert(m_database) {}

    bool ImportAll(const QStringList& files);

private:
    bool ImportFile(const QString& path);
    bool ImportPart(CImportInput& input, CGeoImporter::FileResult& counts);
    // Maps a valid line to the fields of GEO and inserts it; an empty text, or why the line
    // is invalid. `fatal` is set on an engine error, `leftOut` for a row of a country that
    // an earlier file brought.
    QString InsertRow(const GeoNamesRow& row, CGeoImporter::FileResult& counts, bool* fatal,
                      bool* leftOut);
    bool ReportPercent(int percent);
    bool Tick();
    void Invalid(const QString& part, qint64 line, const QString& reason,
                 CGeoImporter::FileResult& counts);
    QByteArrayView MapCountry(QByteArrayView country);
    // Whether the current file's rows of this country are taken (see FileResult).
    bool TakesCountry(QByteArrayView country, CGeoImporter::FileResult& counts);

    CGeoImporter& m_importer;
    CGeoDatabase& m_database;
    const CGeoTableDesc& m_desc;
    CGeoImporter::Result& m_result;
    CCountryRefresh m_refresh;
    CGeoRecordset m_insert;
    QElapsedTimer m_clock;
    qint64 m_nTotalBytes = 0; // sizes of the files that have one
    qint64 m_nDoneBytes = 0;  // sizes of the files read completely
    const CImportInput* m_pInput = nullptr;
    int m_nLinesSinceTick = 0;
    QByteArray m_line; // the line being imported; its fields are ended with NUL in place
    QByteArray m_lastCountry, m_lastMapped;
    QStringList m_files;                  // the files read so far, the current one last
    QHash<QByteArray, int> m_countryFile; // the file each country is taken from (index)
    QByteArray m_takenCountry;            // the last country found taken from this file
};

bool ImportRun::ReportPercent(int percent) {
    m_clock.restart();
    if (m_importer.m_percent && !m_importer.m_percent(qBound(0, percent, 100))) {
        m_result.cancelled = true;
        m_result.fatal = QStringLiteral("Der Import wurde abgebrochen.");
        return false;
    }
    return true;
}

bool ImportRun::Tick() {
    if (++m_nLinesSinceTick < kLinesPerTick)
        return true;
    m_nLinesSinceTick = 0;
    if (!m_importer.m_percent || m_clock.elapsed() < CGeoImporter::kPercentEveryMs)
        return true;
    const qint64 done = m_nDoneBytes + (m_pInput ? m_pInput->Position() : 0);
    const int share = m_importer.m_bAppend ? 99 : kReadPercent;
    return ReportPercent(m_nTotalBytes > 0 ? int(done * share / m_nTotalBytes) : 0);
}

void ImportRun::Invalid(const QString& part, qint64 line, const QString& reason,
                        CGeoImporter::FileResult& counts) {
    ++m_result.invalidCount;
    ++counts.skipped;
    if (m_result.invalidLines.size() < CGeoImporter::kMaxListedErrors)
        m_result.invalidLines << QStringLiteral("%1:%2: %3").arg(part).arg(line).arg(reason);
}

QByteArrayView ImportRun::MapCountry(QByteArrayView country) {
    if (country != m_lastCountry) {
        m_lastCountry = country.toByteArray();
        m_lastMapped = m_importer.m_mapCountry.value(m_lastCountry, m_lastCountry);
    }
    return m_lastMapped;
}

bool ImportRun::TakesCountry(QByteArrayView country, CGeoImporter::FileResult& counts) {
    if (m_importer.m_bAppend || country == m_takenCountry)
        return true;
    const int current = int(m_files.size()) - 1;
    const auto it = m_countryFile.constFind(country.toByteArray());
    if (it == m_countryFile.constEnd() || *it == current) {
        m_countryFile.insert(country.toByteArray(), current);
        m_takenCountry = country.toByteArray();
        return true;
    }
    ++counts.alreadyTaken;
    counts.takenFrom.insert(QString::fromUtf8(country), m_files.at(*it));
    return false;
}

QString ImportRun::InsertRow(const GeoNamesRow& row, CGeoImporter::FileResult& counts, bool* fatal,
                             bool* leftOut) {
    GeoRowFields fields;
    const QString reason = GeoNamesRowFields(row, MapCountry(row.country), m_desc, &fields);
    if (!reason.isEmpty())
        return reason;
    if (!TakesCountry(fields[GEO_STAAT], counts)) {
        *leftOut = true;
        return QString();
    }
    if (!m_importer.m_bAppend) {
        switch (m_refresh.NewRow(fields)) {
        case CCountryRefresh::Placed::Insert:
            break;
        case CCountryRefresh::Placed::Kept:
            return QString();
        case CCountryRefresh::Placed::Failed:
            *fatal = true;
            return m_refresh.Error();
        }
    }
    // The fields from the line end where a tab, a blank or the line's end was: NUL there lets
    // the engine take them as they are. The others are texts that end with NUL anyway.
    for (QByteArrayView field : {row.postalCode, row.place, row.adminName1, row.adminName2,
                                 row.adminName3, row.longitude, row.latitude}) {
        if (!field.isEmpty())
            m_line.data()[field.data() + field.size() - m_line.constData()] = '\0';
    }
    // The statement's values are every field but the key, in field order.
    GeoRowFields values{};
    int n = 0;
    for (int i = 0; i < m_desc.m_nFields; ++i) {
        if (i != m_desc.m_nKeyField)
            values[size_t(n++)] = fields[size_t(i)];
    }
    if (!m_insert.ExecuteUtf8(values.data(), n)) {
        *fatal = true;
        return m_insert.Error();
    }
    return QString();
}

bool ImportRun::ImportPart(CImportInput& input, CGeoImporter::FileResult& counts) {
    const QString part = input.PartName();
    CLineReader reader([&input](char* data, qint64 max) { return input.Read(data, max); });
    bool anyLine = false;
    int imported = 0;
    QByteArrayView line;
    while (true) {
        const CLineReader::Status status = reader.Next(&line);
        if (status == CLineReader::End)
            break;
        if (status == CLineReader::Failed) {
            m_result.fatal = input.Error();
            return false;
        }
        if (!Tick())
            return false;
        if (status == CLineReader::TooLong) {
            anyLine = true;
            Invalid(part, reader.LineNumber(), QStringLiteral("Zeile ist länger als 1 MiB"),
                    counts);
            continue;
        }
        if (line.isEmpty())
            continue;
        anyLine = true;
        m_line.resize(line.size()); // a copy the fields can be ended in, NUL after it
        std::memcpy(m_line.data(), line.data(), size_t(line.size()));
        GeoNamesRow row;
        QString reason = ParseGeoNamesLine(m_line, &row);
        bool fatal = false, leftOut = false;
        if (reason.isEmpty())
            reason = InsertRow(row, counts, &fatal, &leftOut);
        if (leftOut)
            continue;
        if (fatal) {
            m_result.fatal =
                QStringLiteral("%1:%2: %3").arg(part).arg(reader.LineNumber()).arg(reason);
            return false;
        }
        if (!reason.isEmpty()) {
            Invalid(part, reader.LineNumber(), reason, counts);
            continue;
        }
        ++counts.imported;
        if (m_importer.m_progress && ++imported % CGeoImporter::kProgressEvery == 0)
            m_importer.m_progress(QStringLiteral("%1: %2 Zeilen …").arg(part).arg(imported));
    }
    if (!anyLine) {
        m_result.fatal = QStringLiteral("%1: Die Datei enthält keine Zeilen.").arg(part);
        return false;
    }
    return true;
}

bool ImportRun::ImportFile(const QString& path) {
    CImportInput input;
    if (!input.Open(path)) {
        m_result.fatal = input.Error();
        return false;
    }
    m_pInput = &input;
    CGeoImporter::FileResult counts;
    counts.file = path;
    m_files << path;
    m_takenCountry.clear();
    bool ok = true;
    while (ok && input.NextPart())
        ok = ImportPart(input, counts);
    m_pInput = nullptr;
    if (ok && !input.Error().isEmpty()) {
        m_result.fatal = input.Error();
        ok = false;
    }
    m_nDoneBytes += input.Size();
    m_result.files << counts;
    return ok;
}

bool ImportRun::ImportAll(const QStringList& files) {
    m_clock.start();
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (info.isFile())
            m_nTotalBytes += info.size();
    }
    CWriteTransaction transaction(m_database);
    QString error;
    if (!transaction.Begin(&error, m_importer.m_nWaitForImportMs, m_importer.m_waiting,
                           &m_result.cancelled)) {
        m_result.fatal = error;
        return false;
    }
    if (!m_insert.Open(m_database.Sql().InsertRow(m_desc))) {
        m_result.fatal = QStringLiteral("Einfügen nicht möglich: %1").arg(m_insert.Error());
        return false;
    }
    if (!ReportPercent(0))
        return false;
    for (const QString& file : files) {
        if (!ImportFile(file))
            return false;
    }
    if (m_result.invalidCount > 0 && !m_importer.m_bSkipInvalid) {
        m_result.fatal = QStringLiteral("%1 ungültige Zeile(n); nichts wurde importiert.")
                             .arg(m_result.invalidCount);
        return false;
    }
    m_insert.Close();
    if (!m_importer.m_bAppend) {
        const auto progress = [this](double share) {
            return ReportPercent(kReadPercent + int(share * (99 - kReadPercent)));
        };
        if (!m_refresh.Finish(progress)) {
            if (!m_result.cancelled)
                m_result.fatal = QStringLiteral("Fehler der Datenbank: %1").arg(m_refresh.Error());
            return false;
        }
        m_result.countries = m_refresh.Results();
    }
    if (!transaction.Commit(&error)) {
        m_result.fatal = error;
        return false;
    }
    ReportPercent(100);
    return true;
}

CGeoImporter::CGeoImporter(CGeoDatabase& database) : m_database(database) {}

void CGeoImporter::SetCountryMap(const QMap<QString, QString>& map) {
    m_mapCountry.clear();
    for (auto it = map.begin(); it != map.end(); ++it)
        m_mapCountry.insert(it.key().toUtf8(), it.value().toUtf8());
}

CGeoImporter::Result CGeoImporter::Run(const QStringList& files) {
    Result result;
    {
        ImportRun run(*this, result);
        result.ok = run.ImportAll(files);
    }
    if (!result.ok)
        result.countries.clear();
    result.totalRows = m_database.GetRecordCount(m_database.m_Table.m_strTableName);
    return result;
}
