// ref-sort DB: the reference for re-sorting a table window by one column. Reads every row of
// the standard query into one UTF-8 buffer (not timed), then for each measured column makes
// the pairs (key, row index) from the column's texts — std::from_chars for PLZ and the
// coordinates, the bytes for text columns — sorts them with std::stable_sort and writes the
// new order of the rows. Prints "sort-COLUMN<TAB>ms" for ID_Geo, Staat, PLZ, Ort and
// Langengrad.
#include "ref_common.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

template <typename Key, typename MakeKey>
double timeSort(const std::vector<std::string_view>& cells, MakeKey makeKey,
                std::vector<uint32_t>& order) {
    const double start = ref_now_ms();
    std::vector<std::pair<Key, uint32_t>> keys(cells.size());
    for (size_t i = 0; i < cells.size(); ++i)
        keys[i] = {makeKey(cells[i]), uint32_t(i)};
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    order.resize(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].second;
    return ref_now_ms() - start;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: ref-sort DATENBANK\n");
        return 2;
    }
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, "SELECT * FROM GEO ORDER BY Staat, PLZ;", -1, &st, nullptr) !=
            SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    const int columns = sqlite3_column_count(st);
    std::string text;
    std::vector<size_t> cellStart; // columns + 1 entries a row, the last one shared
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int j = 0; j < columns; ++j) {
            cellStart.push_back(text.size());
            const auto* field = reinterpret_cast<const char*>(sqlite3_column_text(st, j));
            if (field)
                text.append(field, size_t(sqlite3_column_bytes(st, j)));
        }
    }
    cellStart.push_back(text.size());
    sqlite3_finalize(st);
    sqlite3_close(db);
    const size_t rows = (cellStart.size() - 1) / size_t(columns);

    auto column = [&](int j) {
        std::vector<std::string_view> cells(rows);
        for (size_t r = 0; r < rows; ++r) {
            const size_t k = r * size_t(columns) + size_t(j);
            cells[r] = std::string_view(text).substr(cellStart[k], cellStart[k + 1] - cellStart[k]);
        }
        return cells;
    };
    auto textKey = [](std::string_view s) { return s; };
    auto intKey = [](std::string_view s) {
        int value = 0;
        std::from_chars(s.data(), s.data() + s.size(), value);
        return value;
    };
    auto numberKey = [](std::string_view s) {
        double value = 0;
        std::from_chars(s.data(), s.data() + s.size(), value);
        return value;
    };
    std::vector<uint32_t> order;
    std::printf("sort-ID_Geo\t%.1f\n", timeSort<std::string_view>(column(0), textKey, order));
    std::printf("sort-Staat\t%.1f\n", timeSort<std::string_view>(column(1), textKey, order));
    std::printf("sort-PLZ\t%.1f\n", timeSort<int>(column(2), intKey, order));
    std::printf("sort-Ort\t%.1f\n", timeSort<std::string_view>(column(7), textKey, order));
    std::printf("sort-Langengrad\t%.1f\n", timeSort<double>(column(10), numberKey, order));
    return 0;
}
