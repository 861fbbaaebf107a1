#pragma once

#include "render/draw/DrawTypes.h"
#include "render/map/MapCanvas.h"
#include "store/GeoDatabase.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// Helpers of the map tests: a small GEO database in a temporary folder, rendering, pixels.
namespace MapTest {

// One GEO row; empty texts are stored as NULL.
struct GeoRow {
    QString staat, plz, ort, lon, lat;
    QString memo = {};
    QString ortsteil = {};
};

// A freshly created database file with the given rows, in table order.
class TempGeo {
public:
    explicit TempGeo(const QList<GeoRow>& rows = {});
    void Insert(const QList<GeoRow>& rows);
    CGeoDatabase& Db() { return m_db; }
    QString Path() const { return m_dir.filePath(QStringLiteral("Kelvo.mde")); }

private:
    QTemporaryDir m_dir;
    CGeoDatabase m_db;
};

// The default extent with the given display settings.
CMapSettings DefaultSettings(bool showNames = false, int markerHalfSize = 0);

// A full repaint at the outer size (the image has the same size); returns the back buffer.
QImage Render(CMapCanvas& canvas, int width = 800, int height = 600);

// The pixel's colour as 0x00BBGGRR, comparable with RGB(...).
COLORREF Pixel(const QImage& image, int x, int y);

// Number of pixels of a colour inside a rectangle (x, y, width, height).
int CountColor(const QImage& image, int x, int y, int width, int height, COLORREF color);

// Number of pixels of the image in a colour given as 0xRRGGBB (as the base map's colours).
int CountRgb(const QImage& image, unsigned rgb);

// Number of pixels in a rectangle that are clearly dark (text, lines).
int CountDark(const QImage& image, int x, int y, int width, int height);

} // namespace MapTest
