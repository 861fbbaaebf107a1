#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

// The pixels of an image that opaque label cells drawn later paint over. Going through a
// map's labels from the last drawn to the first, a label whose every pixel is covered so
// cannot be seen in the finished image and need not be drawn at all.
class CLabelCover {
public:
    explicit CLabelCover(QSize device);

    // True when every pixel of the rectangle within the image is covered.
    bool Covers(const QRect& rect) const;
    // Marks the pixels of the rectangle within the image as covered.
    void Add(const QRect& rect);

private:
    QRect Inside(const QRect& rect) const;

    QSize m_size;
    int m_nWords = 0;             // 64-bit words of one line
    std::vector<uint64_t> m_bits; // line by line, bit x % 64 of word x / 64
};
