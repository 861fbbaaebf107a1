#include "data/ZipReader.h"

#include <QIODevice>

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>

namespace {
constexpr qsizetype kBlockBytes = 256 * 1024;

// libarchive's message in German where its meaning is known; else as it is.
QString germanDetail(const QString& message) {
    if (message.contains(QLatin1String("CRC"), Qt::CaseInsensitive))
        return QStringLiteral("Prüfsumme falsch");
    if (message.contains(QLatin1String("truncated"), Qt::CaseInsensitive))
        return QStringLiteral("Archiv abgeschnitten");
    if (message.contains(QLatin1String("compression method"), Qt::CaseInsensitive))
        return QStringLiteral("Packverfahren nicht unterstützt");
    if (message.contains(QLatin1String("Damaged"), Qt::CaseInsensitive))
        return QStringLiteral("Archiv beschädigt");
    if (message.contains(QLatin1String("Unrecognized archive format"), Qt::CaseInsensitive))
        return QStringLiteral("kein ZIP-Aufbau erkannt");
    return message;
}
} // namespace

// libarchive's callbacks: blocks of the device, and seeking in it.
struct ZipCallbacks {
    static la_ssize_t Read(archive*, void* self, const void** block) {
        auto* reader = static_cast<CZipReader*>(self);
        const qint64 n = reader->m_device.read(reader->m_block.data(), reader->m_block.size());
        *block = reader->m_block.constData();
        return la_ssize_t(n); // -1 makes libarchive report a fatal error
    }

    static la_int64_t Seek(archive*, void* self, la_int64_t offset, int whence) {
        QIODevice& device = static_cast<CZipReader*>(self)->m_device;
        qint64 target = offset;
        if (whence == SEEK_CUR)
            target += device.pos();
        else if (whence == SEEK_END)
            target += device.size();
        if (target < 0 || !device.seek(target))
            return ARCHIVE_FATAL;
        return target;
    }
};

CZipReader::CZipReader(QIODevice& device) : m_device(device), m_block(kBlockBytes, '\0') {}

CZipReader::~CZipReader() {
    if (m_pArchive)
        archive_read_free(m_pArchive);
}

void CZipReader::Fail() {
    const char* message = m_pArchive ? archive_error_string(m_pArchive) : nullptr;
    const QString text = message ? QString::fromUtf8(message) : QString();
    if (text.contains(QLatin1String("passphrase"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("encrypt"), Qt::CaseInsensitive))
        Fail(Encrypted, QStringLiteral("verschlüsselt"));
    else
        Fail(Damaged, text.isEmpty() ? QStringLiteral("unbekannter Fehler") : germanDetail(text));
}

QString CZipReader::Named() const {
    return m_strPath.isEmpty() ? QStringLiteral("(Datei ohne Namen)") : m_strPath;
}

void CZipReader::Fail(Failure failure, const QString& text) {
    m_eFailure = failure;
    m_strError = text;
}

bool CZipReader::Open() {
    m_bOpened = true;
    m_pArchive = archive_read_new();
    if (!m_pArchive) {
        Fail(Damaged, QStringLiteral("kein Speicher"));
        return false;
    }
    archive_read_support_format_zip(m_pArchive);
    archive_read_set_callback_data(m_pArchive, this);
    archive_read_set_read_callback(m_pArchive, &ZipCallbacks::Read);
    // A file is read through the directory at its end, so a truncated archive is noticed
    // before anything is read; a pipe can only be read front to back.
    if (!m_device.isSequential())
        archive_read_set_seek_callback(m_pArchive, &ZipCallbacks::Seek);
    if (archive_read_open1(m_pArchive) != ARCHIVE_OK) {
        Fail();
        return false;
    }
    return true;
}

bool CZipReader::NextFile(QString* path) {
    if (m_eFailure != NoFailure || (!m_bOpened && !Open()))
        return false;
    archive_entry* entry = nullptr;
    while (true) {
        const int rc = archive_read_next_header(m_pArchive, &entry);
        if (rc == ARCHIVE_EOF)
            return false;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
            Fail();
            return false;
        }
        if (archive_entry_filetype(entry) != AE_IFREG)
            continue;
        const char* name = archive_entry_pathname_utf8(entry);
        if (!name)
            name = archive_entry_pathname(entry);
        *path = m_strPath = QString::fromUtf8(name ? name : "");
        m_nFileBytes = 0;
        if (archive_entry_is_encrypted(entry)) {
            Fail(Encrypted, QStringLiteral("verschlüsselt"));
            return false;
        }
        // The size the archive states: a file claiming more is not unpacked at all.
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > m_nMaxFileBytes) {
            Fail(TooLarge, Named());
            return false;
        }
        return true;
    }
}

qint64 CZipReader::Read(char* data, qint64 max) {
    if (!m_pArchive)
        return -1;
    if (m_eFailure != NoFailure)
        return -1;
    const la_ssize_t n = archive_read_data(m_pArchive, data, size_t(max));
    if (n < 0) {
        Fail();
        return -1;
    }
    // The stated size may be false: the bytes that come out count.
    m_nFileBytes += n;
    if (m_nFileBytes > m_nMaxFileBytes) {
        // Named like a file refused for the size it states: a failure always says what.
        Fail(TooLarge, Named());
        return -1;
    }
    return n;
}
