#include "table/TableSort.h"

#include "db/Cp1252.h"
#include "db/GeoTableDesc.h"
#include "db/TextNumbers.h"

#include <QByteArray>

#include <algorithm>
#include <numeric>

namespace TableSort {

namespace {

template <typename T> int threeWay(const T& a, const T& b) { return a < b ? -1 : (b < a ? 1 : 0); }

// Sorts the positions by precomputed keys, stable in both directions.
template <typename Key>
std::vector<int> orderByKeys(const std::vector<Key>& keys, bool descending) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    if (descending)
        std::stable_sort(order.begin(), order.end(),
                         [&](int x, int y) { return keys[size_t(y)] < keys[size_t(x)]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](int x, int y) { return keys[size_t(x)] < keys[size_t(y)]; });
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
    case Kind::Integer: {
        std::vector<int> keys(size_t(std::max(n, 0)));
        for (int i = 0; i < n; ++i)
            keys[size_t(i)] = TextNumbers::Atoi(cell(i));
        return orderByKeys(keys, descending);
    }
    case Kind::Number: {
        std::vector<double> keys(size_t(std::max(n, 0)));
        for (int i = 0; i < n; ++i)
            keys[size_t(i)] = TextNumbers::Atof(cell(i));
        return orderByKeys(keys, descending);
    }
    case Kind::Text:
        break;
    }
    std::vector<QByteArray> keys(size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        keys[size_t(i)] = Cp1252::Encode(cell(i));
    return orderByKeys(keys, descending);
}

} // namespace TableSort
