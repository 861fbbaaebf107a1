#pragma once

#include "render/draw/DrawObjects.h"
#include "render/draw/DrawTypes.h"
#include "render/draw/FontRealizer.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <map>
#include <vector>

class QPainter;
class QTransform;

// Where a page's runs of cells go instead of its painter while a cell layer is open (see
// CDeviceContext::OpenCellLayer): a writer that keeps a large map's markers out of the
// painter's page and puts them back between what was drawn before and after.
class CCellLayer {
public:
    virtual ~CCellLayer() = default;
    // The cells that follow are in the painter's coordinates, which `toDevice` takes to the
    // device's pixels, and are clipped to `clip` there (null: not clipped). False: the layer
    // takes none (the painter fills them).
    virtual bool Open(const QTransform& toDevice, const QRect* clip) = 0;
    // A run of cells of one colour, as the painter would have filled them.
    virtual void Fill(COLORREF color, const QRect* cells, int count) = 0;
    virtual void Close() = 0;
};

// Drawing in the classic device-context manner over a QPainter, so that pixel figures
// computed for the screen hold exactly on an image and scale faithfully to paper:
//   - a pen, a brush and a font are selected and stay selected until replaced; selecting
//     hands back the object replaced, so it can be selected again afterwards;
//   - lines run from the current position up to, not including, the end point;
//   - Rectangle(l, t, r, b) covers l..r-1 and t..b-1: outline with the pen, inside with the
//     brush;
//   - TextOut writes at the text's top-left corner in the text colour on an opaque cell of
//     the background colour; FillSolidRect fills by making its colour the background colour,
//     so later text is written on that colour;
//   - nothing is antialiased but the glyphs of text.
// Coordinates are logical units. By default one logical unit is one device pixel; with
// SetWindowExt/SetViewportExt a logical unit becomes viewport/window device pixels (printing
// at screen size: window = screen dots per inch, viewport = printer dots per inch). Pens,
// fills, pixels and fonts scale with it.
//
// Initial state: black pen, white brush, Arial of height 16, black text on white, current
// position (0, 0). The painter must be active; its own settings are restored when the
// context ends.
class CDeviceContext {
public:
    explicit CDeviceContext(QPainter& painter);
    ~CDeviceContext();
    CDeviceContext(const CDeviceContext&) = delete;
    CDeviceContext& operator=(const CDeviceContext&) = delete;

    // Logical-to-device mapping: x_device = x * viewport.cx / window.cx, likewise for y.
    // Extents that are not positive are ignored.
    void SetWindowExt(int cx, int cy);
    void SetViewportExt(int cx, int cy);

    CPen SelectObject(const CPen& pen);
    CBrush SelectObject(const CBrush& brush);
    CFont SelectObject(const CFont& font);

