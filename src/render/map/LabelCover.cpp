#include "render/map/LabelCover.h"

namespace {

// The bits first..last (inclusive) of a word.
uint64_t bitsOf(int first, int last) {
    const uint64_t upTo = last == 63 ? ~uint64_t(0) : (uint64_t(1) << (last + 1)) - 1;
    return upTo & ~((uint64_t(1) << first) - 1);
}

} // namespace

CLabelCover::CLabelCover(QSize device)
    : m_size(device.expandedTo(QSize(0, 0))), m_nWords((m_size.width() + 63) / 64),
      m_bits(size_t(m_nWords) * size_t(m_size.height())) {}

QRect CLabelCover::Inside(const QRect& rect) const {
    return rect.intersected(QRect(QPoint(0, 0), m_size));
}

bool CLabelCover::Covers(const QRect& rect) const {
    const QRect r = Inside(rect);
    if (r.isEmpty())
        return true;
    const int w0 = r.left() / 64, w1 = r.right() / 64;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uint64_t* line = m_bits.data() + size_t(y) * size_t(m_nWords);
        for (int w = w0; w <= w1; ++w) {
            const uint64_t want =
                bitsOf(w == w0 ? r.left() % 64 : 0, w == w1 ? r.right() % 64 : 63);
            if ((line[w] & want) != want)
                return false;
        }
    }
    return true;
}

void CLabelCover::Add(const QRect& rect) {
    const QRect r = Inside(rect);
    if (r.isEmpty())
        return;
    const int w0 = r.left() / 64, w1 = r.right() / 64;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        uint64_t* line = m_bits.data() + size_t(y) * size_t(m_nWords);
        for (int w = w0; w <= w1; ++w)
            line[w] |= bitsOf(w == w0 ? r.left() % 64 : 0, w == w1 ? r.right() % 64 : 63);
    }
}
