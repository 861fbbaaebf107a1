#pragma once

#include "render/draw/DrawObjects.h"

#include <QFont>
#include <QFontMetrics>

#include <map>
#include <tuple>

class QPaintDevice;

// A font made for one device: the Qt font at its size in device pixels and the metrics a
// device context reports for it, in device pixels.
struct CDeviceFont {
    QFont font;
    QFontMetrics metrics{font};
    int nCell = 0; // ascent + descent
    int nAscent = 0;
    int nExternalLeading = 0;
    int nAveCharWidth = 0;
};

// Turns logical font descriptions into device fonts with the classic metrics: a positive
// height is the cell height, so a font of height 12 has ascent + descent = 12 whatever the
// face's proportions; the average character width is the weighted average of the
// lower-case letters and the space. Remembers what it has made.
class CFontRealizer {
public:
    // Fonts are measured as they come out on this device (null: the screen).
    explicit CFontRealizer(QPaintDevice* device) : m_pDevice(device) {}

    // The font for a device on which one logical unit is `scale` device pixels high.
    const CDeviceFont& Realize(const CFont& font, double scale);

private:
    // Proportions of a face, per unit of its em.
    struct Design {
        double cell = 1.0;
        double ascent = 1.0;
        double leading = 0.0;
        double aveCharWidth = 0.5;
    };
    const Design& DesignOf(const QString& face, int weight);

    QPaintDevice* m_pDevice;
    std::map<std::tuple<QString, int, int>, CDeviceFont> m_fonts;
    std::map<std::pair<QString, int>, Design> m_designs;
};
