#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class CGeoDatabase;
class CGeoTableDesc;

// Appends the rows of GeoNames postal-code files (tab-separated UTF-8, 12 columns) to table
// GEO, all files in one transaction: either every file is imported or nothing is.
class CGeoImporter {
public:
    struct FileResult {
        QString file;
        int imported = 0;
        int skipped = 0;
    };
    struct Result {
        bool ok = false; // false: nothing was imported
        QList<FileResult> files;
        QStringList invalidLines; // "file:line: reason", at most kMaxListedErrors of them
        int invalidCount = 0;     // every invalid line, listed or not
        QString fatal;            // why the run stopped (a file, the engine, invalid lines)
        int totalRows = 0;        // rows in GEO after the run
    };

    static constexpr int kMaxListedErrors = 20;
    static constexpr int kProgressEvery = 10000;

    explicit CGeoImporter(CGeoDatabase& database);

    // Country codes to replace, e.g. LI -> FL (the default), so that the map colours
    // Liechtenstein as the table knows it.
    void SetCountryMap(const QMap<QString, QString>& map) { m_mapCountry = map; }
    // With skipping, invalid lines are reported and the rest is imported.
    void SetSkipInvalid(bool skip) { m_bSkipInvalid = skip; }
    // Called with a progress line every kProgressEvery rows.
    void SetProgress(std::function<void(const QString&)> progress) {
        m_progress = std::move(progress);
    }

    Result Run(const QStringList& files);

    // One line of a GeoNames file, without its line end, as the values of a GEO row in
    // column order (the key and fields without a value empty). False for an invalid line
    // (not UTF-8, not 12 columns, a coordinate that is no number, a value longer than its
    // field); `reason` then says why.
    static bool ParseLine(QByteArrayView bytes, const QMap<QString, QString>& countryMap,
                          const CGeoTableDesc& desc, QStringList* values, QString* reason);

private:
    bool ImportFile(const QString& path, Result& result);

    CGeoDatabase& m_database;
    QMap<QString, QString> m_mapCountry{{QStringLiteral("LI"), QStringLiteral("FL")}};
    bool m_bSkipInvalid = false;
    std::function<void(const QString&)> m_progress;
};
