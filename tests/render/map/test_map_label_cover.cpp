// Labels of a place list hidden under later labels are left out of a repaint: the image is
// the one drawing every label gives, and what a label may touch is known beforehand.
#include "common/LiveHeap.h"
#include "render/draw/DeviceContext.h"
#include "render/map/LabelCover.h"
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

} // namespace

TEST(LabelCover, CoversOnlyWhatWasAddedAcrossWordEdgesAndClipsToTheImage) {
    CLabelCover cover(QSize(200, 50));
    EXPECT_FALSE(cover.Covers(QRect(0, 0, 1, 1)));
    cover.Add(QRect(60, 10, 70, 5)); // x 60..129 spans three words of a line
    EXPECT_TRUE(cover.Covers(QRect(60, 10, 70, 5)));
    EXPECT_TRUE(cover.Covers(QRect(63, 11, 2, 2)));
    EXPECT_FALSE(cover.Covers(QRect(59, 10, 2, 1)));
    EXPECT_FALSE(cover.Covers(QRect(129, 10, 2, 1)));
    EXPECT_FALSE(cover.Covers(QRect(60, 14, 70, 2)));
    // Two cells side by side cover what neither covers alone.
    cover.Add(QRect(130, 10, 10, 5));
    EXPECT_TRUE(cover.Covers(QRect(100, 10, 40, 5)));
    // Outside the image nothing is drawn: covered; a cell reaching out covers its inside.
    EXPECT_TRUE(cover.Covers(QRect(-20, -20, 10, 10)));
    cover.Add(QRect(190, 40, 50, 50));
    EXPECT_TRUE(cover.Covers(QRect(195, 45, 100, 100)));
    EXPECT_FALSE(cover.Covers(QRect(185, 45, 10, 2)));
}

TEST(LabelCover, APosterPageCostsOnlyWhatItsCellsReachAndCoversAcrossTileEdges) {
    // An A0 page at 1200 dots to the inch: a bit per pixel would be 340 MB.
    const qint64 before = LiveHeap::Bytes();
    CLabelCover cover(QSize(56160, 39720));
    EXPECT_FALSE(cover.Covers(QRect(1000, 1000, 1, 1)));
    cover.Add(QRect(1000, 1000, 300, 100)); // across tiles in both directions
    cover.Add(QRect(56100, 39700, 100, 100));
    EXPECT_LT(LiveHeap::Bytes() - before, 8 * 1024 * 1024);
    EXPECT_TRUE(cover.Covers(QRect(1000, 1000, 300, 100)));
    EXPECT_TRUE(cover.Covers(QRect(1020, 1020, 260, 60)));
    EXPECT_FALSE(cover.Covers(QRect(1000, 1099, 300, 2)));
    EXPECT_FALSE(cover.Covers(QRect(999, 1000, 2, 2)));
    EXPECT_FALSE(cover.Covers(QRect(1299, 1050, 2, 1)));
    EXPECT_TRUE(cover.Covers(QRect(56150, 39710, 500, 500)));
    // Cells meeting at a tile's edge from above and below.
    cover.Add(QRect(5000, 5000, 20, 120)); // rows 5000..5119, tiles 78 and 79
    cover.Add(QRect(5000, 5120, 20, 8));
    EXPECT_TRUE(cover.Covers(QRect(5000, 5000, 20, 128)));
    EXPECT_FALSE(cover.Covers(QRect(5000, 5000, 20, 129)));
}

TEST(LabelCover, TheTextAreaHoldsEveryPixelTextOutChanges) {
    // Glyphs reaching above the ascent, below the descent and beyond their advance.
    const QStringList texts{QStringLiteral(" ÄÅÉÎÖÜ "), QStringLiteral("gjpqy_|"),
                            QStringLiteral("ÿþçßf"), QStringLiteral("W")};
    for (int height : {8, 14, 23, 40}) {
        for (const QString& text : texts) {
            QImage image(300, 120, QImage::Format_RGB32);
            image.fill(kWhite);
            QRect cell, ink;
            {
                QPainter painter(&image);
                CDeviceContext dc(painter);
                dc.SelectObject(CFont(height));
                dc.SetBkColor(RGB(255, 255, 255));
                ASSERT_TRUE(dc.TextArea(20, 30, text, &cell, &ink));
                dc.TextOut(20, 30, text);
            }
            EXPECT_EQ(cell.topLeft(), QPoint(20, 30));
            EXPECT_TRUE(ink.contains(cell));
            int changed = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != kWhite) {
                        ++changed;
                        EXPECT_TRUE(ink.contains(x, y))
                            << height << " " << text.toStdString() << " " << x << "," << y;
                    }
                }
            }
            EXPECT_GT(changed, 0);
        }
    }
    // Beyond Latin-1 the reach is not known, nor on a painter that clips.
    QImage image(50, 50, QImage::Format_RGB32);
    QPainter painter(&image);
    QRect cell, ink;
    {
        CDeviceContext dc(painter);
        EXPECT_FALSE(dc.TextArea(0, 0, QStringLiteral("Ωμέγα"), &cell, &ink));
    }
    painter.setClipRect(0, 0, 50, 50);
    CDeviceContext dc(painter);
    EXPECT_FALSE(dc.TextArea(0, 0, QStringLiteral("A"), &cell, &ink));
}

TEST(LabelCover, ARepaintLeavingHiddenLabelsOutDrawsTheSameImage) {
    // A crowd of labels of several sizes and colours over a few places, on markers of
    // several sizes, one in Greek (always drawn), some taking the place's name.
    TempGeo geo({{"DE", "60311", "Frankfurt", "8.6", "49.3"},
                 {"DE", "60313", "Frankfurt", "8.62", "49.31"},
                 {"DE", "63065", "Offenbach", "8.75", "49.2"},
                 {"DE", "55116", "Mainz", "8.27", "49.1"},
                 {"DE", "65183", "Wiesbaden", "8.24", "49.18"}});
    const char* const plz[] = {"60311", "60313", "63065", "55116", "65183"};
    QByteArray file;
    for (int i = 0; i < 400; ++i) {
        const QByteArray label = i % 37 == 0   ? QByteArray("Ωμέγα")
                                 : i % 11 == 0 ? QByteArray("0")
                                               : "Kunde Ä" + QByteArray::number(i * 7919 % 1000);
        file += QByteArray("DE;") + plz[i % 5] + ";0;" + QByteArray::number(i % 4) + ";0;" +
                QByteArray::number(i % 256) + ",100,50;" + QByteArray::number(255 - i % 256) +
                ",0,0;" + QByteArray::number(8 + i % 13) + ";" + label + "\n";
    }
    CPlaceList places;
    ASSERT_TRUE(CPlaceFileReader().Read(file, places));
    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    const QImage fast = Render(canvas);

    // The same repaint through a painter that clips: every label is drawn there.
    QImage every(fast.size(), QImage::Format_RGB32);
    every.fill(kWhite);
    {
        QPainter painter(&every);
        painter.setClipRect(every.rect());
        CDeviceContext dc(painter);
        ASSERT_TRUE(canvas.OnDraw(dc, every.size()).isEmpty());
    }
    EXPECT_EQ(fast, every);
}
