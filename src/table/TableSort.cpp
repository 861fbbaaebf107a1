#include "table/TableSort.h"

#include "db/Cp1252.h"
#include "db/GeoTableDesc.h"
#include "db/RadixSort.h"
#include "db/TextNumbers.h"
#include "table/TableText.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <string>
#include <string_view>

namespace TableSort {

namespace {

template <typename T> int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Numbers as keys whose unsigned order is the numbers' order.
quint64 integerKey(int value) {
    return quint32(value) ^ 0x80000000u;
}
quint64 numberKey(double value) {
    const quint64 bits = std::bit_cast<quint64>(value == 0.0 ? 0.0 : value); // -0 is 0
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
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

// The Windows-1252 bytes of a cell (plain ASCII as it stands).
void appendCodePage(QByteArrayView utf8, std::string& out) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; })) {
        out.append(utf8.data(), size_t(utf8.size()));
        return;
    }
    for (QChar c : TableText::FromUtf8(utf8))
        out.push_back(char(Cp1252::FromUnicode(c.unicode())));
}

// Texts compared as unsigned bytes of the code page, a shorter prefix first. The texts go
// into one buffer; each row's key is its text's first eight bytes, by which the radix sort
// orders them, and only texts that agree in those bytes are compared whole.
std::vector<int> orderByTexts(int n, const Cells& cells, bool descending) {
    const size_t count = size_t(std::max(n, 0));
    std::string bytes;
    std::vector<size_t> start(count), length(count);
    std::vector<RadixSort::Entry> entries(count);
    cells([&](int position, QByteArrayView cell) {
        const size_t at = bytes.size();
        appendCodePage(cell, bytes);
        start[size_t(position)] = at;
        length[size_t(position)] = bytes.size() - at;
        quint64 prefix = 0;
        for (size_t k = at; k < at + 8; ++k)
            prefix = prefix << 8 | (k < bytes.size() ? uchar(bytes[k]) : 0);
        entries[size_t(position)] = {prefix, quint32(position), 0};
    });
    std::vector<int> order = orderOf(entries, descending);
    // Texts that share their first eight bytes: by the whole text, keeping the order of
    // equal ones.
    const std::string_view all(bytes);
    auto text = [&](int position) {
        return all.substr(start[size_t(position)], length[size_t(position)]);
    };
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && entries[end].key == entries[first].key)
            ++end;
        if (end - first > 1)
            std::stable_sort(order.begin() + qsizetype(first), order.begin() + qsizetype(end),
                             [&text, descending](int x, int y) {
                                 return descending ? text(y) < text(x) : text(x) < text(y);
                             });
        first = end;
    }
    return order;
}

} // namespace

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
    // QByteArray compares as unsigned bytes, a shorter prefix first.
    return threeWay(Cp1252::Encode(a), Cp1252::Encode(b));
}

std::vector<int> SortOrder(int n, const Cells& cells, int column, bool descending) {
    const size_t count = size_t(std::max(n, 0));
    switch (KindOfColumn(column)) {
    case Kind::Text:
        return orderByTexts(n, cells, descending);
    case Kind::Number: {
        std::vector<RadixSort::Entry> entries(count);
        cells([&](int position, QByteArrayView cell) {
            entries[size_t(position)] = {numberKey(TextNumbers::Atof(cell)), quint32(position), 0};
        });
        return orderOf(entries, descending);
    }
    case Kind::Integer:
        break;
    }
    // Integers: the key and the position in one 64-bit value.
    const quint64 flip = descending ? 0xFFFFFFFFu : 0;
    std::vector<quint64> values(count);
    cells([&](int position, QByteArrayView cell) {
        values[size_t(position)] =
            (integerKey(TextNumbers::Atoi(cell)) ^ flip) << 32 | quint32(position);
    });
    RadixSort::SortByUpperHalf(values);
    std::vector<int> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = int(quint32(values[i]));
    return order;
}

} // namespace TableSort
