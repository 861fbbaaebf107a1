// A text table with NUL bytes as GDAL reads it for a list: through a read-only file system of
// Kelvo's own in which every NUL byte reads as kNulStandIn. GDAL's CSV reader takes a line as
// a C string, so a NUL would cut off the rest of the line there (or, inside quotes, join the
// lines after it to the cell); the stand-in keeps every cell of every row.
#include "render/gdal/GdalModule.h"
#include "render/places/TableListTextFile.h"

#include <QFile>
#include <QFileInfo>

#include <cpl_vsi.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

constexpr char kPrefix[] = "/vsikelvolist/";

// The file's own name: GDAL hands the callbacks the name behind the prefix.
const char* realName(const char* name) {
    if (name && std::strncmp(name, kPrefix, sizeof kPrefix - 1) == 0)
        return name + sizeof kPrefix - 1;
    return name;
}

VSILFILE* file(void* handle) {
    return static_cast<VSILFILE*>(handle);
}

int statFile(void*, const char* name, VSIStatBufL* stat, int flags) {
    const char* real = realName(name);
    return real ? VSIStatExL(real, stat, flags) : -1;
}

void* openFile(void*, const char* name, const char* access) {
    const char* real = realName(name);
    // Read-only: nothing is ever written into the user's file.
    if (!real || !access || std::strpbrk(access, "wa+"))
        return nullptr;
    return VSIFOpenL(real, "rb");
}

size_t readFile(void* handle, void* buffer, size_t size, size_t count) {
    const size_t items = VSIFReadL(buffer, size, count, file(handle));
    char* bytes = static_cast<char*>(buffer);
    std::replace(bytes, bytes + items * size, '\0', TableListTextFile::kNulStandIn);
    return items;
}

vsi_l_offset tellFile(void* handle) {
    return VSIFTellL(file(handle));
}

int seekFile(void* handle, vsi_l_offset offset, int whence) {
    return VSIFSeekL(file(handle), offset, whence);
}

int eofFile(void* handle) {
    return VSIFEofL(file(handle));
}

int closeFile(void* handle) {
    return VSIFCloseL(file(handle));
}

void install() {
    static std::once_flag once;
    std::call_once(once, [] {
        VSIFilesystemPluginCallbacksStruct* callbacks = VSIAllocFilesystemPluginCallbacksStruct();
        callbacks->stat = statFile;
        callbacks->open = openFile;
        callbacks->read = readFile;
        callbacks->tell = tellFile;
        callbacks->seek = seekFile;
        callbacks->eof = eofFile;
        callbacks->close = closeFile;
        VSIInstallPluginHandler(kPrefix, callbacks);
        VSIFreeFilesystemPluginCallbacksStruct(callbacks);
    });
}

} // namespace

namespace GdalModule {

QByteArray NulFreeFile(const QString& path) {
    install();
    return kPrefix + QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

} // namespace GdalModule