    COLORREF SetTextColor(COLORREF color); // returns the previous colour
    COLORREF SetBkColor(COLORREF color);   // returns the previous colour
    COLORREF GetTextColor() const { return m_crText; }
    COLORREF GetBkColor() const { return m_crBk; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const CRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    // Sets the background colour and fills x..x+cx-1, y..y+cy-1 with it (nothing when a
    // size is not positive).
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void SetPixel(int x, int y, COLORREF color);
    // The pixels of an image drawn on without scaling or a transformation, for passes that
    // set pixels by the million: `perLine` receives the pixels a line holds, `writable` the
    // pixels SetPixel writes (inside the image and the clipping). Null when pixels go
    // through the painter.
    quint32* DirectPixels(qsizetype* perLine, QRect* writable) const;
    // The value SetPixel writes there for the colour.
    static quint32 PixelValue(COLORREF color) {
        return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
    }
    void TextOut(int x, int y, const QString& text);

    // From now on draws only inside the rectangle (logical units; left..right-1,
    // top..bottom-1), or everywhere again with null: pixels, fills, lines and text alike.
    void SetClipRect(const CRect* rect);

    // Metrics of the selected font and the size of a text in it, in logical units.
    CTextMetrics GetTextMetrics();
    QSize GetTextExtent(const QString& text);
    // Where TextOut(x, y, text) would draw, in device pixels within the device: `cell`, its
    // opaque cell, and `ink`, a rectangle holding every pixel it may change (the cell and
    // glyphs reaching beyond it). False when that cannot be told for sure: a text beyond
    // Latin-1, a painter that is no image of its own or scales or clips.
    bool TextArea(int x, int y, const QString& text, QRect* cell, QRect* ink);

    // On a device that is no image (a PDF, a printer, SVG), pixels and fills from now on
    // until switched off go to the painter in runs of one colour, each run one drawing
    // instead of one for each cell: a map's million places are then written in a few
    // thousand. Any other drawing of this context writes the run first, so the order of
    // what is drawn stays as it was. Images are drawn as before.
    void BatchCells(bool on);
    bool BatchesCells() const { return m_bBatchCells; }

    // The layer the batched cells go to between OpenCellLayer and CloseCellLayer (not owned;
    // null: none, the painter fills them). Everything drawn before the opening is under the
    // layer, everything after the closing over it, so a caller opens it only for a stretch
    // that draws nothing but batched cells; a change of the clipping closes it. OpenCellLayer
    // returns false (and opens nothing) without a layer or while cells are not batched.
    void SetCellLayer(CCellLayer* layer) { m_pCellLayer = layer; }
    bool HasCellLayer() const { return m_pCellLayer != nullptr; }
    bool OpenCellLayer();
    void CloseCellLayer();

    // For layers drawn with the painter's own shapes (filled areas, polylines): the painter
    // and the factors from logical units to its device pixels.
    QPainter& Painter() {
        FlushCells();
        return m_painter;
    }
    double DeviceScaleX() const { return ScaleX(); }
    double DeviceScaleY() const { return ScaleY(); }
    QSize DeviceSize() const { return m_szDevice; }

private:
    // Fills the logical cells x0..x1-1, y0..y1-1 (64-bit, so edges never overflow).
    void FillCells(qint64 x0, qint64 y0, qint64 x1, qint64 y1, COLORREF color);
    void FlushCells();
    int DeviceX(qint64 x) const;
    int DeviceY(qint64 y) const;
    double ScaleX() const { return double(m_szViewport.width()) / m_szWindow.width(); }
    double ScaleY() const { return double(m_szViewport.height()) / m_szWindow.height(); }
    const CDeviceFont& DeviceFont();
    // How far the glyphs of Latin-1 texts in the font may reach beyond a text's cell, in
    // device pixels on each side (left, top, right, bottom as margins).
    QMargins LatinOverhang(const CDeviceFont& font);

    QPainter& m_painter;
    QSize m_szDevice;
    // What the painter can reach of its device, in the painter's coordinates (its
    // transformation undone, within its clipping): nothing outside is drawn at all, so that a
    // part of a large drawing on a page writes only what shows there.
    QRect m_rectVisible;
    bool m_bBatchCells = false;
    COLORREF m_crBatch = 0;
    std::vector<QRect> m_aBatch;
    CCellLayer* m_pCellLayer = nullptr;
    bool m_bLayerOpen = false;
    // The pixels of the image the painter draws on, when single pixels can be set there
    // directly (32-bit image, painter without transformation or clipping): a map sets a
    // million of them. Null otherwise.
    quint32* m_pPixels = nullptr;
    qsizetype m_nPixelsPerLine = 0;
    QSize m_szWindow{1, 1};
    QSize m_szViewport{1, 1};
    bool m_bIdentity = true;
    CPen m_pen;
    CBrush m_brush;
    CFont m_font{16};
    COLORREF m_crText = RGB(0, 0, 0);
    COLORREF m_crBk = RGB(255, 255, 255);
    QPoint m_ptCurrent;
    CFontRealizer m_fonts;
    bool m_bClipped = false;
    QRect m_rectClip; // device pixels, while m_bClipped
    std::map<const CDeviceFont*, QMargins> m_mapOverhang;
};
