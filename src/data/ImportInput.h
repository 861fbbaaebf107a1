#pragma once

#include <QFile>
#include <QString>

#include <memory>

class CZipReader;

// A file the user names for an import: a GeoNames text file, a pipe delivering one, or a
// GeoNames zip archive (recognised by its signature or its name) whose text files are read
// one after the other, the readme left out.
class CImportInput {
public:
    CImportInput();
    ~CImportInput();
    CImportInput(const CImportInput&) = delete;
    CImportInput& operator=(const CImportInput&) = delete;

    // A file of an archive that unpacks to more than this is refused (by default 1 GiB).
    void SetMaxMemberBytes(qint64 bytes) { m_nMaxMemberBytes = bytes; }
    static constexpr qint64 kDefaultMaxMemberBytes = qint64(1) << 30;

    // Opens the file. False with a German message in Error() when it cannot be read.
    bool Open(const QString& path);
    // Steps to the next text file of the input: the input itself for a text file, each
    // postal-code file of an archive. False at the end, and on an error (Error() not empty);
    // an archive without any text file is such an error.
    bool NextPart();
    // The part's name for messages: the file name, "DE.zip/DE.txt" inside an archive.
    const QString& PartName() const { return m_strPartName; }
    // Reads the part's bytes: the number read, 0 at its end, -1 on an error (Error()).
    qint64 Read(char* data, qint64 max);

    // Bytes of the file read so far and its size (0 for a pipe), for progress.
    qint64 Position() const;
    qint64 Size() const { return m_nSize; }
    bool IsArchive() const { return m_pZip != nullptr; }

    const QString& Error() const { return m_strError; }

    // True for an archive's path of a file to import: a .txt file that is not the readme.
    static bool IsPostalCodeFile(const QString& pathInArchive);

private:
    void SetReadError();
    void SetZipError(const QString& part);

    QFile m_file;
    std::unique_ptr<CZipReader> m_pZip;
    QString m_strName;
    QString m_strPartName;
    QString m_strError;
    qint64 m_nSize = 0;
    qint64 m_nMaxMemberBytes = kDefaultMaxMemberBytes;
    int m_nParts = 0;
};
