#include "render/table/TablePrint.h"

#include "base/GeoTableDesc.h"
#include "base/Progress.h"
#include "render/draw/DeviceContext.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TablePrintLayout.h"

#include <QBuffer>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <limits>
#include <memory>

namespace TablePrint {

Rows RowsOf(const CGeoTableModel& model) {
    Rows rows;
    rows.count = model.RowCount();
    rows.cell = [&model](int row, int column) {
        if (column < CGeoTableModel::kColumns)
            return model.Cell(row, column);
        return model.data(model.index(row, column)).toString();
    };
    if (model.HasDistanceColumn())
        rows.extra << ExtraColumn{
            model.headerData(CGeoTableModel::kColumns, Qt::Horizontal).toString(),
            kDistanceColumnWidth};
    return rows;
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

QList<int> ColumnWidths(const CGeoTableDesc& desc, int pageWidth, const QList<ExtraColumn>& extra) {
    QList<int> widths;
    for (int i = 1; i < desc.m_nFields; ++i)
        widths << desc.FieldSize(i);
    for (const ExtraColumn& column : extra)
        widths << column.width;
    return TablePrintLayout::ColumnWidths(widths, pageWidth);
}

QPageLayout::Orientation FitOrientation(const CGeoTableDesc& desc, const QPageLayout& layout,
                                        int screenDpiX, const QList<ExtraColumn>& extra) {
    int tableWidth = 0;
    for (int w : ColumnWidths(desc, std::numeric_limits<int>::max(), extra))
        tableWidth += w;
    auto pageWidth = [screenDpiX](const QPageLayout& l) {
        return l.paintRect(QPageLayout::Inch).width() * screenDpiX;
    };
    QPageLayout turned = layout;
    turned.setOrientation(layout.orientation() == QPageLayout::Portrait ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
    if (tableWidth <= pageWidth(layout) || pageWidth(turned) <= pageWidth(layout))
        return layout.orientation();
    return turned.orientation();
}

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

    // The columns as wide as on the screen, or narrower in proportion where they would not
    // fit the page together.
    // Printed column i (from 1) shows cell column i: the fields, then the extra columns.
    const QList<int> widths = ColumnWidths(desc, right - left, rows.extra);
    const bool shrunk = widths != ColumnWidths(desc, std::numeric_limits<int>::max(), rows.extra);
    const int columns = int(widths.size()) + 1;
    auto width = [&](int i) { return widths[i - 1]; };
    auto title = [&](int i) {
        return i < desc.m_nFields ? desc.FieldName(i) : rows.extra.at(i - desc.m_nFields).title;
    };
    auto measure = [&dc](const QString& text) { return dc.GetTextExtent(text).width(); };

    // Frame, column lines and the line under the header.
    const int frameBottom = bottom - 2 * H;
    dc.Rectangle(left, top, right, frameBottom);
    int x = left;
    for (int i = 1; i < columns; ++i) {
        dc.MoveTo(x, top);
        dc.LineTo(x, frameBottom);
        x += width(i);
    }
    dc.MoveTo(left, top + 2 * H);
    dc.LineTo(right, top + 2 * H);

    // The room of a text at x in column i: up to the next column line (for the last column
    // the frame's right edge). A text never runs past it without "...".
    auto room = [&](int i, int textX, int columnX) {
        const int end = i + 1 < columns ? columnX + width(i) : right;
        return end - textX;
    };

    // Header texts: cut only in columns made narrower than on the screen.
    x = left + C;
    for (int i = 1; i < columns; ++i) {
        const QString name = title(i);
        dc.TextOut(x, top + H,
                   shrunk ? TablePrintLayout::Elide(name, room(i, x, x - C), measure) : name);
        x += width(i);
    }

    // The page's rows; lines past the last row stay empty.
    int y = top + H + int(1.5 * H);
    for (int j = 0; j < R; ++j) {
        const qint64 row = qint64(R) * (page - 1) + j;
        x = left + C;
        for (int i = 1; i < columns; ++i) {
            const int w = width(i);
            QString text = row < rows.count ? rows.cell(int(row), i) : QString();
            text = TablePrintLayout::FitToColumn(text, w, C);
            text = TablePrintLayout::FitToPage(text, right - x, C);
            if (!text.isEmpty())
                text = TablePrintLayout::Elide(text, room(i, x, x - C), measure);
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

namespace {

// A painter on a paged device, with the printable area and device contexts in screen pixels.
struct CPageMapping {
    CPageMapping(QPagedPaintDevice& device, QPainter& painter, QSize screenDpi)
        : painter(painter), screenDpi(screenDpi),
          printerDpi(device.logicalDpiX(), device.logicalDpiY()),
          drawRect{0, 0, device.width() * screenDpi.width() / printerDpi.width(),
                   device.height() * screenDpi.height() / printerDpi.height()},
          vertRes(device.height()) {}
    // Each page gets a device context of its own, mapping one screen pixel to the printer.
    std::unique_ptr<CDeviceContext> Context() const {
        auto dc = std::make_unique<CDeviceContext>(painter);
        dc->SetWindowExt(screenDpi.width(), screenDpi.height());
        dc->SetViewportExt(printerDpi.width(), printerDpi.height());
        return dc;
    }
    int Pages(int rowCount) const { return pageCount(*Context(), rowCount, drawRect, vertRes); }

    QPainter& painter;
    QSize screenDpi, printerDpi;
    CRect drawRect;
    int vertRes;
};

} // namespace

int PageCount(const CGeoTableDesc& desc, int rowCount, const QPageLayout& layout, int resolution,
              QSize screenDpi, const QList<ExtraColumn>& extra) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    writer.setPageOrientation(FitOrientation(desc, layout, screenDpi.width(), extra));
    QPainter painter;
    if (!painter.begin(&writer))
        return 1;
    const int pages = CPageMapping(writer, painter, screenDpi).Pages(rowCount);
    painter.end();
    return pages;
}

bool PrintAll(QPagedPaintDevice& device, const CGeoTableDesc& desc, const Rows& rows,
              QSize screenDpi, PageRange range, CProgress* progress, const PageDone& pageDone) {
    device.setPageOrientation(
        FitOrientation(desc, device.pageLayout(), screenDpi.width(), rows.extra));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const CPageMapping mapping(device, painter, screenDpi);
    const CRect& drawRect = mapping.drawRect;
    auto pageContext = [&mapping] { return mapping.Context(); };
    const int pages = mapping.Pages(rows.count);
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
        if (printed && pageDone && !pageDone(page - first + 1, last - first + 1))
            break;
    }
    if (progress)
        progress->Finish();
    return painter.end() && printed;
}

} // namespace TablePrint
