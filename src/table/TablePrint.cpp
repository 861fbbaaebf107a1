#include "table/TablePrint.h"

#include "db/GeoTableDesc.h"
#include "draw/DeviceContext.h"
#include "table/TablePrintLayout.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace TablePrint {

int DrawPage(CDeviceContext& dc, const CGeoTableDesc& desc, const Rows& rows, int page,
             const CRect& drawRect, int printerVertRes) {
    const CFont previous = dc.SelectObject(PrintFont());
    const CTextMetrics tm = dc.GetTextMetrics();
    const int H = tm.tmHeight + tm.tmExternalLeading;
    const int C = tm.tmAveCharWidth;
    const int left = drawRect.left, top = drawRect.top;
    const int right = drawRect.right, bottom = drawRect.bottom;
    const int R = TablePrintLayout::RowsPerPage(printerVertRes, H);
    const int P = TablePrintLayout::PageCount(rows.count, R);

    // Frame, column lines and the line under the header.
    const int frameBottom = bottom - 2 * H;
    dc.Rectangle(left, top, right, frameBottom);
    int x = left;
    for (int i = 1; i < desc.m_nFields; ++i) {
        dc.MoveTo(x, top);
        dc.LineTo(x, frameBottom);
        x += desc.FieldSize(i);
    }
    dc.MoveTo(left, top + 2 * H);
    dc.LineTo(right, top + 2 * H);

    // Header texts, never cut.
    x = left + C;
    for (int i = 1; i < desc.m_nFields; ++i) {
        dc.TextOut(x, top + H, desc.FieldName(i));
        x += desc.FieldSize(i);
    }

    // The page's rows; lines past the last row stay empty.
    int y = top + H + int(1.5 * H);
    for (int j = 0; j < R; ++j) {
        const qint64 row = qint64(R) * (page - 1) + j;
        x = left + C;
        for (int i = 1; i < desc.m_nFields; ++i) {
            const int w = desc.FieldSize(i);
            QString text = row < rows.count ? rows.cell(int(row), i) : QString();
            text = TablePrintLayout::FitToColumn(text, w, C);
            text = TablePrintLayout::FitToPage(text, right - x, C);
            dc.TextOut(x, y, text);
            x += w;
        }
        y += H;
    }

    dc.TextOut(left + C, bottom - H, TablePrintLayout::Footer(page, P, desc.m_strTableName));
    dc.SelectObject(previous);
    return P;
}

bool PrintAll(QPagedPaintDevice& device, const CGeoTableDesc& desc, const Rows& rows,
              QSize screenDpi) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QSize printerDpi(device.logicalDpiX(), device.logicalDpiY());
    // The printable area in screen pixels.
    const CRect drawRect{0, 0, device.width() * screenDpi.width() / printerDpi.width(),
                         device.height() * screenDpi.height() / printerDpi.height()};
    int pages = 1;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !device.newPage())
            return false;
        CDeviceContext dc(painter);
        dc.SetWindowExt(screenDpi.width(), screenDpi.height());
        dc.SetViewportExt(printerDpi.width(), printerDpi.height());
        pages = DrawPage(dc, desc, rows, page, drawRect, device.height());
    }
    return painter.end();
}

} // namespace TablePrint
