#include "render/rows/GeoPlaceRows.h"

#include "base/GeoTableDesc.h"
#include "base/ResidentPages.h"
#include "base/TextNumbers.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>

using GeoStandardOrder::Compare;
using GeoStandardOrder::Value;

namespace {

// The columns read, by their place in the query: what the dots need, then the texts; the
// key comes last (to read a row whole by, and to read in slices).
enum Column { C_STAAT, C_LON, C_LAT, C_PLZ, C_ORT, C_ORTSTEIL, C_MEMO };
constexpr int kFields[] = {GEO_STAAT, GEO_LANGENGRAD, GEO_BREITENGRAD, GEO_PLZ,
                           GEO_ORT,   GEO_ORTSTEIL,   GEO_MEMO};
constexpr int kDotColumns[] = {C_STAAT, C_LON, C_LAT};
constexpr int kTextColumns[] = {C_PLZ, C_ORT, C_ORTSTEIL, C_MEMO};
constexpr int kCheckEvery = 256; // rows between looks at the clock
constexpr size_t kMaxRuns = 64;  // runs of one country moved whole, when there are few

// Replaces a column by the n values fill(ordered) appends to a new one, made resident ahead:
// each column is copied once, into memory that takes no page faults as it is written. While a
// column is copied it is held twice (a million points take 16 MB more for that moment).
template <typename T, typename Fill>
void replaceColumn(std::vector<T>& column, size_t n, const Fill& fill) {
    std::vector<T> ordered;
    ResidentPages::Reserve(ordered, n);
    fill(ordered);
    column.swap(ordered);
}

// Puts the row at order[i] at i in each of the columns, copying each in the new order: the
// reads of the old one, which jump, do not wait for each other as a walk along the cycles of
// the order in place does (a read for each row and column there, every one after the one
// before).
template <typename... T>
void gatherOrder(const std::vector<quint32>& order, std::vector<T>&... columns) {
    auto gather = [&](auto& column) {
        replaceColumn(column, order.size(), [&](auto& ordered) {
            for (const quint32 from : order)
                ordered.push_back(column[from]);
        });
    };
    (gather(columns), ...);
}

// A run of rows of one country, [begin, end), and its country's place in the order.
struct Run {
    quint32 begin, end, rank;
};

// Puts the runs in the order of their rank, runs of the same rank in the order they come,
// moving the rows of each column with them: each column is copied once, a run at a time.
// Walking the cycles of a row order in place would jump through the memory at every row, and
// rotating runs in place goes through the rows once for each halving of the runs.
template <typename... T> void gatherRuns(std::vector<Run> runs, std::vector<T>&... columns) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run& a, const Run& b) { return a.rank < b.rank; });
    auto gather = [&](auto& column) {
        replaceColumn(column, column.size(), [&](auto& ordered) {
            for (const Run& run : runs)
                ordered.insert(ordered.end(), column.begin() + run.begin, column.begin() + run.end);
        });
    };
    (gather(columns), ...);
}

} // namespace

Value CGeoPlaceRows::CountryValue(quint32 row) const {
    const quint32 c = m_aCountry[row];
    return {m_aCountryKind[c], m_aCountryText[c]};
}

Value CGeoPlaceRows::PlzValue(quint32 row) const {
    return m_texts.Cell(m_aTextRow[row], Plz);
}

qint64 CGeoPlaceRows::Find(QByteArrayView staat, QByteArrayView plz) const {
    return Find(staat, plz, {});
}

qint64 CGeoPlaceRows::Find(QByteArrayView staat, QByteArrayView plz,
                           const std::function<bool(quint32 row)>& accept) const {
    if (!m_bTexts)
        return -1;
    const Value wantedStaat{Value::Text, staat}, wantedPlz{Value::Text, plz};
    auto matches = [&](quint32 row) {
        const Value s = CountryValue(row), p = PlzValue(row);
        return s.kind == Value::Text && p.kind == Value::Text &&
               Compare(s, wantedStaat, m_collations.staat) == 0 &&
               Compare(p, wantedPlz, m_collations.plz) == 0;
    };
    if (!m_bSorted) {
        for (quint32 row = 0; row < Size(); ++row) {
            if (matches(row) && (!accept || accept(row)))
                return row;
        }
        return -1;
    }
    // The first row whose key is not below the wanted one; rows with the same key follow it
    // in the order of ID_Geo.
    quint32 low = 0, high = Size();
    while (low < high) {
        const quint32 mid = low + (high - low) / 2;
        int c = Compare(CountryValue(mid), wantedStaat, m_collations.staat);
        if (c == 0)
            c = Compare(PlzValue(mid), wantedPlz, m_collations.plz);
        if (c < 0)
            low = mid + 1;
        else
            high = mid;
    }
    for (quint32 row = low; row < Size() && matches(row); ++row) {
        if (!accept || accept(row))
            return row;
    }
    return -1;
}

