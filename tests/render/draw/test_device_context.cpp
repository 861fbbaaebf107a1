// The device context's drawing rules on an image: end points and right/bottom edges left
// out, opaque text cells, FillSolidRect's background colour, font metrics, scaling.
#include "render/draw/DeviceContext.h"
#include "render/map/MapTestSupport.h"

#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

using MapTest::CountColor;
using MapTest::Pixel;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

QImage blank(int w = 60, int h = 40) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(DeviceContext, LinesLeaveOutTheirEndPointInEveryDirection) {
    struct Case {
        int x0, y0, x1, y1;
        int firstX, firstY, lastX, lastY; // first and last pixel drawn
        int count;
    };
    const Case cases[] = {
        {10, 5, 20, 5, 10, 5, 19, 5, 10},    // right
        {20, 5, 10, 5, 20, 5, 11, 5, 10},    // left
        {7, 10, 7, 30, 7, 10, 7, 29, 20},    // down
        {7, 30, 7, 10, 7, 30, 7, 11, 20},    // up
        {30, 10, 35, 15, 30, 10, 34, 14, 5}, // slanted
    };
    for (const Case& c : cases) {
        QImage image = blank();
        {
            QPainter painter(&image);
            CDeviceContext dc(painter);
            dc.SelectObject(CPen(kRed));
            dc.MoveTo(c.x0, c.y0);
            dc.LineTo(c.x1, c.y1);
        }
        SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1);
        EXPECT_EQ(Pixel(image, c.firstX, c.firstY), kRed);
        EXPECT_EQ(Pixel(image, c.lastX, c.lastY), kRed);
        EXPECT_EQ(Pixel(image, c.x1, c.y1), kWhite);
        EXPECT_EQ(CountColor(image, 0, 0, 60, 40, kRed), c.count);
    }
}

TEST(DeviceContext, RectangleOutlinesWithThePenFillsWithTheBrushAndLeavesRightAndBottomOut) {
    QImage image = blank();
    {
        QPainter painter(&image);
        CDeviceContext dc(painter);
        dc.SelectObject(CPen(kRed));
        const CBrush old = dc.SelectObject(CBrush(RGB(0, 0, 200)));
        EXPECT_EQ(old.m_crColor, kWhite); // the default brush is white
        dc.Rectangle(10, 10, 20, 16);
        dc.SelectObject(old);
        dc.SelectObject(CPen(kBlack));
        dc.Rectangle(40, 30, 30, 20); // corners given the other way round
    }
    EXPECT_EQ(CountColor(image, 10, 10, 10, 6, kRed), 2 * 10 + 2 * 4);
    EXPECT_EQ(Pixel(image, 19, 15), kRed);
    EXPECT_EQ(Pixel(image, 20, 15), kWhite);
    EXPECT_EQ(Pixel(image, 19, 16), kWhite);
    EXPECT_EQ(CountColor(image, 11, 11, 8, 4, RGB(0, 0, 200)), 32);
    EXPECT_EQ(Pixel(image, 30, 20), kBlack);
    EXPECT_EQ(Pixel(image, 39, 29), kBlack);
    EXPECT_EQ(Pixel(image, 40, 29), kWhite);
}

TEST(DeviceContext, FillSolidRectSetsTheBackgroundColourOfLaterText) {
    QImage image = blank(120, 40);
    {
        QPainter painter(&image);
        CDeviceContext dc(painter);
        EXPECT_EQ(dc.GetBkColor(), kWhite);
        dc.FillSolidRect(2, 2, 4, 3, RGB(0, 200, 0));
        dc.FillSolidRect(50, 2, 0, 3, RGB(0, 0, 200)); // empty, but the colour is taken
        EXPECT_EQ(dc.GetBkColor(), RGB(0, 0, 200));
        dc.SelectObject(CFont(12));
        dc.TextOut(20, 10, QStringLiteral(" x "));
    }
    EXPECT_EQ(CountColor(image, 0, 0, 10, 10, RGB(0, 200, 0)), 12);
    EXPECT_EQ(Pixel(image, 20, 10), RGB(0, 0, 200));
    EXPECT_EQ(CountColor(image, 50, 0, 2, 10, RGB(0, 0, 200)), 0);
}

