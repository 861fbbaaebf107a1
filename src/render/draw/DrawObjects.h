#pragma once

#include "render/draw/DrawTypes.h"

#include <QString>

// The drawing objects a device context selects. Plain values: selecting one into a device
// context copies it, and the context hands back the object it replaced.

// A solid pen one logical unit wide.
struct CPen {
    CPen() = default;
    explicit CPen(COLORREF color) : m_crColor(color) {}
    COLORREF m_crColor = RGB(0, 0, 0);
};

// A solid brush; the interior of rectangles is filled with it.
struct CBrush {
    CBrush() = default;
    explicit CBrush(COLORREF color) : m_crColor(color) {}
    COLORREF m_crColor = RGB(255, 255, 255);
};

// A font described by a height in logical units, a weight and a face name. A positive
// height is the character cell height (ascent + descent), a negative one the height of the
// characters alone (the em), 0 the default cell height of 16. Weight 400 is normal, 700
// bold. "Arial" is matched by the system's font configuration (Liberation Sans, which has
// the same metrics).
struct CFont {
    CFont() = default;
    explicit CFont(int height, int weight = 400, const QString& face = QStringLiteral("Arial"))
        : m_nHeight(height), m_nWeight(weight), m_strFace(face) {}
    int m_nHeight = 0;
    int m_nWeight = 400;
    QString m_strFace = QStringLiteral("Arial");
};

// Metrics of the selected font, in logical units.
struct CTextMetrics {
    int tmHeight = 0;          // cell height: ascent + descent
    int tmAscent = 0;          // from the top of the cell to the base line
    int tmDescent = 0;         // from the base line to the bottom of the cell
    int tmExternalLeading = 0; // extra space the font asks for between lines
    int tmAveCharWidth = 0;    // average width of lower-case text
};
