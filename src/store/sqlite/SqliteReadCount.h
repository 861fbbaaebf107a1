#pragma once

#include <QByteArray>

#include <functional>

// How far a read of a whole database file has got: a layer over the engine's file system
// for the connections opened through it (VfsName() given to sqlite3_open_v2) that counts
// the bytes they read of their database file, and reports each whole percent of `total`
// bytes once it is reached, on the thread that reads. A check of the file reads every page
// in use once, so that the bytes read are its progress. Other connections are not touched.
class CSqliteReadCount {
public:
    explicit CSqliteReadCount(std::function<void(int percent)> report);
    ~CSqliteReadCount(); // after every connection opened through it is closed
    CSqliteReadCount(const CSqliteReadCount&) = delete;
    CSqliteReadCount& operator=(const CSqliteReadCount&) = delete;

    // Null when the layer could not be set up (the connection is then opened as always).
    const char* VfsName() const;
    // The bytes that make 100 %; counting starts anew at 0.
    void SetTotal(long long bytes);

    // Called by the layer for every read of a database file.
    void Read(long long bytes);
    struct Vfs; // the layer as the engine knows it

private:
    Vfs* m_pVfs = nullptr;
    QByteArray m_name;
    std::function<void(int)> m_report;
    long long m_nRead = 0;
    long long m_nTotal = 0;
    int m_nReported = -1;
};
