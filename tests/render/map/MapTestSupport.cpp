#include "render/map/MapTestSupport.h"

#include "store/GeoRecordset.h"

#include <QColor>

#include <gtest/gtest.h>

namespace MapTest {

namespace {
QVariant orNull(const QString& s) {
    return s.isEmpty() ? QVariant() : QVariant(s);
}
} // namespace

TempGeo::TempGeo(const QList<GeoRow>& rows) {
    EXPECT_TRUE(m_db.Open(Path())) << qPrintable(m_db.OpenError());
    Insert(rows);
}

void TempGeo::Insert(const QList<GeoRow>& rows) {
    CGeoRecordset rs(m_db);
    ASSERT_TRUE(rs.Open(QStringLiteral("INSERT INTO GEO (Staat, PLZ, Ort, Ortsteil, Langengrad, "
                                       "Breitengrad, Memo) VALUES (?, ?, ?, ?, ?, ?, ?)")));
    for (const GeoRow& r : rows) {
        ASSERT_TRUE(rs.Rebind({orNull(r.staat), orNull(r.plz), orNull(r.ort), orNull(r.ortsteil),
                               orNull(r.lon), orNull(r.lat), orNull(r.memo)}));
        ASSERT_TRUE(rs.Execute()) << qPrintable(rs.Error());
    }
}

CMapSettings DefaultSettings(bool showNames, int markerHalfSize) {
    return CMapSettings{2.5, 17.5, 45.5, 55.5, showNames, markerHalfSize};
}

QImage Render(CMapCanvas& canvas, int width, int height) {
    const QString error = canvas.Repaint(QSize(width, height), QSize(width, height));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    return canvas.BackBuffer();
}

COLORREF Pixel(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return RGB(c.red(), c.green(), c.blue());
}

int CountColor(const QImage& image, int x, int y, int width, int height, COLORREF color) {
    int n = 0;
    for (int j = y; j < y + height; ++j)
        for (int i = x; i < x + width; ++i)
            n += image.rect().contains(i, j) && Pixel(image, i, j) == color;
    return n;
}

int CountRgb(const QImage& image, unsigned rgb) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == rgb;
    return n;
}

int CountDark(const QImage& image, int x, int y, int width, int height) {
    int n = 0;
    for (int j = y; j < y + height; ++j)
        for (int i = x; i < x + width; ++i)
            n += image.rect().contains(i, j) && qGray(image.pixel(i, j)) < 110;
    return n;
}

} // namespace MapTest