void CGeoPlaceRows::CKeys::Reserve(size_t n) {
    ResidentPages::Reserve(m_narrow, n);
}

void CGeoPlaceRows::CKeys::Append(qint64 key) {
    if (m_wide.empty() && key >= 0 && key <= qint64(std::numeric_limits<quint32>::max())) {
        m_narrow.push_back(quint32(key));
        return;
    }
    if (m_wide.empty()) {
        m_wide.reserve(m_narrow.capacity());
        m_wide.assign(m_narrow.begin(), m_narrow.end());
        m_narrow = {};
    }
    m_wide.push_back(key);
}

size_t CGeoPlaceRows::CKeys::MemoryBytes() const {
    return m_narrow.capacity() * sizeof(quint32) + m_wide.capacity() * sizeof(qint64);
}

size_t CGeoPlaceRows::MemoryBytes() const {
    size_t bytes = m_aPoint.capacity() * sizeof(Point) + m_keys.MemoryBytes() +
                   m_aCountry.capacity() * sizeof(quint32) +
                   m_aTextRow.capacity() * sizeof(quint32) + m_texts.MemoryBytes();
    for (const QByteArray& text : m_aCountryText)
        bytes += size_t(text.capacity());
    return bytes;
}

CGeoPlaceRowsReader::CGeoPlaceRowsReader(CGeoDatabase& database, bool texts)
    : m_database(database),
      // Rows the engine has to order come whole: their order is the full one anyway.
      m_bTexts(texts || !CGeoOrderedRead(database).SortsInMemory()) {
    Restart();
}

CGeoPlaceRowsReader::~CGeoPlaceRowsReader() = default;

void CGeoPlaceRowsReader::Restart() {
    m_pRows.reset(new CGeoPlaceRows);
    m_pRows->m_stamp = m_database.DataStamp();
    const CGeoOrderedRead ordered(m_database);
    m_pRows->m_bSorted = ordered.SortsInMemory();
    m_pRows->m_collations = ordered.Collations();
    m_nCount = m_database.GetRecordCount(m_database.m_Table.m_strTableName);
    if (m_nCount > 0) {
        ResidentPages::Reserve(m_pRows->m_aPoint, size_t(m_nCount));
        m_pRows->m_keys.Reserve(size_t(m_nCount));
        ResidentPages::Reserve(m_pRows->m_aCountry, size_t(m_nCount));
        if (m_bTexts)
            m_pRows->m_texts.Reserve(quint32(m_nCount));
    }
    m_nLastKey = std::numeric_limits<qint64>::min();
    m_nNextProgress = 0;
    m_bStarted = false;
    m_strError.clear();
    m_mapCountry.clear();
    m_nCountry = 0;
}

bool CGeoPlaceRowsReader::Read(qint64 milliseconds, const std::function<void(int)>& progress) {
    QElapsedTimer clock;
    clock.start();
    // A slice starts only on the state of the data the rows so far were read at.
    if (m_bStarted && !(m_database.DataStamp() == m_pRows->m_stamp))
        Restart();
    for (;;) {
        if (ReadSlice(clock, milliseconds, progress))
            return true;
        // The slice ended for the clock: keep its rows only if nothing changed meanwhile.
        if (!(m_database.DataStamp() == m_pRows->m_stamp)) {
            Restart();
            continue;
        }
        return false;
    }
}

