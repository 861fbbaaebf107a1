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

    enum Failure {
        NoFailure,
        Damaged,   // damaged, truncated, checksum wrong, unknown method
        Encrypted, // a file needs a passphrase
        TooLarge,  // a file unpacks to more than the cap
    };

    // Files unpacking to more than this are refused as soon as that many bytes came out.
    void SetMaxFileBytes(qint64 bytes) { m_nMaxFileBytes = bytes; }
    qint64 MaxFileBytes() const { return m_nMaxFileBytes; }

    // Steps to the next regular file of the archive and gives its path inside it. False at
    // the end of the archive and on an error (Error() not empty).
    bool NextFile(QString* path);
    // Reads the current file's bytes: the number read, 0 at its end, -1 on an error.
    qint64 Read(char* data, qint64 max);
    // What went wrong, and a short German description of it; empty when nothing failed.
    Failure Failed() const { return m_eFailure; }
    const QString& Error() const { return m_strError; }

private:
    friend struct ZipCallbacks;
    bool Open();
    void Fail();
    void Fail(Failure failure, const QString& text);
    QString Named() const; // the current file's path, never empty

    QIODevice& m_device;
    archive* m_pArchive = nullptr;
    QByteArray m_block;
    bool m_bOpened = false;
    qint64 m_nMaxFileBytes = qint64(1) << 30;
    QString m_strPath;       // the current file's path inside the archive
    qint64 m_nFileBytes = 0; // unpacked so far from the current file
    Failure m_eFailure = NoFailure;
    QString m_strError;
};
