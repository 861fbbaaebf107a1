#pragma once

#include <QRect>
#include <QSize>

#include <array>
#include <cstdint>
#include <vector>

// The pixels of an image that opaque label cells drawn later paint over. Going through a
// map's labels from the last drawn to the first, a label whose every pixel is covered so
// cannot be seen in the finished image and need not be drawn at all.
//
// The pixels are kept in tiles of 64 x 64 that are made when a cell first reaches them, so
// that a poster's page of many million pixels costs only what its labels cover.
class CLabelCover {
public:
    explicit CLabelCover(QSize device);

    // True when every pixel of the rectangle within the image is covered.
    bool Covers(const QRect& rect) const;
    // Marks the pixels of the rectangle within the image as covered.
    void Add(const QRect& rect);

private:
    static constexpr int kTile = 64; // pixels on a side; one 64-bit word per line
    using Tile = std::array<uint64_t, kTile>;

    QRect Inside(const QRect& rect) const;

    QSize m_size;
    int m_nTilesX = 0, m_nTilesY = 0;
    std::vector<int> m_aTileOf; // tile index row by row: its place in m_aTiles, or -1
    std::vector<Tile> m_aTiles;
};