bool CGeoPlaceRowsReader::ReadSlice(const QElapsedTimer& clock, qint64 milliseconds,
                                    const std::function<void(int)>& progress) {
    const CGeoTableDesc& desc = m_database.m_Table;
    CGeoPlaceRows& rows = *m_pRows;
    // Slices need the key order; the engine's order is read in one go.
    const bool sliced = rows.m_bSorted && milliseconds >= 0;
    QStringList columns;
    const int columnCount = m_bTexts ? C_MEMO + 1 : C_LAT + 1;
    for (int c = 0; c < columnCount; ++c)
        columns << desc.FieldName(kFields[c]);
    columns << desc.FieldName(desc.m_nKeyField);
    CGeoRecordset rs(m_database);
    const bool opened =
        !rows.m_bSorted ? rs.Open(m_database.Sql().OrderedQuery(desc, columns, CGeoFilter()))
        : sliced        ? rs.Open(m_database.Sql().StorageOrderQuery(desc, columns,
                                                                     GeoFilter::KeyAbove(m_nLastKey)))
                        : rs.Open(m_database.Sql().StorageOrderQuery(desc, columns, CGeoFilter()));
    if (!opened) {
        m_strError = rs.Error();
        return true;
    }
    qint64 k = qint64(rows.m_aPoint.size());
    for (; rs.MoveNext(); ++k) {
        m_bStarted = true;
        Value dots[C_LAT + 1]; // Staat, Langengrad, Breitengrad
        rs.FieldValues(kDotColumns, C_LAT + 1, dots, 1u << C_STAAT);
        const Value& staat = dots[C_STAAT];
        if (rows.m_aCountry.empty() || staat.kind != rows.m_aCountryKind[m_nCountry] ||
            staat.bytes != QByteArrayView(rows.m_aCountryText[m_nCountry])) {
            m_strCountryKey.assign(1, char(staat.kind));
            m_strCountryKey.append(staat.bytes.data(), size_t(staat.bytes.size()));
            const auto found =
                m_mapCountry.emplace(m_strCountryKey, quint32(rows.m_aCountryText.size()));
            if (found.second) {
                rows.m_aCountryText.push_back(staat.bytes.toByteArray());
                rows.m_aCountryKind.push_back(staat.kind);
            }
            m_nCountry = found.first->second;
        }
        rows.m_aCountry.push_back(m_nCountry);
        rows.m_aPoint.push_back(
            {TextNumbers::Atof(dots[C_LON].bytes), TextNumbers::Atof(dots[C_LAT].bytes)});
        rows.m_keys.Append(rs.FieldInt(columnCount));
        if (m_bTexts)
            rows.m_texts.Append(rs, kTextColumns, 1u << CGeoPlaceRows::Plz);
        if (progress && k >= m_nNextProgress) {
            // Told only when the position changes: the row where it next does is worked out.
            const qint64 total = ProgressTotal();
            const int percent = total > 0 ? int(std::min<qint64>(100, 100 * k / total)) : 100;
            progress(percent);
            m_nNextProgress = percent < 100 ? ((percent + 1) * total + 99) / 100
                                            : std::numeric_limits<qint64>::max();
        }
        if (sliced && k % kCheckEvery == kCheckEvery - 1 && clock.elapsed() >= milliseconds) {
            m_nLastKey = rows.m_keys[quint32(rows.m_aPoint.size() - 1)];
            return false;
        }
    }
    if (rs.HasError())
        m_strError = rs.Error();
    return true;
}

std::vector<quint32> CGeoPlaceRowsReader::CountryRanks(bool* equalValues) const {
    const CGeoPlaceRows& rows = *m_pRows;
    return GeoCountryOrder::Ranks(rows.m_aCountryKind, rows.m_aCountryText, rows.m_collations.staat,
                                  equalValues);
}

namespace GeoCountryOrder {

std::vector<quint32> Ranks(const std::vector<Value::Kind>& kinds,
                           const std::vector<QByteArray>& texts,
                           GeoStandardOrder::Collation collation, bool* equalValues) {
    auto value = [&](quint32 c) { return Value{kinds[c], texts[c]}; };
    std::vector<quint32> byValue(texts.size());
    for (quint32 i = 0; i < byValue.size(); ++i)
        byValue[i] = i;
    std::sort(byValue.begin(), byValue.end(),
              [&](quint32 x, quint32 y) { return Compare(value(x), value(y), collation) < 0; });
    std::vector<quint32> rank(byValue.size());
    *equalValues = false;
    for (size_t i = 0, r = 0; i < byValue.size(); ++i) {
        if (i > 0 && Compare(value(byValue[i - 1]), value(byValue[i]), collation) == 0)
            *equalValues = true;
        else if (i > 0)
            ++r;
        rank[byValue[i]] = quint32(r);
    }
    return rank;
}

} // namespace GeoCountryOrder

