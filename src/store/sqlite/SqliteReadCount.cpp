#include "store/sqlite/SqliteReadCount.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

// A file opened through the layer: the counter, then the engine's own file behind it.
struct CountedFile {
    sqlite3_file base;
    CSqliteReadCount* count; // null for the files beside the database (journal, WAL, temp)
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<CountedFile*>(file)->real();
}

int fileClose(sqlite3_file* file) {
    return real(file)->pMethods->xClose(real(file));
}
int fileRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    auto* counted = reinterpret_cast<CountedFile*>(file);
    const int rc = real(file)->pMethods->xRead(real(file), buffer, amount, offset);
    if (counted->count && rc == SQLITE_OK)
        counted->count->Read(amount);
    return rc;
}
int fileWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
}
int fileTruncate(sqlite3_file* file, sqlite3_int64 size) {
    return real(file)->pMethods->xTruncate(real(file), size);
}
int fileSync(sqlite3_file* file, int flags) {
    return real(file)->pMethods->xSync(real(file), flags);
}
int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    return real(file)->pMethods->xFileSize(real(file), size);
}
int fileLock(sqlite3_file* file, int level) {
    return real(file)->pMethods->xLock(real(file), level);
}
int fileUnlock(sqlite3_file* file, int level) {
    return real(file)->pMethods->xUnlock(real(file), level);
}
int fileCheckReservedLock(sqlite3_file* file, int* out) {
    return real(file)->pMethods->xCheckReservedLock(real(file), out);
}
int fileControl(sqlite3_file* file, int op, void* arg) {
    return real(file)->pMethods->xFileControl(real(file), op, arg);
}
int fileSectorSize(sqlite3_file* file) {
    return real(file)->pMethods->xSectorSize(real(file));
}
int fileDeviceCharacteristics(sqlite3_file* file) {
    return real(file)->pMethods->xDeviceCharacteristics(real(file));
}
int fileShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return real(file)->pMethods->xShmMap(real(file), region, size, extend, out);
}
int fileShmLock(sqlite3_file* file, int offset, int n, int flags) {
    return real(file)->pMethods->xShmLock(real(file), offset, n, flags);
}
void fileShmBarrier(sqlite3_file* file) {
    real(file)->pMethods->xShmBarrier(real(file));
}
int fileShmUnmap(sqlite3_file* file, int deleteFlag) {
    return real(file)->pMethods->xShmUnmap(real(file), deleteFlag);
}

// Version 2 with the shared memory of WAL files, or version 1 for files whose own methods have
// none; never memory-mapped reads, which would go past xRead uncounted.
constexpr sqlite3_io_methods methods(int version) {
    sqlite3_io_methods m = {version,
                            fileClose,
                            fileRead,
                            fileWrite,
                            fileTruncate,
                            fileSync,
                            fileSize,
                            fileLock,
                            fileUnlock,
                            fileCheckReservedLock,
                            fileControl,
                            fileSectorSize,
                            fileDeviceCharacteristics,
                            fileShmMap,
                            fileShmLock,
                            fileShmBarrier,
                            fileShmUnmap,
                            nullptr,
                            nullptr};
    if (version < 2) {
        m.xShmMap = nullptr;
        m.xShmLock = nullptr;
        m.xShmBarrier = nullptr;
        m.xShmUnmap = nullptr;
    }
    return m;
}
const sqlite3_io_methods kMethods = methods(2);
const sqlite3_io_methods kMethodsV1 = methods(1);

} // namespace

struct CSqliteReadCount::Vfs {
    sqlite3_vfs vfs; // the engine's default with xOpen of its own
    sqlite3_vfs* real;
    CSqliteReadCount* count;
};

namespace {

int vfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* self = reinterpret_cast<CSqliteReadCount::Vfs*>(vfs->pAppData);
    auto* counted = reinterpret_cast<CountedFile*>(file);
    counted->base.pMethods = nullptr;
    counted->count = (flags & SQLITE_OPEN_MAIN_DB) ? self->count : nullptr;
    const int rc = self->real->xOpen(self->real, name, counted->real(), flags, outFlags);
    if (counted->real()->pMethods)
        counted->base.pMethods = counted->real()->pMethods->iVersion >= 2 ? &kMethods : &kMethodsV1;
    return rc;
}

sqlite3_vfs* realVfs(sqlite3_vfs* vfs) {
    return reinterpret_cast<CSqliteReadCount::Vfs*>(vfs->pAppData)->real;
}

// What names files goes to the engine's own layer with its own object; the rest (time,
// randomness, libraries) takes no notice of which layer it is called for.
int vfsDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    return realVfs(vfs)->xDelete(realVfs(vfs), name, syncDir);
}
int vfsAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    return realVfs(vfs)->xAccess(realVfs(vfs), name, flags, out);
}
int vfsFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
    return realVfs(vfs)->xFullPathname(realVfs(vfs), name, size, out);
}

} // namespace

CSqliteReadCount::CSqliteReadCount(std::function<void(int percent)> report)
    : m_report(std::move(report)) {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    if (!real)
        return;
    m_name = "kelvo-read-count-" + QByteArray::number(quintptr(this), 16);
    m_pVfs = new Vfs{*real, real, this};
    m_pVfs->vfs.iVersion = std::min(real->iVersion, 3);
    m_pVfs->vfs.szOsFile = int(sizeof(CountedFile)) + real->szOsFile;
    m_pVfs->vfs.pNext = nullptr;
    m_pVfs->vfs.zName = m_name.constData();
    m_pVfs->vfs.pAppData = m_pVfs;
    m_pVfs->vfs.xOpen = vfsOpen;
    m_pVfs->vfs.xDelete = vfsDelete;
    m_pVfs->vfs.xAccess = vfsAccess;
    m_pVfs->vfs.xFullPathname = vfsFullPathname;
    if (sqlite3_vfs_register(&m_pVfs->vfs, 0) != SQLITE_OK) {
        delete m_pVfs;
        m_pVfs = nullptr;
    }
}

CSqliteReadCount::~CSqliteReadCount() {
    if (!m_pVfs)
        return;
    sqlite3_vfs_unregister(&m_pVfs->vfs);
    delete m_pVfs;
}

const char* CSqliteReadCount::VfsName() const {
    return m_pVfs ? m_name.constData() : nullptr;
}

void CSqliteReadCount::SetTotal(long long bytes) {
    m_nTotal = bytes;
    m_nRead = 0;
    m_nReported = -1;
}

void CSqliteReadCount::Read(long long bytes) {
    m_nRead += bytes;
    if (m_nTotal <= 0 || !m_report)
        return;
    const int percent = int(std::min<long long>(100, m_nRead * 100 / m_nTotal));
    if (percent > m_nReported) {
        m_nReported = percent;
        m_report(percent);
    }
}
