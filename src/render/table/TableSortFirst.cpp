#include "render/table/TableSortFirst.h"

#include "base/AsciiCase.h"
#include "base/InParts.h"
#include "render/table/GermanCollation.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>

namespace TableSortFirst {

namespace {

constexpr size_t kMaxCandidates = 1 << 16;

// Where two texts first differ among the plain ASCII letters both start with (case alike),
// that letter decides their order, whatever follows: each of those letters gives one first
// weight of the collation key, in the order of the alphabet. -1 or 1 as a comes before or
// after b; 0 when the letters do not decide.
int letterOrder(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const uchar x = AsciiCase::Lower(uchar(a[i])), y = AsciiCase::Lower(uchar(b[i]));
        if (!AsciiCase::IsLetter(x) || !AsciiCase::IsLetter(y))
            return 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

struct Candidate {
    std::string text;
    int position = 0;
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

namespace {

// The first `count` rows of one part of the cells, in the order of the whole sort.
class CPartFirst {
public:
    CPartFirst(size_t count, bool descending) : m_nCount(count), m_bDescending(descending) {
        m_best.reserve(count);
    }

    // Whether text a at position pa comes before text b at position pb in the whole sort.
    bool Before(QByteArrayView a, int pa, QByteArrayView b, int pb) const {
        int c = letterOrder(a, b);
        if (c == 0)
            c = m_collation.Compare(a, b);
        if (c != 0)
            return m_bDescending ? c > 0 : c < 0;
        return pa < pb;
    }
    bool Before(const Candidate& x, const Candidate& y) const {
        return Before(x.text, x.position, y.text, y.position);
    }

    void Add(std::span<const TableSort::Cell> cells) {
        auto heapOrder = [this](const Candidate& x, const Candidate& y) { return Before(x, y); };
        for (const auto& [position, cell] : cells) {
            if (m_best.size() == m_nCount) {
                const Candidate& worst = m_best.front();
                if (const int c = letterOrder(cell, worst.text); c != 0 && m_bDescending == (c < 0))
                    continue;
                if (m_nRejectedPosition >= 0 && position > m_nRejectedPosition &&
                    QByteArrayView(m_rejected) == cell)
                    continue;
                if (!Before(cell, position, worst.text, worst.position)) {
                    m_rejected.assign(cell.data(), size_t(cell.size()));
                    m_nRejectedPosition = position;
                    continue;
                }
                std::pop_heap(m_best.begin(), m_best.end(), heapOrder);
                m_best.pop_back();
            }
            m_best.push_back({std::string(cell.data(), size_t(cell.size())), position});
            std::push_heap(m_best.begin(), m_best.end(), heapOrder);
        }
    }

    // The rows found, in no particular order.
    std::vector<Candidate>& Best() { return m_best; }

private:
    size_t m_nCount;
    bool m_bDescending;
    CGermanCollation m_collation;
    // The best rows so far, the one that comes last on top.
    std::vector<Candidate> m_best;
    // The last text turned away: the same text further down goes the same way (the worst of
    // the best only gets better).
    std::string m_rejected;
    int m_nRejectedPosition = -1;
};

} // namespace

std::vector<int> FirstTexts(const TableSort::Cells& cells, int parts, size_t count,
                            bool descending) {
    if (count == 0)
        return {};
    parts = std::max(parts, 1);
    // Each part keeps its own first rows; the first rows of all are among them.
    std::vector<std::unique_ptr<CPartFirst>> found;
    for (int part = 0; part < parts; ++part)
        found.push_back(std::make_unique<CPartFirst>(count, descending));
    auto run = [&](int part) {
        cells(part, parts,
              [&](std::span<const TableSort::Cell> batch) { found[size_t(part)]->Add(batch); });
    };
    InParts::Run(parts, run);
    std::vector<Candidate> best = std::move(found[0]->Best());
    for (int part = 1; part < parts; ++part) {
        std::vector<Candidate>& more = found[size_t(part)]->Best();
        best.insert(best.end(), std::make_move_iterator(more.begin()),
                    std::make_move_iterator(more.end()));
    }
    const CPartFirst& order = *found[0];
    std::sort(best.begin(), best.end(),
              [&](const Candidate& x, const Candidate& y) { return order.Before(x, y); });
    best.resize(std::min(count, best.size()));
    std::vector<int> first(best.size());
    for (size_t i = 0; i < best.size(); ++i)
        first[i] = best[i].position;
    return first;
}

} // namespace TableSortFirst
