#pragma once

#include <QByteArray>
#include <QString>

struct archive;
class QIODevice;

// Reads the files inside a zip archive, one after the other, through libarchive. The archive
// comes from a device: a file (read through its central directory) or a pipe (read as a
// stream). Damaged or truncated archives and files whose checksum does not match are errors.
class CZipReader {
public:
    explicit CZipReader(QIODevice& device);
    ~CZipReader();
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    // Steps to the next regular file of the archive and gives its path inside it. False at
    // the end of the archive and on an error (Error() not empty).
    bool NextFile(QString* path);
    // Reads the current file's bytes: the number read, 0 at its end, -1 on an error.
    qint64 Read(char* data, qint64 max);
    // libarchive's message of the last error; empty when nothing failed.
    const QString& Error() const { return m_strError; }

private:
    friend struct ZipCallbacks;
    bool Open();
    void Fail();

    QIODevice& m_device;
    archive* m_pArchive = nullptr;
    QByteArray m_block;
    bool m_bOpened = false;
    QString m_strError;
};
