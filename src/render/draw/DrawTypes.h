#pragma once

#include <cstdint>

// A colour as 0x00BBGGRR: red in the low byte, then green, then blue.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return int((c >> 16) & 0xFF);
}

// A rectangle of four ints in the drawing convention of the device context: the right and
// bottom edges lie outside, so a point is inside when left <= x < right and top <= y < bottom.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool PtInRect(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool operator==(const CRect&) const = default;
};