TEST(DeviceContext, TextIsWrittenOnAnOpaqueCellAtItsTopLeftCorner) {
    QImage image = blank(200, 60);
    QSize extent;
    CTextMetrics tm;
    {
        QPainter painter(&image);
        CDeviceContext dc(painter);
        dc.SelectObject(CFont(14));
        dc.SetTextColor(RGB(0, 0, 255));
        dc.SetBkColor(RGB(220, 220, 0));
        dc.TextOut(30, 20, QStringLiteral(" Mühlheim "));
        extent = dc.GetTextExtent(QStringLiteral(" Mühlheim "));
        tm = dc.GetTextMetrics();
    }
    const COLORREF bk = RGB(220, 220, 0);
    EXPECT_EQ(extent.height(), 14);
    EXPECT_EQ(tm.tmHeight, 14);
    // The cell's corners (blank around the text) and nothing beyond them.
    EXPECT_EQ(Pixel(image, 30, 20), bk);
    EXPECT_EQ(Pixel(image, 30 + extent.width() - 1, 20), bk);
    EXPECT_EQ(Pixel(image, 30, 20 + 13), bk);
    EXPECT_EQ(Pixel(image, 30 + extent.width(), 20), kWhite);
    EXPECT_EQ(Pixel(image, 29, 20), kWhite);
    EXPECT_EQ(Pixel(image, 30, 19), kWhite);
    EXPECT_EQ(Pixel(image, 30, 34), kWhite);
    // The glyphs are in the text colour.
    EXPECT_GT(CountColor(image, 30, 20, extent.width(), 14, RGB(0, 0, 255)), 10);
}

TEST(DeviceContext, FontsAreMadeFromTheirCellHeightWithClassicMetrics) {
    QImage image = blank();
    QPainter painter(&image);
    CDeviceContext dc(painter);
    struct Case {
        int height, cell, leading, aveChar;
    };
    // Arial-compatible proportions: cell = 1.117 em, average lower-case width 0.44 em.
    for (const Case c :
         {Case{12, 12, 0, 5}, Case{14, 14, 0, 6}, Case{22, 22, 1, 9}, Case{-11, 12, 0, 5}}) {
        dc.SelectObject(CFont(c.height));
        const CTextMetrics tm = dc.GetTextMetrics();
        SCOPED_TRACE(c.height);
        EXPECT_EQ(tm.tmHeight, c.cell);
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        EXPECT_GT(tm.tmAscent, tm.tmDescent);
        EXPECT_EQ(tm.tmExternalLeading, c.leading);
        EXPECT_EQ(tm.tmAveCharWidth, c.aveChar);
    }
    // Selecting hands back the font replaced.
    const CFont old = dc.SelectObject(CFont(30));
    EXPECT_EQ(old.m_nHeight, -11);
}

TEST(DeviceContext, LogicalUnitsScaleToTheViewportExtent) {
    // 96 screen dots per inch on 600 printer dots: a logical unit is 6.25 device pixels;
    // 2 on 4 makes it exactly 2.
    QImage image = blank(120, 120);
    CTextMetrics printed;
    {
        QPainter painter(&image);
        CDeviceContext dc(painter);
        dc.SetWindowExt(2, 2);
        dc.SetViewportExt(4, 4);
        dc.SelectObject(CPen(kRed));
        dc.Rectangle(5, 5, 10, 8);
        dc.SetPixel(20, 20, kBlack);
        dc.SelectObject(CFont(12));
        EXPECT_EQ(dc.GetTextMetrics().tmHeight, 12);
        dc.SetWindowExt(96, 96);
        dc.SetViewportExt(600, 600);
        printed = dc.GetTextMetrics();
    }
    // Outline two device pixels wide: 10..19 x 10..15, inside 12..17 x 12..13 white.
    EXPECT_EQ(CountColor(image, 10, 10, 10, 6, kRed), 60 - 12);
    EXPECT_EQ(Pixel(image, 19, 15), kRed);
    EXPECT_EQ(Pixel(image, 20, 15), kWhite);
    EXPECT_EQ(CountColor(image, 40, 40, 2, 2, kBlack), 4);
    EXPECT_EQ(printed.tmHeight, 12);
    EXPECT_EQ(printed.tmAveCharWidth, 5);
}

