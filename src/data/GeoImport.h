#pragma once

#include "data/CountryRefresh.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class CGeoDatabase;

// Imports GeoNames postal-code files (tab-separated UTF-8 text, or the zip archives GeoNames
// publishes) into table GEO, all files in one transaction: either every file is imported or
// nothing is. By default every country the files bring is refreshed: its old rows are
// replaced and their memos kept (CCountryRefresh); appending adds the rows to what is there.
class CGeoImporter {
public:
    struct FileResult {
        QString file;
        int imported = 0;
        int skipped = 0;
        // Refreshing takes a country from the first file that brings it: rows of countries an
        // earlier file brought are left out here (country -> that earlier file).
        int alreadyTaken = 0;
        QMap<QString, QString> takenFrom;
    };
    struct Result {
        bool ok = false; // false: nothing was imported
        bool cancelled = false;
        QList<FileResult> files;
        QList<CountryRefreshResult> countries; // per country refreshed
        QStringList invalidLines; // "file:line: reason", at most kMaxListedErrors of them
        int invalidCount = 0;     // every invalid line, listed or not
        QString fatal;            // why the run stopped (a file, the engine, invalid lines)
        int totalRows = 0;        // rows in GEO after the run
    };

    static constexpr int kMaxListedErrors = 20;
    static constexpr int kProgressEvery = 10000;
    static constexpr int kPercentEveryMs = 40;

    explicit CGeoImporter(CGeoDatabase& database);

    // Country codes to replace, e.g. LI -> FL (the default), so that the map colours
    // Liechtenstein as the table knows it.
    void SetCountryMap(const QMap<QString, QString>& map);
    // With skipping, invalid lines are reported and the rest is imported.
    void SetSkipInvalid(bool skip) { m_bSkipInvalid = skip; }
    // Appending adds the rows and leaves the rows already there as they are.
    void SetAppend(bool append) { m_bAppend = append; }
    // Called with a progress line every kProgressEvery rows.
    void SetProgress(std::function<void(const QString&)> progress) {
        m_progress = std::move(progress);
    }
    // Called with the share done (0 to 100) at least every kPercentEveryMs while the run
    // goes on; returning false cancels the run, which then changes nothing.
    void SetPercent(std::function<bool(int)> percent) { m_percent = std::move(percent); }
    // While another import runs on the database, the run waits for it, up to
    // kWaitForImportMs (or as set): called about five times a second with the milliseconds
    // waited; returning false cancels the run.
    static constexpr int kWaitForImportMs = 30000;
    void SetWaiting(std::function<bool(int)> waiting) { m_waiting = std::move(waiting); }
    void SetWaitForImport(int ms) { m_nWaitForImportMs = ms; }

    Result Run(const QStringList& files);

private:
    friend class ImportRun;
    CGeoDatabase& m_database;
    QHash<QByteArray, QByteArray> m_mapCountry{{"LI", "FL"}};
    bool m_bSkipInvalid = false;
    bool m_bAppend = false;
    std::function<void(const QString&)> m_progress;
    std::function<bool(int)> m_percent;
    std::function<bool(int)> m_waiting;
    int m_nWaitForImportMs = kWaitForImportMs;
};
