#include "render/draw/FontRealizer.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// Cell height of a font whose height is given as 0.
constexpr int kDefaultCellHeight = 16;
// Largest font size made, in device pixels; keeps absurd heights from a place file harmless.
constexpr int kMaxDevicePixels = 20000;
// The em size at which a face's proportions are measured.
constexpr int kDesignPixels = 1000;

// Frequencies per thousand of the letters a to z and the space in text, the weights of the
// classic average character width.
constexpr int kLetterWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6, 35, 20,
                                    56, 56, 17, 4,  49,  56, 71, 31, 10, 18, 3, 18, 2};
constexpr int kSpaceWeight = 166;

QFont makeQFont(const QString& face, int weight, int pixels) {
    QFont font(face);
    font.setWeight(QFont::Weight(std::clamp(weight == 0 ? 400 : weight, 1, 1000)));
    font.setPixelSize(pixels);
    // Text advances are the sum of the character widths, without pair kerning.
    font.setKerning(false);
    return font;
}

} // namespace

const CFontRealizer::Design& CFontRealizer::DesignOf(const QString& face, int weight) {
    const auto key = std::make_pair(face, weight);
    auto it = m_designs.find(key);
    if (it != m_designs.end())
        return it->second;
    const QFont font = makeQFont(face, weight, kDesignPixels);
    const QFontMetricsF m = m_pDevice ? QFontMetricsF(font, m_pDevice) : QFontMetricsF(font);
    Design d;
    if (m.ascent() + m.descent() > 0) {
        d.cell = (m.ascent() + m.descent()) / kDesignPixels;
        d.ascent = m.ascent() / kDesignPixels;
        d.leading = std::max(0.0, m.leading()) / kDesignPixels;
        double sum = kSpaceWeight * m.horizontalAdvance(QLatin1Char(' '));
        for (int i = 0; i < 26; ++i)
            sum += kLetterWeights[i] * m.horizontalAdvance(QLatin1Char(char('a' + i)));
        d.aveCharWidth = sum / 1000.0 / kDesignPixels;
    }
    return m_designs.emplace(key, d).first->second;
}

const CDeviceFont& CFontRealizer::Realize(const CFont& font, double scale) {
    const int height = font.m_nHeight == 0 ? kDefaultCellHeight : font.m_nHeight;
    const double pixels = std::min(std::abs(double(height)) * scale, double(kMaxDevicePixels));
    const int devHeight = std::max(1, int(std::lround(pixels))) * (height < 0 ? -1 : 1);
    const auto key = std::make_tuple(font.m_strFace, font.m_nWeight, devHeight);
    auto it = m_fonts.find(key);
    if (it != m_fonts.end())
        return it->second;

    const Design& d = DesignOf(font.m_strFace, font.m_nWeight);
    int cell, em;
    if (devHeight > 0) {
        cell = devHeight;
        em = std::max(1, int(std::lround(cell / d.cell)));
    } else {
        em = -devHeight;
        cell = std::max(1, int(std::lround(em * d.cell)));
    }
    CDeviceFont df;
    df.font = makeQFont(font.m_strFace, font.m_nWeight, em);
    df.metrics = m_pDevice ? QFontMetrics(df.font, m_pDevice) : QFontMetrics(df.font);
    df.nCell = cell;
    df.nAscent = int(std::lround(cell * d.ascent / d.cell));
    df.nExternalLeading = int(std::lround(em * d.leading));
    df.nAveCharWidth = int(std::lround(em * d.aveCharWidth));
    return m_fonts.emplace(key, df).first->second;
}
