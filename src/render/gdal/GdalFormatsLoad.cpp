#include "render/gdal/GdalFormats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <elf.h>

#include <cstring>
#include <mutex>

namespace {

// The folder of the running program, also before (or without) a QCoreApplication.
QString programFolder() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QStringList defaultCandidates() {
    const QDir folder(programFolder());
    // Beside the program in the build tree; installed, KELVO_MODULE_DIR relative to bin/.
    return {folder.filePath(QLatin1String(GdalFormats::kFileName)),
            QDir::cleanPath(folder.filePath(QStringLiteral(KELVO_MODULE_DIR "/") +
                                            QLatin1String(GdalFormats::kFileName)))};
}

// Whether the file holds every part its ELF header names. The dynamic loader maps a file cut
// short (a copy that broke off) without complaint, and the program dies of SIGBUS when it
// touches the part beyond the end; a file that is no 64-bit ELF at all is left to the loader.
bool cutShort(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const quint64 size = quint64(file.size());
    Elf64_Ehdr header;
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != qint64(sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return false;
    auto beyond = [size](quint64 offset, quint64 length) {
        return offset > size || length > size - offset;
    };
    if (beyond(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize) ||
        beyond(header.e_phoff, quint64(header.e_phnum) * header.e_phentsize) ||
        header.e_phentsize != sizeof(Elf64_Phdr) || !file.seek(qint64(header.e_phoff)))
        return true;
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        if (file.read(reinterpret_cast<char*>(&segment), sizeof segment) !=
                qint64(sizeof segment) ||
            beyond(segment.p_offset, segment.p_filesz))
            return true;
    }
    return false;
}

} // namespace

namespace GdalFormats {

CGdalFormats* Load(const QStringList& candidates, QString* error) {
    QString path;
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    const QString reads =
        QStringLiteral("Tabellen (XLSX, ODS, CSV), Gebietsdateien und PLZ-Flächen");
    if (path.isEmpty()) {
        *error = QStringLiteral("Das Modul %1, mit dem Kelvo %2 liest, ist nicht installiert "
                                "(gesucht: %3). Bitte Kelvo neu installieren.")
                     .arg(QLatin1String(kFileName), reads,
                          QDir::toNativeSeparators(candidates.join(QStringLiteral(", "))));
        return nullptr;
    }
    if (cutShort(path)) {
        *error = QStringLiteral("Das Modul \"%1\", mit dem Kelvo %2 liest, ist unvollständig. "
                                "Bitte Kelvo neu installieren.")
                     .arg(QDir::toNativeSeparators(path), reads);
        return nullptr;
    }
    // Never unloaded: tables and areas it made may live until the program ends.
    QLibrary library(path);
    if (!library.load()) {
        *error = QStringLiteral("Das Modul \"%1\", mit dem Kelvo %2 liest, lässt sich nicht "
                                "laden: %3. Bitte Kelvo neu installieren.")
                     .arg(QDir::toNativeSeparators(path), reads, library.errorString());
        return nullptr;
    }
    const auto entry = reinterpret_cast<KelvoGdalEntry>(library.resolve("KelvoGdalFormats"));
    CGdalFormats* formats = entry ? entry(CGdalFormats::kVersion) : nullptr;
    if (!formats)
        *error = QStringLiteral("Das Modul \"%1\" gehört zu einer anderen Version von Kelvo. "
                                "Bitte Kelvo neu installieren.")
                     .arg(QDir::toNativeSeparators(path));
    return formats;
}

CGdalFormats* Get(QString* error) {
    static std::once_flag once;
    static CGdalFormats* formats = nullptr;
    static QString failure;
    std::call_once(once, [] { formats = Load(defaultCandidates(), &failure); });
    if (!formats && error)
        *error = failure;
    return formats;
}

} // namespace GdalFormats
