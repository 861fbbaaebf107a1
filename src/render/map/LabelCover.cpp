#include "render/map/LabelCover.h"

#include <algorithm>

namespace {

// The bits first..last (inclusive) of a word.
uint64_t bitsOf(int first, int last) {
    const uint64_t upTo = last == 63 ? ~uint64_t(0) : (uint64_t(1) << (last + 1)) - 1;
    return upTo & ~((uint64_t(1) << first) - 1);
}

} // namespace

CLabelCover::CLabelCover(QSize device)
    : m_size(device.expandedTo(QSize(0, 0))), m_nTilesX((m_size.width() + kTile - 1) / kTile),
      m_nTilesY((m_size.height() + kTile - 1) / kTile) {}

QRect CLabelCover::Inside(const QRect& rect) const {
    return rect.intersected(QRect(QPoint(0, 0), m_size));
}

bool CLabelCover::Covers(const QRect& rect) const {
    const QRect r = Inside(rect);
    if (r.isEmpty())
        return true;
    if (m_aTileOf.empty())
        return false;
    for (int ty = r.top() / kTile; ty <= r.bottom() / kTile; ++ty) {
        const int y0 = std::max(r.top(), ty * kTile),
                  y1 = std::min(r.bottom(), ty * kTile + kTile - 1);
        for (int tx = r.left() / kTile; tx <= r.right() / kTile; ++tx) {
            const int index = m_aTileOf[size_t(ty) * size_t(m_nTilesX) + size_t(tx)];
            if (index < 0)
                return false;
            const Tile& tile = m_aTiles[size_t(index)];
            const uint64_t want = bitsOf(tx == r.left() / kTile ? r.left() % kTile : 0,
                                         tx == r.right() / kTile ? r.right() % kTile : kTile - 1);
            for (int y = y0; y <= y1; ++y) {
                if ((tile[size_t(y % kTile)] & want) != want)
                    return false;
            }
        }
    }
    return true;
}

void CLabelCover::Add(const QRect& rect) {
    const QRect r = Inside(rect);
    if (r.isEmpty())
        return;
    if (m_aTileOf.empty())
        m_aTileOf.assign(size_t(m_nTilesX) * size_t(m_nTilesY), -1);
    for (int ty = r.top() / kTile; ty <= r.bottom() / kTile; ++ty) {
        const int y0 = std::max(r.top(), ty * kTile),
                  y1 = std::min(r.bottom(), ty * kTile + kTile - 1);
        for (int tx = r.left() / kTile; tx <= r.right() / kTile; ++tx) {
            int& index = m_aTileOf[size_t(ty) * size_t(m_nTilesX) + size_t(tx)];
            if (index < 0) {
                index = int(m_aTiles.size());
                m_aTiles.push_back(Tile{});
            }
            Tile& tile = m_aTiles[size_t(index)];
            const uint64_t bits = bitsOf(tx == r.left() / kTile ? r.left() % kTile : 0,
                                         tx == r.right() / kTile ? r.right() % kTile : kTile - 1);
            for (int y = y0; y <= y1; ++y)
                tile[size_t(y % kTile)] |= bits;
        }
    }
}