bool CGeoPlaceRowsReader::NeedsTexts() const {
    bool equalValues = false;
    CountryRanks(&equalValues);
    return !m_bTexts && equalValues;
}

qint64 CGeoPlaceRowsReader::ProgressTotal() const {
    // Putting rows with texts in order counts as a tenth more rows (nothing for few rows).
    return m_nCount + (m_bTexts ? m_nCount / 10 : 0);
}

std::shared_ptr<CGeoPlaceRows>
CGeoPlaceRowsReader::Finish(const std::function<void(int)>& progress) {
    const qint64 total = ProgressTotal();
    auto ordering = [&](int percent) {
        if (progress && total > m_nCount)
            progress(int((m_nCount + (total - m_nCount) * percent / 100) * 100 / total));
    };
    const quint32 n = quint32(m_pRows->m_aPoint.size());
    const CGeoPlaceRows& read = *m_pRows;
    if (read.m_bSorted && !m_bTexts)
        return FinishByCountry();
    std::vector<quint32> order(n);
    if (!read.m_bSorted) {
        for (quint32 i = 0; i < n; ++i)
            order[i] = i;
    } else {
        order = GeoStandardOrder::StableOrder(
            n, read.m_collations,
            [&](quint32 r, Value& s, Value& p) {
                s = {read.m_aCountryKind[read.m_aCountry[r]],
                     read.m_aCountryText[read.m_aCountry[r]]};
                p = read.m_texts.Cell(r, CGeoPlaceRows::Plz);
            },
            ordering);
    }
    std::shared_ptr<CGeoPlaceRows> rows = std::move(m_pRows);
    m_pRows.reset(new CGeoPlaceRows);
    rows->m_bTexts = m_bTexts;
    if (rows->m_bSorted)
        rows->m_keys.With(
            [&](auto& keys) { gatherOrder(order, rows->m_aPoint, rows->m_aCountry, keys); });
    if (m_bTexts)
        rows->m_aTextRow = std::move(order);
    return rows;
}

std::shared_ptr<CGeoPlaceRows> CGeoPlaceRowsReader::FinishByCountry() {
    // By Staat alone, each country's rows in the table's order. A country's rows mostly lie
    // together in the table (its data was stored at once), so whole runs of one country are
    // moved, in the order of their Staat; runs of the same one keep their order.
    bool equalValues = false;
    const std::vector<quint32> rank = CountryRanks(&equalValues);
    std::shared_ptr<CGeoPlaceRows> rows = std::move(m_pRows);
    m_pRows.reset(new CGeoPlaceRows);
    CGeoPlaceRows& read = *rows;
    std::vector<Run> runs;
    const quint32 n = quint32(read.m_aCountry.size());
    for (quint32 row = 0; row < n;) {
        const quint32 country = read.m_aCountry[row];
        quint32 end = row + 1;
        while (end < n && read.m_aCountry[end] == country)
            ++end;
        runs.push_back({row, end, rank[country]});
        row = end;
    }
    if (std::is_sorted(runs.begin(), runs.end(),
                       [](const Run& a, const Run& b) { return a.rank < b.rank; }))
        return rows; // in order already
    if (runs.size() > kMaxRuns && runs.size() > n / 8) {
        // Countries mixed row by row: a counting sort over the few countries.
        std::vector<quint32> start(rank.size() + 1, 0);
        for (quint32 c : read.m_aCountry)
            ++start[rank[c] + 1];
        for (size_t r = 1; r < start.size(); ++r)
            start[r] += start[r - 1];
        std::vector<quint32> order(n);
        for (quint32 row = 0; row < n; ++row)
            order[start[rank[read.m_aCountry[row]]]++] = row;
        read.m_keys.With(
            [&](auto& keys) { gatherOrder(order, read.m_aPoint, read.m_aCountry, keys); });
        return rows;
    }
    read.m_keys.With([&](auto& keys) { gatherRuns(runs, read.m_aPoint, read.m_aCountry, keys); });
    return rows;
}
