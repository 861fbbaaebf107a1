#include "store/GeoStandardOrder.h"

#include "base/AsciiCase.h"
#include "base/RadixSort.h"
#include "store/GeoDatabase.h"
#include "store/GeoSqlDialect.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>

namespace GeoStandardOrder {

namespace {

inline uchar fold(uchar c, bool noCase) {
    return noCase ? AsciiCase::Lower(c) : c;
}

// The key of the radix sort holds the rank of the row's Staat (16 bits), the kind of its PLZ
// (8 bits) and the PLZ's first five bytes (folded as the collation folds them, zeros after
// its end); `extra` tells that the key holds the entire PLZ, so that rows with equal keys
// compare equal.
using Record = RadixSort::Entry;
constexpr int kPlzBytes = 5;
constexpr quint32 kMaxRanks = 1u << 16;

int threeWay(qsizetype a, qsizetype b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

int Compare(const Value& a, const Value& b, Collation collation) {
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    const bool noCase = collation == Collation::NoCase && a.kind == Value::Text;
    const qsizetype n = std::min(a.bytes.size(), b.bytes.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar x = fold(uchar(a.bytes[i]), noCase), y = fold(uchar(b.bytes[i]), noCase);
        if (x != y)
            return x < y ? -1 : 1;
        // NOCASE compares texts as C strings: what follows a zero byte does not count.
        if (noCase && x == 0)
            break;
    }
    return threeWay(a.bytes.size(), b.bytes.size());
}

std::vector<quint32> StableOrder(quint32 n, Collations collations, const KeyOf& keyOf,
                                 const Progress& progress) {
    // Making the keys takes about half of the time, the radix sort most of the rest.
    const quint32 step = std::max(n / 16, 1u);
    auto less = [&](quint32 x, quint32 y) {
        Value sx, px, sy, py;
        keyOf(x, sx, px);
        keyOf(y, sy, py);
        const int c = Compare(sx, sy, collations.staat);
        return c != 0 ? c < 0 : Compare(px, py, collations.plz) < 0;
    };

    // The distinct Staat values, numbered as they come (a row mostly has the previous one's).
    std::vector<Value> staats;
    std::unordered_map<std::string, quint32> staatIds;
    std::string lookup;
    std::vector<Record> records(n);
    Value previous;
    quint32 previousId = 0;
    bool ranked = true;
    for (quint32 row = 0; row < n; ++row) {
        Value staat, plz;
        keyOf(row, staat, plz);
        quint32 id = previousId;
        if (row == 0 || staat.kind != previous.kind || staat.bytes != previous.bytes) {
            lookup.assign(1, char(staat.kind));
            lookup.append(staat.bytes.data(), size_t(staat.bytes.size()));
            const auto inserted = staatIds.emplace(lookup, quint32(staats.size()));
            if (inserted.second)
                staats.push_back(staat);
            id = inserted.first->second;
            previous = staat;
            previousId = id;
        }
        const bool noCase = collations.plz == Collation::NoCase && plz.kind == Value::Text;
        quint64 key = quint64(plz.kind);
        bool whole = plz.bytes.size() <= kPlzBytes;
        bool ended = false; // after a zero byte NOCASE looks no further
        for (int i = 0; i < kPlzBytes; ++i) {
            uchar c = i < plz.bytes.size() && !ended ? fold(uchar(plz.bytes[i]), noCase) : 0;
            if (i < plz.bytes.size() && c == 0) {
                whole = false;
                ended = noCase;
            }
            key = key << 8 | c;
        }
        records[row] = {quint64(id) << 48 | key, row, whole ? 1u : 0u};
        ranked = ranked && staats.size() <= kMaxRanks;
        if (progress && row % step == 0)
            progress(int(qint64(50) * row / n));
    }

    std::vector<quint32> order(n);
    if (!ranked) {
        // Tens of thousands of different countries: sort by comparing the values.
        for (quint32 row = 0; row < n; ++row)
            order[row] = row;
        std::stable_sort(order.begin(), order.end(), less);
        return order;
    }

    // Staat values that compare equal (de, DE) share a rank.
    std::vector<quint32> byValue(staats.size());
    for (quint32 i = 0; i < byValue.size(); ++i)
        byValue[i] = i;
    std::sort(byValue.begin(), byValue.end(), [&](quint32 x, quint32 y) {
        return Compare(staats[x], staats[y], collations.staat) < 0;
    });
    std::vector<quint64> rank(staats.size());
    for (size_t i = 0, r = 0; i < byValue.size(); ++i) {
        if (i > 0 && Compare(staats[byValue[i - 1]], staats[byValue[i]], collations.staat) != 0)
            ++r;
        rank[byValue[i]] = quint64(r) << 48;
    }
    staatIds = {};
    constexpr quint64 kPlzMask = (quint64(1) << 48) - 1;
    for (Record& r : records)
        r.key = rank[r.key >> 48] | (r.key & kPlzMask);

    RadixSort::Sort(records, [&](int percent) {
        if (progress)
            progress(50 + percent * 45 / 100);
    });

    // Rows with equal keys of which one holds a longer PLZ: by the whole values, keeping
    // the order of rows that compare equal.
    for (size_t first = 0; first < records.size();) {
        size_t end = first + 1;
        bool whole = records[first].extra != 0;
        for (; end < records.size() && records[end].key == records[first].key; ++end)
            whole = whole && records[end].extra != 0;
        if (!whole)
            std::stable_sort(records.begin() + qsizetype(first), records.begin() + qsizetype(end),
                             [&](const Record& x, const Record& y) { return less(x.row, y.row); });
        first = end;
    }
    for (quint32 i = 0; i < n; ++i)
        order[i] = records[i].row;
    if (progress)
        progress(100);
    return order;
}

} // namespace GeoStandardOrder

CGeoOrderedRead::CGeoOrderedRead(CGeoDatabase& database)
    : m_desc(database.m_Table), m_sql(database.Sql()) {
    m_bInMemory = database.StandardOrderCollations(&m_collations);
}

CGeoQuery CGeoOrderedRead::Query(const QStringList& columns, const CGeoFilter& filter) const {
    return m_bInMemory ? m_sql.StorageOrderQuery(m_desc, columns, filter)
                       : m_sql.OrderedQuery(m_desc, columns, filter);
}

std::vector<quint32> CGeoOrderedRead::Order(quint32 n, const GeoStandardOrder::KeyOf& keyOf,
                                            const GeoStandardOrder::Progress& progress) const {
    if (m_bInMemory)
        return GeoStandardOrder::StableOrder(n, m_collations, keyOf, progress);
    std::vector<quint32> asRead(n);
    for (quint32 i = 0; i < n; ++i)
        asRead[i] = i;
    return asRead;
}
