#include "data/ImportInput.h"

#include "base/SystemErrorText.h"
#include "data/ZipReader.h"

#include <QFileInfo>

namespace {

bool hasZipSignature(const QByteArray& start) {
    // A local file header, or the end record of an empty archive.
    return start.startsWith(QByteArrayView("PK\x03\x04", 4)) ||
           start.startsWith(QByteArrayView("PK\x05\x06", 4));
}

QString damagedArchive(const QString& name, const QString& detail) {
    return QStringLiteral("%1: Das ZIP-Archiv ist beschädigt oder unvollständig (%2).")
        .arg(name, detail);
}

} // namespace

CImportInput::CImportInput() = default;
CImportInput::~CImportInput() = default;

bool CImportInput::IsPostalCodeFile(const QString& pathInArchive) {
    const QString name = QFileInfo(pathInArchive).fileName();
    return name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) &&
           name.compare(QStringLiteral("readme.txt"), Qt::CaseInsensitive) != 0;
}

bool CImportInput::Open(const QString& path) {
    m_strName = QFileInfo(path).fileName();
    const QFileInfo info(path);
    if (info.isDir()) {
        m_strError = QStringLiteral("%1: ist ein Ordner, keine Datei.").arg(path);
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_strError = QStringLiteral("%1: Datei kann nicht geöffnet werden: %2")
                         .arg(path, SystemErrorText::OfFile(path, SystemErrorText::Access::Read,
                                                            m_file.errorString()));
        return false;
    }
    m_nSize = m_file.isSequential() ? 0 : m_file.size();
    const bool namedZip = m_strName.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive);
    // A pipe's first bytes stay in the device's buffer for the reading that follows.
    if (hasZipSignature(m_file.peek(4))) {
        m_pZip = std::make_unique<CZipReader>(m_file);
        m_pZip->SetMaxFileBytes(m_nMaxMemberBytes);
    } else if (namedZip) {
        m_strError = QStringLiteral("%1: ist keine ZIP-Datei.").arg(m_strName);
        return false;
    }
    return true;
}

bool CImportInput::NextPart() {
    if (!m_strError.isEmpty())
        return false;
    if (!m_pZip) {
        m_strPartName = m_strName;
        return m_nParts++ == 0;
    }
    QString path;
    while (m_pZip->NextFile(&path)) {
        if (!IsPostalCodeFile(path))
            continue;
        ++m_nParts;
        m_strPartName = m_strName + QLatin1Char('/') + path;
        return true;
    }
    if (m_pZip->Failed() == CZipReader::TooLarge)
        SetZipError(m_strName + QLatin1Char('/') + m_pZip->Error());
    else if (m_pZip->Failed() != CZipReader::NoFailure)
        SetZipError(m_strName);
    else if (m_nParts == 0)
        m_strError = QStringLiteral("%1: Das ZIP-Archiv enthält keine Postleitzahldatei (.txt).")
                         .arg(m_strName);
    return false;
}

qint64 CImportInput::Read(char* data, qint64 max) {
    const qint64 n = m_pZip ? m_pZip->Read(data, max) : m_file.read(data, max);
    if (n < 0)
        SetReadError();
    return n;
}

void CImportInput::SetZipError(const QString& part) {
    switch (m_pZip->Failed()) {
    case CZipReader::Encrypted:
        m_strError = QStringLiteral("%1: Das ZIP-Archiv ist verschlüsselt; Kelvo liest nur "
                                    "Archive ohne Kennwort.")
                         .arg(part);
        break;
    case CZipReader::TooLarge:
        m_strError = QStringLiteral("%1: Die Datei ist entpackt größer als %2 MB und wird nicht "
                                    "gelesen.")
                         .arg(part)
                         .arg(m_pZip->MaxFileBytes() / (1024 * 1024));
        break;
    default:
        m_strError = damagedArchive(part, m_pZip->Error());
    }
}

void CImportInput::SetReadError() {
    if (m_pZip)
        SetZipError(m_strPartName);
    else
        m_strError = QStringLiteral("%1: Lesefehler (%2).").arg(m_strName, m_file.errorString());
}

qint64 CImportInput::Position() const {
    return m_file.isSequential() ? 0 : m_file.pos();
}
