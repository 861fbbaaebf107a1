#pragma once

#include <QFont>
#include <QRect>

// Dialog layouts are given in dialog units: a quarter of the dialog font's average character
// width horizontally and an eighth of its height vertically. This turns them into pixels.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    // The dialog font: "Arial", 8 points.
    static QFont DialogFont();

    // Rounded to the nearest pixel, halves away from zero, as dialogs are laid out.
    int X(int dlu) const { return Scale(dlu, m_nBaseX, 4); }
    int Y(int dlu) const { return Scale(dlu, m_nBaseY, 8); }
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

    int m_nBaseX; // average character width in pixels
    int m_nBaseY; // character height in pixels

private:
    static int Scale(int value, int base, int divisor) {
        const int scaled = value * base;
        return scaled >= 0 ? (scaled + divisor / 2) / divisor
                           : -((-scaled + divisor / 2) / divisor);
    }
};
