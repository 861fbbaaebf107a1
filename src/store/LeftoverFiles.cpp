#include "store/LeftoverFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int kSlots = 64;
constexpr int kPathBytes = 4096;

// A slot is free (0), being filled (1) or holds a path (2). The signal handler reads only
// slots that hold a path; nothing it calls allocates or locks.
struct Slot {
    std::atomic<int> state{0};
    std::atomic<unsigned> order{0};
    char path[kPathBytes];
};
Slot s_slots[kSlots];
std::atomic<unsigned> s_nextOrder{1};

void removeRegistered() {
    // Latest first: the files in a folder go before the folder.
    bool done[kSlots] = {};
    for (int round = 0; round < kSlots; ++round) {
        int latest = -1;
        unsigned latestOrder = 0;
        for (int i = 0; i < kSlots; ++i) {
            if (!done[i] && s_slots[i].state.load() == 2 && s_slots[i].order.load() > latestOrder) {
                latest = i;
                latestOrder = s_slots[i].order.load();
            }
        }
        if (latest < 0)
            return;
        done[latest] = true;
        if (::unlink(s_slots[latest].path) != 0)
            ::rmdir(s_slots[latest].path); // a folder
    }
}

void onSignal(int signal) {
    const int saved = errno;
    removeRegistered();
    errno = saved;
    std::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Whether a process of that id runs (or may run: it belongs to another user).
bool processAlive(qint64 pid) {
    if (pid <= 0 || pid > 0x7fffffff)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

bool staleOwner(const QString& pidText) {
    bool ok = false;
    const qint64 pid = pidText.toLongLong(&ok);
    return ok && pid != ::getpid() && !processAlive(pid);
}

} // namespace

namespace LeftoverFiles {

void Watch(const QString& path) {
    const QByteArray bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (bytes.size() >= kPathBytes)
        return;
    for (Slot& slot : s_slots) {
        int expected = 0;
        if (!slot.state.compare_exchange_strong(expected, 1))
            continue;
        std::memcpy(slot.path, bytes.constData(), size_t(bytes.size()) + 1);
        slot.order.store(s_nextOrder.fetch_add(1));
        slot.state.store(2);
        return;
    }
}

void Unwatch(const QString& path) {
    const QByteArray bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    for (Slot& slot : s_slots) {
        if (slot.state.load() == 2 && bytes == slot.path) {
            slot.state.store(0);
            return;
        }
    }
}

void InstallSignalHandlers() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

QString NewBeside(const QString& path, quint32 n) {
    const QFileInfo info(path);
    return info.absoluteDir().filePath(
        QStringLiteral(".%1.neu-%2-%3")
            .arg(info.fileName(), QString::number(::getpid()), QString::number(n)));
}

int RemoveStaleNew(const QString& path, const QStringList& sideEndings) {
    const QFileInfo info(path);
    QStringList endings;
    for (const QString& ending : sideEndings)
        endings << QRegularExpression::escape(ending);
    const QRegularExpression pattern(
        QStringLiteral("^\\.%1\\.neu-(\\d+)-\\d+(%2)?$")
            .arg(QRegularExpression::escape(info.fileName()), endings.join(QLatin1Char('|'))));
    const QDir folder = info.absoluteDir();
    int removed = 0;
    const QStringList hidden = folder.entryList({QStringLiteral(".%1.neu-*").arg(info.fileName())},
                                                QDir::Files | QDir::Hidden);
    for (const QString& name : hidden) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch() && staleOwner(match.captured(1)) &&
            QFile::remove(folder.filePath(name)))
            ++removed;
    }
    return removed;
}

QString DownloadFolderTemplate() {
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("Kelvo-download-%1-XXXXXX").arg(::getpid()));
}

int RemoveStaleDownloads() {
    static const QRegularExpression pattern(QStringLiteral("^Kelvo-download-(\\d+)-\\w{6}$"));
    const QDir temp(QDir::tempPath());
    int removed = 0;
    for (const QString& name :
         temp.entryList({QStringLiteral("Kelvo-download-*")},
                        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch() && staleOwner(match.captured(1)) &&
            QFileInfo(temp.filePath(name)).ownerId() == ::getuid() &&
            QDir(temp.filePath(name)).removeRecursively())
            ++removed;
    }
    return removed;
}

Folder::Folder() : m_dir(DownloadFolderTemplate()) {
    if (m_dir.isValid())
        Watch(m_dir.path());
}

Folder::~Folder() {
    if (m_dir.isValid())
        Unwatch(m_dir.path());
}

} // namespace LeftoverFiles
