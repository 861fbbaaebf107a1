#include "render/table/TableSortFirst.h"

#include "render/table/GermanCollation.h"

#include <algorithm>
#include <array>
#include <string>

namespace TableSortFirst {

namespace {

constexpr size_t kMaxCandidates = 1 << 16;

// The letter a text starts with when that is a plain ASCII letter, case alike; -1 otherwise.
// A text's first letter gives the first weight of its collation key, so texts that start
// with different letters are in the order of the letters whatever follows.
const std::array<signed char, 256>& leadingLetters() {
    static const std::array<signed char, 256> letters = [] {
        std::array<signed char, 256> made;
        made.fill(-1);
        for (int c = 0; c < 26; ++c) {
            made[size_t('a' + c)] = static_cast<signed char>(c);
            made[size_t('A' + c)] = static_cast<signed char>(c);
        }
        return made;
    }();
    return letters;
}

int leadingLetter(QByteArrayView text) {
    return text.isEmpty() ? -1 : leadingLetters()[quint8(text.front())];
}

struct Candidate {
    std::string text;
    int position = 0;
    int letter = -1;
};

} // namespace

std::vector<int> Smallest(const std::vector<quint64>& keys, size_t count) {
    count = std::min(count, keys.size());
    if (count == 0)
        return {};
    std::vector<quint64> sorted = keys;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(count - 1), sorted.end());
    const quint64 bound = sorted[count - 1];
    sorted = {};
    std::vector<int> first;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] > bound)
            continue;
        if (first.size() == kMaxCandidates)
            return {};
        first.push_back(int(i));
    }
    std::sort(first.begin(), first.end(), [&](int x, int y) {
        if (keys[size_t(x)] != keys[size_t(y)])
            return keys[size_t(x)] < keys[size_t(y)];
        return x < y;
    });
    first.resize(count);
    return first;
}

std::vector<int> FirstTexts(const TableSort::Cells& cells, size_t count,
                            const CGermanCollation& collation, bool descending) {
    // Whether text a at position pa comes before text b at position pb in the whole sort.
    auto before = [&](QByteArrayView a, int pa, QByteArrayView b, int pb) {
        const int c = collation.Compare(a, b);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return pa < pb;
    };
    auto heapOrder = [&](const Candidate& x, const Candidate& y) {
        return before(x.text, x.position, y.text, y.position);
    };
    if (count == 0)
        return {};
    // The best rows so far, the one that comes last on top.
    std::vector<Candidate> best;
    best.reserve(count);
    // The last text turned away: the same text further down goes the same way.
    std::string rejected;
    int rejectedPosition = -1;
    cells([&](int position, QByteArrayView cell) {
        if (best.size() == count) {
            const Candidate& worst = best.front();
            const int letter = leadingLetter(cell);
            if (letter >= 0 && worst.letter >= 0 &&
                (descending ? letter < worst.letter : letter > worst.letter))
                return;
            if (rejectedPosition >= 0 && position > rejectedPosition &&
                QByteArrayView(rejected) == cell)
                return;
            if (!before(cell, position, worst.text, worst.position)) {
                rejected.assign(cell.data(), size_t(cell.size()));
                rejectedPosition = position;
                return;
            }
            std::pop_heap(best.begin(), best.end(), heapOrder);
            best.pop_back();
        }
        best.push_back(
            {std::string(cell.data(), size_t(cell.size())), position, leadingLetter(cell)});
        std::push_heap(best.begin(), best.end(), heapOrder);
    });
    std::sort_heap(best.begin(), best.end(), heapOrder);
    std::vector<int> first(best.size());
    for (size_t i = 0; i < best.size(); ++i)
        first[i] = best[i].position;
    return first;
}

} // namespace TableSortFirst
