#include "render/table/TableSort.h"

#include "base/GeoTableDesc.h"
#include "base/InParts.h"
#include "base/RadixSort.h"
#include "base/TextNumbers.h"
#include "render/table/GermanCollation.h"
#include "render/table/TableSortFirst.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <string>

namespace TableSort {

namespace {

template <typename T> int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The row order from the entries' positions; descending keys are the complements, so that
// equal keys keep their order in both directions.
std::vector<int> orderOf(std::vector<RadixSort::Entry>& entries, bool descending) {
    if (descending) {
        for (RadixSort::Entry& e : entries)
            e.key = ~e.key;
    }
    RadixSort::Sort(entries);
    std::vector<int> order(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        order[i] = int(entries[i].row);
    return order;
}

// Tells a sort's progress: the work goes in stages, each a span of the percentages that
// follows its rows as they are done.
class CSortProgress {
public:
    explicit CSortProgress(const Progress& progress) : m_progress(progress) {}
    // The stage from `from` to `to` percent over `rows` rows begins.
    void Stage(int from, int to, size_t rows) {
        m_nFrom = from;
        m_nTo = to;
        m_nRows = rows;
        m_nDone = 0;
        Tell(from);
    }
    // `rows` more rows of the stage are done.
    void Done(size_t rows) {
        m_nDone += rows;
        if (m_nRows > 0)
            Tell(m_nFrom + int(qint64(m_nTo - m_nFrom) * qint64(std::min(m_nDone, m_nRows)) /
                               qint64(m_nRows)));
    }
    void Tell(int percent) {
        if (m_progress && percent > m_nTold)
            m_progress(m_nTold = percent);
    }

private:
    const Progress& m_progress;
    int m_nFrom = 0;
    int m_nTo = 0;
    size_t m_nRows = 0;
    size_t m_nDone = 0;
    int m_nTold = -1;
};

// Tells `first` the positions of the first rows of the sort, found from the rows' keys.
void showFirst(const FirstRows* first, const std::vector<quint64>& keys) {
    if (first && first->show)
        first->show(TableSortFirst::Smallest(keys, size_t(std::max(first->count, 0))));
}

std::vector<quint64> keysOf(const std::vector<RadixSort::Entry>& entries, bool descending) {
    std::vector<quint64> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        keys[i] = descending ? ~entries[i].key : entries[i].key;
    return keys;
}

// Texts in German order. The texts go into one buffer; each row's radix key is the first
// eight bytes of its text's collation key, and only texts that agree in those bytes are
// compared whole. The first rows are found before any key is made.
std::vector<int> orderByTexts(int n, const Cells& cells, bool descending, const FirstRows* first,
                              CSortProgress& progress) {
    const size_t count = size_t(std::max(n, 0));
    // Where the time goes, roughly: the first rows' pass, the keys' prefixes, the radix
    // sort, the texts that share a prefix.
    progress.Stage(0, first && first->show ? 15 : 0, count);
    if (first && first->show) {
        // Many rows: a part of them for every core at once.
        const int parts = InParts::PartsFor(count);
        first->show(TableSortFirst::FirstTexts(cells, parts, size_t(std::max(first->count, 0)),
                                               descending));
    }
    CGermanCollation collation;
    std::string bytes;
    std::vector<size_t> start(count), length(count);
    std::vector<RadixSort::Entry> entries(count);
    // Neighbouring rows often share a text (the places of one town): its prefix is made once.
    std::string previous;
    quint64 previousPrefix = 0;
    bool havePrevious = false;
    progress.Stage(first && first->show ? 15 : 0, 50, count);
    cells(0, 1, [&](std::span<const Cell> batch) {
        progress.Done(batch.size());
        for (const auto& [position, cell] : batch) {
            const size_t at = bytes.size();
            bytes.append(cell.data(), size_t(cell.size()));
            start[size_t(position)] = at;
            length[size_t(position)] = size_t(cell.size());
            if (!havePrevious || QByteArrayView(previous) != cell) {
                havePrevious = true;
                previous.assign(cell.data(), size_t(cell.size()));
                previousPrefix = collation.KeyPrefix(cell);
            }
            entries[size_t(position)] = {previousPrefix, quint32(position), 0};
        }
    });
    auto text = [&](int position) {
        return QByteArrayView(bytes.data() + start[size_t(position)],
                              qsizetype(length[size_t(position)]));
    };
    std::vector<int> order = orderOf(entries, descending);
    progress.Stage(65, 100, count);
    // Texts that share their prefix: by the whole text, keeping the order of equal ones.
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && entries[end].key == entries[first].key)
            ++end;
        progress.Done(end - first);
        if (end - first > 1)
            std::stable_sort(order.begin() + qsizetype(first), order.begin() + qsizetype(end),
                             [&](int x, int y) {
                                 const int c = collation.Compare(text(x), text(y));
                                 return descending ? c > 0 : c < 0;
                             });
        first = end;
    }
    progress.Tell(100);
    return order;
}

} // namespace

quint64 IntegerKey(int value) {
    return quint32(value) ^ 0x80000000u;
}

quint64 NumberKey(double value) {
    const quint64 bits = std::bit_cast<quint64>(value == 0.0 ? 0.0 : value); // -0 is 0
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

Kind KindOfColumn(int column) {
    switch (column) {
    case GEO_PLZ:
        return Kind::Integer;
    case GEO_LANGENGRAD:
    case GEO_BREITENGRAD:
        return Kind::Number;
    default:
        return Kind::Text;
    }
}

int CompareCells(int column, QStringView a, QStringView b) {
    switch (KindOfColumn(column)) {
    case Kind::Integer:
        return threeWay(TextNumbers::Atoi(a), TextNumbers::Atoi(b));
    case Kind::Number:
        return threeWay(TextNumbers::Atof(a), TextNumbers::Atof(b));
    case Kind::Text:
        break;
    }
    static const CGermanCollation collation;
    return collation.Compare(a, b);
}

std::vector<int> SortOrder(int n, const Cells& cells, int column, bool descending,
                           const FirstRows* first, const Progress& progress) {
    const size_t count = size_t(std::max(n, 0));
    CSortProgress told(progress);
    // Numbers: reading them takes about as long as the radix sort.
    told.Stage(0, 50, count);
    switch (KindOfColumn(column)) {
    case Kind::Text:
        return orderByTexts(n, cells, descending, first, told);
    case Kind::Number: {
        std::vector<RadixSort::Entry> entries(count);
        cells(0, 1, [&](std::span<const Cell> batch) {
            told.Done(batch.size());
            for (const auto& [position, cell] : batch)
                entries[size_t(position)] = {NumberKey(TextNumbers::Atof(cell)), quint32(position),
                                             0};
        });
        if (first)
            showFirst(first, keysOf(entries, descending));
        std::vector<int> order = orderOf(entries, descending);
        told.Tell(100);
        return order;
    }
    case Kind::Integer:
        break;
    }
    // Integers: the key and the position in one 64-bit value.
    const quint64 flip = descending ? 0xFFFFFFFFu : 0;
    std::vector<quint64> values(count);
    cells(0, 1, [&](std::span<const Cell> batch) {
        told.Done(batch.size());
        for (const auto& [position, cell] : batch)
            values[size_t(position)] =
                (IntegerKey(TextNumbers::Atoi(cell)) ^ flip) << 32 | quint32(position);
    });
    if (first)
        showFirst(first, values);
    RadixSort::SortByUpperHalf(values);
    std::vector<int> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = int(quint32(values[i]));
    told.Tell(100);
    return order;
}

} // namespace TableSort
