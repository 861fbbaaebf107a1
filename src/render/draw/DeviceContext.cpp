#include "render/draw/DeviceContext.h"

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// Device coordinates are kept well inside the int range; everything beyond lies far
// outside any device anyway.
constexpr qint64 kDeviceLimit = qint64(1) << 30;

QColor toQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

int clampDevice(double v) {
    if (std::isnan(v))
        return int(-kDeviceLimit);
    return int(std::clamp(v, double(-kDeviceLimit), double(kDeviceLimit)));
}

} // namespace

CDeviceContext::CDeviceContext(QPainter& painter) : m_painter(painter), m_fonts(painter.device()) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    QPaintDevice* device = painter.device();
    m_szDevice = device ? QSize(device->width(), device->height()) : QSize();
    QRectF visible(QPointF(0, 0), QSizeF(m_szDevice));
    if (!painter.deviceTransform().isIdentity())
        visible = painter.deviceTransform().inverted().mapRect(visible);
    if (painter.hasClipping())
        visible &= painter.clipBoundingRect();
    m_rectVisible = visible.toAlignedRect();
    if (device && device->devType() == QInternal::Image && !painter.hasClipping() &&
        painter.deviceTransform().isIdentity() &&
        painter.compositionMode() == QPainter::CompositionMode_SourceOver) {
        QImage* image = static_cast<QImage*>(device);
        const QImage::Format format = image->format();
        if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
            format == QImage::Format_ARGB32_Premultiplied) {
            m_pPixels = reinterpret_cast<quint32*>(image->bits());
            m_nPixelsPerLine = image->bytesPerLine() / qsizetype(sizeof(quint32));
        }
    }
}

CDeviceContext::~CDeviceContext() {
    CloseCellLayer();
    FlushCells();
    if (m_bClipped)
        m_painter.restore();
    m_painter.restore();
}

void CDeviceContext::SetWindowExt(int cx, int cy) {
    if (cx > 0 && cy > 0)
        m_szWindow = QSize(cx, cy);
    m_bIdentity = m_szWindow == m_szViewport;
}

void CDeviceContext::SetViewportExt(int cx, int cy) {
    if (cx > 0 && cy > 0)
        m_szViewport = QSize(cx, cy);
    m_bIdentity = m_szWindow == m_szViewport;
}

CPen CDeviceContext::SelectObject(const CPen& pen) {
    return std::exchange(m_pen, pen);
}

CBrush CDeviceContext::SelectObject(const CBrush& brush) {
    return std::exchange(m_brush, brush);
}

CFont CDeviceContext::SelectObject(const CFont& font) {
    return std::exchange(m_font, font);
}

COLORREF CDeviceContext::SetTextColor(COLORREF color) {
    return std::exchange(m_crText, color);
}

COLORREF CDeviceContext::SetBkColor(COLORREF color) {
    return std::exchange(m_crBk, color);
}

int CDeviceContext::DeviceX(qint64 x) const {
    if (m_bIdentity)
        return int(std::clamp(x, -kDeviceLimit, kDeviceLimit));
    return clampDevice(std::round(double(x) * ScaleX()));
}

int CDeviceContext::DeviceY(qint64 y) const {
    if (m_bIdentity)
        return int(std::clamp(y, -kDeviceLimit, kDeviceLimit));
    return clampDevice(std::round(double(y) * ScaleY()));
}

void CDeviceContext::FillCells(qint64 x0, qint64 y0, qint64 x1, qint64 y1, COLORREF color) {
    const int left = std::max(DeviceX(x0), m_rectVisible.left());
    const int top = std::max(DeviceY(y0), m_rectVisible.top());
    const int right = std::min(DeviceX(x1), m_rectVisible.right() + 1);
    const int bottom = std::min(DeviceY(y1), m_rectVisible.bottom() + 1);
    if (left >= right || top >= bottom)
        return;
    const QRect cells(left, top, right - left, bottom - top);
    if (!m_bBatchCells) {
        m_painter.fillRect(cells, toQColor(color));
        return;
    }
    constexpr size_t kRunLimit = 8192;
    if (color != m_crBatch || m_aBatch.size() >= kRunLimit)
        FlushCells();
    m_crBatch = color;
    m_aBatch.push_back(cells);
}

