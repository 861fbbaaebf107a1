#include "table/TablePrint.h"

#include "app/Progress.h"
#include "db/GeoTableDesc.h"
#include "draw/DeviceContext.h"
#include "table/GeoTableModel.h"
#include "table/TablePrintLayout.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace TablePrint {

Rows RowsOf(const CGeoTableModel& model) {
    return {model.RowCount(), [&model](int row, int column) { return model.Cell(row, column); }};
}

namespace {

int rowsPerPage(const CRect& drawRect, int printerVertRes, int lineHeight) {
    return std::min(TablePrintLayout::RowsPerPage(printerVertRes, lineHeight),
                    TablePrintLayout::RowsThatFit(drawRect.bottom - drawRect.top, lineHeight));
}

// The pages the rows need with the print font on this context.
int pageCount(CDeviceContext& dc, int rowCount, const CRect& drawRect, int printerVertRes) {
    const CFont previous = dc.SelectObject(PrintFont());
    const CTextMetrics tm = dc.GetTextMetrics();
    dc.SelectObject(previous);
    const int H = tm.tmHeight + tm.tmExternalLeading;
    return TablePrintLayout::PageCount(rowCount, rowsPerPage(drawRect, printerVertRes, H));
}

} // namespace

int DrawPage(CDeviceContext& dc, const CGeoTableDesc& desc, const Rows& rows, int page,
             const CRect& drawRect, int printerVertRes) {
    const CFont previous = dc.SelectObject(PrintFont());
    const CTextMetrics tm = dc.GetTextMetrics();
    const int H = tm.tmHeight + tm.tmExternalLeading;
    const int C = tm.tmAveCharWidth;
    const int left = drawRect.left, top = drawRect.top;
    const int right = drawRect.right, bottom = drawRect.bottom;
    const int R = rowsPerPage(drawRect, printerVertRes, H);
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

QString PrintCaption(const CGeoTableDesc& desc) {
    return QStringLiteral(" \"%1\" Tabelle wird gedruckt:").arg(desc.m_strTableName);
}

bool PrintAll(QPagedPaintDevice& device, const CGeoTableDesc& desc, const Rows& rows,
              QSize screenDpi, PageRange range, CProgress* progress) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QSize printerDpi(device.logicalDpiX(), device.logicalDpiY());
    // The printable area in screen pixels.
    const CRect drawRect{0, 0, device.width() * screenDpi.width() / printerDpi.width(),
                         device.height() * screenDpi.height() / printerDpi.height()};
    // Each page gets a device context of its own, mapping one screen pixel to the printer.
    auto pageContext = [&] {
        auto dc = std::make_unique<CDeviceContext>(painter);
        dc->SetWindowExt(screenDpi.width(), screenDpi.height());
        dc->SetViewportExt(printerDpi.width(), printerDpi.height());
        return dc;
    };
    const int pages = pageCount(*pageContext(), rows.count, drawRect, device.height());
    const int first = std::max(range.from, 1);
    const int last = range.to > 0 ? std::min(range.to, pages) : pages;

    if (progress)
        progress->Start(PrintCaption(desc));
    bool printed = true;
    for (int page = first; page <= last && printed; ++page) {
        if (page > first && !device.newPage())
            printed = false;
        else
            DrawPage(*pageContext(), desc, rows, page, drawRect, device.height());
        if (progress)
            progress->SetPos(int(qint64(100) * (page - first + 1) / (last - first + 1)));
    }
    if (progress)
        progress->Finish();
    return painter.end() && printed;
}

} // namespace TablePrint
