#include "table/TableSort.h"

#include "db/Cp1252.h"
#include "db/GeoTableDesc.h"
#include "db/TextNumbers.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace TableSort {

namespace {

template <typename T> int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Sorts the positions by the keys the cells give, stable in both directions. Each key
// travels with its position, so the sort reads memory in order.
template <typename Key, typename MakeKey>
std::vector<int> orderByKeys(int n, const std::function<QStringView(int)>& cell, MakeKey makeKey,
                             bool descending) {
    std::vector<std::pair<Key, int>> keys(size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        keys[size_t(i)] = {makeKey(cell(i)), i};
    using Entry = std::pair<Key, int>;
    if (descending)
        std::stable_sort(keys.begin(), keys.end(),
                         [](const Entry& x, const Entry& y) { return y.first < x.first; });
    else
        std::stable_sort(keys.begin(), keys.end(),
                         [](const Entry& x, const Entry& y) { return x.first < y.first; });
    std::vector<int> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].second;
    return order;
}

// Sorts the positions by the cells' texts in the code page, compared as unsigned bytes with a
// shorter prefix first; stable in both directions. The texts go into one buffer; each
// position carries the text's first eight bytes as a number, by which a radix sort orders
// them, and only texts that agree in those bytes are compared whole.
std::vector<int> orderByTexts(int n, const std::function<QStringView(int)>& cell, bool descending) {
    struct Key {
        quint64 prefix;
        int position;
    };
    const size_t count = size_t(std::max(n, 0));
    qsizetype total = 0;
    for (int i = 0; i < n; ++i)
        total += cell(i).size();
    std::string bytes;
    bytes.reserve(size_t(total));
    std::vector<size_t> starts(count + 1, 0);
    std::vector<Key> keys(count);
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        starts[i] = at;
        for (QChar c : cell(int(i)))
            bytes.push_back(char(Cp1252::FromUnicode(c.unicode())));
        at = bytes.size();
        quint64 prefix = 0;
        for (size_t k = starts[i]; k < starts[i] + 8; ++k)
            prefix = prefix << 8 | (k < at ? uchar(bytes[k]) : 0);
        keys[i] = {prefix, int(i)};
    }
    starts[count] = at;
    // Stable radix passes over the prefixes, a byte at a time from the last one (passes in
    // which every key has the same byte are left out); descending sorts the complements.
    const quint64 flip = descending ? ~quint64(0) : 0;
    std::array<std::array<size_t, 256>, 8> counts{};
    for (const Key& key : keys) {
        const quint64 prefix = key.prefix ^ flip;
        for (size_t b = 0; b < 8; ++b)
            ++counts[b][(prefix >> (8 * b)) & 0xFF];
    }
    std::vector<Key> moved(count);
    for (size_t b = 0; b < 8; ++b) {
        std::array<size_t, 256>& offsets = counts[b];
        if (std::find(offsets.begin(), offsets.end(), count) != offsets.end())
            continue;
        size_t next = 0;
        for (size_t& offset : offsets)
            next += std::exchange(offset, next);
        for (const Key& key : keys)
            moved[offsets[((key.prefix ^ flip) >> (8 * b)) & 0xFF]++] = key;
        keys.swap(moved);
    }
    // Texts that share their first eight bytes: by the whole text, keeping the order of
    // equal ones.
    const std::string_view all(bytes);
    auto text = [&](int position) {
        return all.substr(starts[size_t(position)],
                          starts[size_t(position) + 1] - starts[size_t(position)]);
    };
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && keys[end].prefix == keys[first].prefix)
            ++end;
        if (end - first > 1)
            std::stable_sort(keys.begin() + qsizetype(first), keys.begin() + qsizetype(end),
                             [&text, descending](const Key& x, const Key& y) {
                                 return descending ? text(y.position) < text(x.position)
                                                   : text(x.position) < text(y.position);
                             });
        first = end;
    }
    std::vector<int> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = keys[i].position;
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

std::vector<int> SortOrder(int n, const std::function<QStringView(int)>& cell, int column,
                           bool descending) {
    switch (KindOfColumn(column)) {
    case Kind::Integer:
        return orderByKeys<int>(
            n, cell, [](QStringView text) { return TextNumbers::Atoi(text); }, descending);
    case Kind::Number:
        return orderByKeys<double>(
            n, cell, [](QStringView text) { return TextNumbers::Atof(text); }, descending);
    case Kind::Text:
        break;
    }
    return orderByTexts(n, cell, descending);
}

} // namespace TableSort