void CDeviceContext::BatchCells(bool on) {
    CloseCellLayer();
    FlushCells();
    const QPaintDevice* device = m_painter.device();
    m_bBatchCells = on && device && device->devType() != QInternal::Image;
}

bool CDeviceContext::OpenCellLayer() {
    if (!m_pCellLayer || !m_bBatchCells || m_bLayerOpen)
        return false;
    FlushCells();
    m_bLayerOpen =
        m_pCellLayer->Open(m_painter.combinedTransform(), m_bClipped ? &m_rectClip : nullptr);
    return m_bLayerOpen;
}

void CDeviceContext::CloseCellLayer() {
    if (!m_bLayerOpen)
        return;
    FlushCells();
    m_bLayerOpen = false;
    m_pCellLayer->Close();
}

void CDeviceContext::FlushCells() {
    if (m_aBatch.empty())
        return;
    if (m_bLayerOpen) {
        m_pCellLayer->Fill(m_crBatch, m_aBatch.data(), int(m_aBatch.size()));
        m_aBatch.clear();
        return;
    }
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(toQColor(m_crBatch));
    m_painter.drawRects(m_aBatch.data(), int(m_aBatch.size()));
    m_painter.restore();
    m_aBatch.clear();
}

void CDeviceContext::MoveTo(int x, int y) {
    m_ptCurrent = QPoint(x, y);
}

void CDeviceContext::LineTo(int x, int y) {
    const qint64 x0 = m_ptCurrent.x(), y0 = m_ptCurrent.y();
    const COLORREF c = m_pen.m_crColor;
    m_ptCurrent = QPoint(x, y);
    if (y0 == y) {
        if (x > x0)
            FillCells(x0, y, x, qint64(y) + 1, c);
        else if (x < x0)
            FillCells(qint64(x) + 1, y, x0 + 1, qint64(y) + 1, c);
        return;
    }
    if (x0 == x) {
        if (y > y0)
            FillCells(x, y0, qint64(x) + 1, y, c);
        else
            FillCells(x, qint64(y) + 1, qint64(x) + 1, y0 + 1, c);
        return;
    }
    // A slanted line: Bresenham's steps from the start, the end point left out.
    const qint64 dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    qint64 err = dx + dy, px = x0, py = y0;
    while (px != x || py != y) {
        FillCells(px, py, px + 1, py + 1, c);
        const qint64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

void CDeviceContext::Rectangle(int left, int top, int right, int bottom) {
    qint64 l = std::min(left, right), r = std::max(left, right);
    qint64 t = std::min(top, bottom), b = std::max(top, bottom);
    if (l == r || t == b)
        return;
    FillCells(l + 1, t + 1, r - 1, b - 1, m_brush.m_crColor);
    const COLORREF c = m_pen.m_crColor;
    FillCells(l, t, r, t + 1, c);
    FillCells(l, b - 1, r, b, c);
    FillCells(l, t, l + 1, b, c);
    FillCells(r - 1, t, r, b, c);
}

void CDeviceContext::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
    m_crBk = color;
    if (cx > 0 && cy > 0)
        FillCells(x, y, qint64(x) + cx, qint64(y) + cy, color);
}

void CDeviceContext::SetPixel(int x, int y, COLORREF color) {
    if (m_pPixels && m_bIdentity) {
        // What filling the one-pixel cell gives, opaque.
        if (m_rectVisible.contains(x, y) && (!m_bClipped || m_rectClip.contains(x, y)))
            m_pPixels[y * m_nPixelsPerLine + x] = PixelValue(color);
        return;
    }
    FillCells(x, y, qint64(x) + 1, qint64(y) + 1, color);
}

quint32* CDeviceContext::DirectPixels(qsizetype* perLine, QRect* writable) const {
    if (!m_pPixels || !m_bIdentity)
        return nullptr;
    *perLine = m_nPixelsPerLine;
    *writable = m_bClipped ? m_rectVisible.intersected(m_rectClip) : m_rectVisible;
    return m_pPixels;
}

void CDeviceContext::SetClipRect(const CRect* rect) {
    CloseCellLayer(); // the layer was opened within the clipping before
    FlushCells();
    if (m_bClipped)
        m_painter.restore();
    m_bClipped = rect != nullptr;
    if (!rect)
        return;
    const int left = DeviceX(std::min(rect->left, rect->right));
    const int top = DeviceY(std::min(rect->top, rect->bottom));
    const int right = DeviceX(std::max(rect->left, rect->right));
    const int bottom = DeviceY(std::max(rect->top, rect->bottom));
    m_rectClip = QRect(left, top, right - left, bottom - top);
    // Within any clipping the painter came with.
    m_painter.save();
    m_painter.setClipRect(m_rectClip, Qt::IntersectClip);
}

const CDeviceFont& CDeviceContext::DeviceFont() {
    return m_fonts.Realize(m_font, ScaleY());
}

void CDeviceContext::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty())
        return;
    FlushCells();
    const CDeviceFont& font = DeviceFont();
    const int left = DeviceX(x), top = DeviceY(y);
    const qint64 width = font.metrics.horizontalAdvance(text);
    if (left > m_rectVisible.right() || top > m_rectVisible.bottom() ||
        left + width <= m_rectVisible.left() || top + font.nCell <= m_rectVisible.top())
        return;
    const QRect cell(left, top, int(std::min<qint64>(width, kDeviceLimit)), font.nCell);
    m_painter.fillRect(cell.intersected(m_rectVisible), toQColor(m_crBk));
    m_painter.setPen(toQColor(m_crText));
    m_painter.setFont(font.font);
    m_painter.drawText(QPoint(left, top + font.nAscent), text);
}

