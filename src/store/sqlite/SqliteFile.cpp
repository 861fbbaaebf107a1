#include "store/sqlite/SqliteFile.h"

#include "base/SystemErrorText.h"
#include "store/LeftoverFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace SqliteFile {

QStringList SideFileEndings() {
    return {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")};
}

bool LooksLikeSqlite(const QString& path, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("Die Datei kann nicht gelesen werden: %1")
                      .arg(SystemErrorText::OfFile(path, SystemErrorText::Access::Read,
                                                   file.errorString()));
        return false;
    }
    const QByteArray header = file.read(16);
    if (header.isEmpty()) {
        *reason = QStringLiteral("Die Datei ist leer.");
        return false;
    }
    if (header != QByteArray("SQLite format 3", 16)) {
        *reason = QStringLiteral("Die Datei ist keine SQLite-Datenbank (etwa eine Datenbank "
                                 "eines anderen Programms oder eine Textdatei).");
        return false;
    }
    return true;
}

bool IsRegularOrMissing(const QString& path, QString* reason) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return true;
    if (S_ISREG(st.st_mode))
        return true;
    const char* what = S_ISDIR(st.st_mode)    ? "einen Ordner"
                       : S_ISFIFO(st.st_mode) ? "eine benannte Pipe (FIFO)"
                       : S_ISSOCK(st.st_mode) ? "einen Socket"
                                              : "ein Gerät";
    *reason = QStringLiteral("Der Name bezeichnet keine gewöhnliche Datei, sondern %1.")
                  .arg(QString::fromUtf8(what));
    return false;
}

QString CreateTemporaryBeside(const QString& path, QString* error) {
    LeftoverFiles::RemoveStaleNew(path, SideFileEndings());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            LeftoverFiles::NewBeside(path, QRandomGenerator::global()->bounded(1000000u));
        // Watched before it is made: a signal in between would leave it behind. (A name
        // taken already carries this process's id: a file of a process long gone.)
        LeftoverFiles::Watch(candidate);
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            LeftoverFiles::Watch(candidate + QStringLiteral("-journal"));
            return candidate;
        }
        LeftoverFiles::Unwatch(candidate);
        if (errno != EEXIST) {
            *error = SystemErrorText::OfFile(candidate, SystemErrorText::Access::Write,
                                             QString::fromLocal8Bit(strerror(errno)));
            return QString();
        }
    }
    *error = SystemErrorText::FromErrno(EEXIST);
    return QString();
}

bool RenameNoReplace(const QString& from, const QString& to) {
    const QByteArray src = QFile::encodeName(from), dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without that rename: a hard link cannot replace a file either.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return true;
    }
    return false;
}

void SyncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void RemoveWithJournal(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    LeftoverFiles::Unwatch(path);
    LeftoverFiles::Unwatch(path + QStringLiteral("-journal"));
}

QByteArray Stamp(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_ino)) + ':' +
           QByteArray::number(qlonglong(st.st_size)) + ':' +
           QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

} // namespace SqliteFile