TEST(DeviceContext, AClipRectKeepsPixelsFillsLinesAndTextInsideUntilCleared) {
    QImage image = blank();
    {
        QPainter painter(&image);
        CDeviceContext dc(painter);
        const CRect clip{10, 10, 30, 20};
        dc.SetClipRect(&clip);
        dc.SetPixel(9, 15, kRed);
        dc.SetPixel(10, 15, kRed);
        dc.SetPixel(10, 19, kRed);
        dc.SetPixel(10, 20, kRed);
        dc.FillSolidRect(0, 0, 60, 12, kBlack); // rows 10 and 11 of the clip only
        dc.MoveTo(5, 18);
        dc.LineTo(50, 18);
        dc.SetTextColor(kBlack);
        dc.SetBkColor(kRed);
        dc.TextOut(25, 12, QStringLiteral("Text"));
        dc.SetClipRect(nullptr);
        dc.SetPixel(40, 30, kRed);
    }
    EXPECT_EQ(Pixel(image, 9, 15), kWhite);
    EXPECT_EQ(Pixel(image, 10, 15), kRed);
    EXPECT_EQ(Pixel(image, 10, 19), kRed);
    EXPECT_EQ(Pixel(image, 10, 20), kWhite);
    EXPECT_EQ(CountColor(image, 0, 0, 60, 12, kBlack), 2 * 20);
    EXPECT_EQ(CountColor(image, 0, 18, 25, 1, kBlack), 15); // the text covers the rest
    // The text cell is cut at the clip's right and bottom edges.
    EXPECT_EQ(CountColor(image, 30, 0, 30, 40, kRed), 1); // the pixel drawn after clearing
    EXPECT_EQ(CountColor(image, 0, 20, 30, 20, kRed), 0);
}

TEST(DeviceContext, APainterMovedOverItsDeviceDrawsWhatLandsOnIt) {
    // A part of a larger drawing: the painter shifted 100 to the left and clipped.
    QImage image = blank(50, 40);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(0, 0, 30, 40));
        painter.translate(-100, 0);
        CDeviceContext dc(painter);
        dc.FillSolidRect(120, 10, 4, 4, kRed); // at 20, 10 on the image
        dc.SetPixel(105, 2, kBlack);
        dc.FillSolidRect(135, 10, 4, 4, kRed); // past the clip
        dc.SetBkColor(kRed);
        dc.TextOut(110, 20, QStringLiteral("W"));
    }
    EXPECT_EQ(CountColor(image, 20, 10, 4, 4, kRed), 16);
    EXPECT_EQ(Pixel(image, 5, 2), kBlack);
    EXPECT_EQ(CountColor(image, 30, 0, 20, 40, kWhite), 20 * 40);
    EXPECT_GT(CountColor(image, 10, 20, 15, 20, kRed), 10);
}

TEST(DeviceContext, CellsBatchedForAPagedDeviceKeepTheirOrder) {
    // A picture is no image, as a PDF page is not: its cells go in runs of one colour.
    QPicture picture;
    picture.setBoundingRect(QRect(0, 0, 60, 40));
    {
        QPainter painter(&picture);
        CDeviceContext dc(painter);
        dc.FillSolidRect(0, 0, 60, 40, kWhite);
        dc.BatchCells(true);
        dc.FillSolidRect(0, 0, 8, 8, kRed);
        dc.FillSolidRect(4, 4, 8, 8, kBlack);
        dc.SetPixel(6, 6, kRed);
        dc.SetBkColor(kWhite);
        dc.TextOut(20, 0, QStringLiteral("W")); // over what was batched before it
        dc.FillSolidRect(20, 0, 2, 2, kBlack);  // and under what comes after
        dc.BatchCells(false);
        dc.SetPixel(40, 30, kRed);
    }
    QImage image = blank();
    {
        QPainter painter(&image);
        picture.play(&painter);
    }
    EXPECT_EQ(Pixel(image, 1, 1), kRed);
    EXPECT_EQ(Pixel(image, 10, 10), kBlack);
    EXPECT_EQ(Pixel(image, 6, 6), kRed);
    EXPECT_EQ(Pixel(image, 7, 7), kBlack);
    EXPECT_EQ(Pixel(image, 21, 1), kBlack);
    EXPECT_EQ(Pixel(image, 40, 30), kRed);
}
