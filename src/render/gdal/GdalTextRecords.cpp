// The records of a text table as GDAL's CSV line reader parses them.
#include "render/gdal/GdalModule.h"

#include <QFile>

#include <cpl_csv.h>
#include <cpl_string.h>
#include <cpl_vsi.h>

#include <array>
#include <map>

namespace {

// GDAL's CSV driver reads a line at most this long (its MAX_LINE_SIZE at first).
constexpr size_t kMaxLineBytes = 10'000'000;

// ReadTextRecords, ending after the record that reaches `maxBytes` into the file (0: none).
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

namespace GdalModule {

bool LooksLikeText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4096);
    return !head.startsWith("PK\x03\x04") && !head.startsWith("\xD0\xCF\x11\xE0") &&
           !head.contains('\0');
}

char TextSeparator(const QByteArray& fileName) {
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

bool ReadTextRecords(const QByteArray& fileName, char separator,
                     const std::function<bool(const char* const* cells)>& take) {
    return readRecords(fileName, separator, 0, take);
}

} // namespace GdalModule