QMargins CDeviceContext::LatinOverhang(const CDeviceFont& font) {
    auto it = m_mapOverhang.find(&font);
    if (it != m_mapOverhang.end())
        return it->second;
    // Over every printable Latin-1 character: the glyph furthest above the ascent and below
    // the descent, and the largest negative side bearings; one pixel more for the
    // antialiased edge.
    QString latin;
    int left = 0, right = 0;
    for (char16_t c = 0x21; c <= 0xFF; ++c) {
        if (c >= 0x7F && c < 0xA1)
            continue;
        latin += QChar(c);
        left = std::max(left, -font.metrics.leftBearing(QChar(c)));
        right = std::max(right, -font.metrics.rightBearing(QChar(c)));
    }
    const QRect box = font.metrics.boundingRect(latin);
    const int above = std::max(0, -box.top() - font.nAscent);
    const int below = std::max(0, box.bottom() + 1 - (font.nCell - font.nAscent));
    const QMargins overhang(left + 1, above + 1, right + 1, below + 1);
    return m_mapOverhang.emplace(&font, overhang).first->second;
}

bool CDeviceContext::TextArea(int x, int y, const QString& text, QRect* cell, QRect* ink) {
    if (!m_pPixels || !m_bIdentity || m_bClipped)
        return false;
    if (text.isEmpty()) {
        *cell = *ink = QRect();
        return true;
    }
    for (QChar c : text) {
        if (c.unicode() > 0xFF || c.category() == QChar::Other_Control)
            return false;
    }
    const CDeviceFont& font = DeviceFont();
    const QRect device(QPoint(0, 0), m_szDevice);
    const QRect whole(x, y,
                      int(std::min<qint64>(font.metrics.horizontalAdvance(text), kDeviceLimit)),
                      font.nCell);
    *cell = whole.intersected(device);
    *ink = whole.marginsAdded(LatinOverhang(font)).intersected(device);
    return true;
}

CTextMetrics CDeviceContext::GetTextMetrics() {
    const CDeviceFont& font = DeviceFont();
    const double scale = ScaleY();
    auto logical = [scale](int device) { return int(std::lround(device / scale)); };
    CTextMetrics tm;
    tm.tmHeight = logical(font.nCell);
    tm.tmAscent = logical(font.nAscent);
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmExternalLeading = logical(font.nExternalLeading);
    tm.tmAveCharWidth = int(std::lround(font.nAveCharWidth / ScaleX()));
    return tm;
}

QSize CDeviceContext::GetTextExtent(const QString& text) {
    const CDeviceFont& font = DeviceFont();
    const int width = int(std::lround(font.metrics.horizontalAdvance(text) / ScaleX()));
    return QSize(width, GetTextMetrics().tmHeight);
}
