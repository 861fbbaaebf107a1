// The first rows of a sort by one column, found without sorting all rows.
#include "render/table/TableSort.h"

#include "base/TextNumbers.h"
#include "render/table/GermanCollation.h"

#include <QByteArray>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace TableSort {

namespace {

// More rows than this whose texts share the prefix of the last row wanted: not worth it.
constexpr size_t kMaxCandidates = 1 << 16;

// The `count` smallest of the values (all distinct), in order.
template <typename T> std::vector<T> smallest(std::vector<T> values, size_t count) {
    count = std::min(count, values.size());
    std::nth_element(values.begin(), values.begin() + qsizetype(count), values.end());
    values.resize(count);
    std::sort(values.begin(), values.end());
    return values;
}

std::vector<int> firstByTexts(int n, const Cells& cells, bool descending, size_t count) {
    CGermanCollation collation;
    // The keys' prefixes first (as the whole sort makes them), then the whole texts of the
    // rows whose prefix does not rule them out.
    std::vector<quint64> prefix(size_t(std::max(n, 0)));
    QByteArray previous;
    quint64 previousPrefix = 0;
    bool havePrevious = false;
    cells([&](int position, QByteArrayView cell) {
        if (!havePrevious || QByteArrayView(previous) != cell) {
            havePrevious = true;
            previous = cell.toByteArray();
            previousPrefix = collation.KeyPrefix(cell);
        }
        prefix[size_t(position)] = descending ? ~previousPrefix : previousPrefix;
    });
    if (prefix.empty() || count == 0)
        return {};
    std::vector<quint64> sorted = prefix;
    const size_t last = std::min(count, sorted.size()) - 1;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(last), sorted.end());
    const quint64 bound = sorted[last];
    sorted = {};
    std::unordered_map<int, std::string> texts;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (prefix[i] <= bound && texts.size() < kMaxCandidates)
            texts.emplace(int(i), std::string());
        else if (prefix[i] <= bound)
            return {};
    }
    cells([&](int position, QByteArrayView cell) {
        if (auto it = texts.find(position); it != texts.end())
            it->second.assign(cell.data(), size_t(cell.size()));
    });
    std::vector<int> first;
    first.reserve(texts.size());
    for (const auto& [position, text] : texts)
        first.push_back(position);
    // As the whole sort: by prefix, then by the whole text, equal texts in their order.
    std::sort(first.begin(), first.end(), [&](int x, int y) {
        if (prefix[size_t(x)] != prefix[size_t(y)])
            return prefix[size_t(x)] < prefix[size_t(y)];
        const int c = collation.Compare(QByteArrayView(texts[x]), QByteArrayView(texts[y]));
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return x < y;
    });
    first.resize(std::min(first.size(), count));
    return first;
}

} // namespace

std::vector<int> FirstOfOrder(int n, const Cells& cells, int column, bool descending, int count) {
    const size_t wanted = size_t(std::max(count, 0));
    switch (KindOfColumn(column)) {
    case Kind::Text:
        return firstByTexts(n, cells, descending, wanted);
    case Kind::Number: {
        std::vector<std::pair<quint64, int>> keys(size_t(std::max(n, 0)));
        cells([&](int position, QByteArrayView cell) {
            const quint64 key = NumberKey(TextNumbers::Atof(cell));
            keys[size_t(position)] = {descending ? ~key : key, position};
        });
        std::vector<int> first;
        for (const auto& key : smallest(std::move(keys), wanted))
            first.push_back(key.second);
        return first;
    }
    case Kind::Integer:
        break;
    }
    const quint64 flip = descending ? 0xFFFFFFFFu : 0;
    std::vector<quint64> values(size_t(std::max(n, 0)));
    cells([&](int position, QByteArrayView cell) {
        const quint64 key = IntegerKey(TextNumbers::Atoi(cell));
        values[size_t(position)] = (key ^ flip) << 32 | quint32(position);
    });
    std::vector<int> first;
    for (quint64 value : smallest(std::move(values), wanted))
        first.push_back(int(quint32(value)));
    return first;
}

} // namespace TableSort
