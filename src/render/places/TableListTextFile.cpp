#include "render/places/TableListTextFile.h"

#include <QFile>
#include <QFileInfo>

#include <cpl_csv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
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

// GDAL's CSV driver reads a line at most this long (its MAX_LINE_SIZE at first).
constexpr size_t kMaxLineBytes = 10'000'000;

// ReadRecords, ending after the record that reaches `maxBytes` into the file (0: none).
bool readRecords(const QByteArray& fileName, char separator, vsi_l_offset maxBytes,
                 const std::function<bool(const char* const*)>& take) {
    VSILFILE* fp = VSIFOpenL(fileName.constData(), "rb");
    if (!fp)
        return false;
    const char delimiter[] = {separator, '\0'};
    while (char** cells =
               CSVReadParseLine3L(fp, kMaxLineBytes, delimiter, true, false, false, true)) {
        const bool blank = !cells[0];
        const bool more = blank || take(cells);
        CSLDestroy(cells);
        if (!more || (maxBytes && VSIFTellL(fp) >= maxBytes))
            break;
    }
    VSIFCloseL(fp);
    return true;
}

} // namespace

namespace TableListTextFile {

bool HasNul(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = file.read(chunk.data(), chunk.size())) > 0;) {
        if (std::memchr(chunk.constData(), 0, size_t(n)))
            return true;
    }
    return false;
}

bool IsUtf16(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(2);
    return head == "\xFF\xFE" || head == "\xFE\xFF";
}

QByteArray GdalName(const QString& path) {
    return QByteArrayLiteral("CSV:") + FileName(path, true);
}

QByteArray FileName(const QString& path, bool nulStandIn) {
    if (!nulStandIn)
        return QFile::encodeName(path);
    install();
    return kPrefix + QFile::encodeName(QFileInfo(path).absoluteFilePath());
}

char Separator(const QByteArray& fileName) {
    // Enough records to see past a title row or two, and not much of a large file.
    constexpr int kRecords = 100;
    constexpr vsi_l_offset kBytes = 256 * 1024;
    // Records with two cells or more; of them, the most with one number of cells; that number.
    using Score = std::array<int, 3>;
    char best = ';';
    Score bestScore{};
    for (const char separator : {';', ',', '\t'}) {
        std::map<int, int> counts;
        Score score{};
        int records = 0;
        readRecords(fileName, separator, kBytes, [&](const char* const* cells) {
            if (const int n = CSLCount(cells); n >= 2) {
                ++score[0];
                const int same = ++counts[n];
                if (same > score[1] || (same == score[1] && n > score[2]))
                    score = {score[0], same, n};
            }
            return ++records < kRecords;
        });
        if (score > bestScore) {
            best = separator;
            bestScore = score;
        }
    }
    return best;
}

bool ReadRecords(const QByteArray& fileName, char separator,
                 const std::function<bool(const char* const* cells)>& take) {
    return readRecords(fileName, separator, 0, take);
}

} // namespace TableListTextFile
