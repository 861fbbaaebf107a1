#pragma once

#include "render/draw/DrawObjects.h"
#include "render/draw/DrawTypes.h"

#include <QList>
#include <QPageLayout>
#include <QSize>
#include <QString>

#include <functional>

class CDeviceContext;
class CGeoTableDesc;
class CGeoTableModel;
class CProgress;
class QPagedPaintDevice;

// The printed pages of a table window: a framed grid with a header line of field names, a
// fixed number of rows per page in the window's current order, cell texts cut with "..." to
// fit, and a footer with page number and table name. Laid out in screen pixels and scaled to
// the printer, so the printed table has the proportions it has on the screen.
namespace TablePrint {

// A column printed after the fields (a radius search's distance): its title and its width
// in screen pixels.
struct ExtraColumn {
    QString title;
    int width = 0;
};

// The rows to print: how many there are and the text of a cell (row, column). The columns
// after the fields (`extra`) follow them: extra column k is cell column m_nFields + k.
struct Rows {
    int count = 0;
    std::function<QString(int row, int column)> cell;
    QList<ExtraColumn> extra = {};
};

// The rows of a table window's model, in their current order, with the distance column of a
// radius search's window as the window shows it.
Rows RowsOf(const CGeoTableModel& model);

// The width the distance column is printed with.
inline constexpr int kDistanceColumnWidth = 110;

// The font of printed tables: Arial, height 12.
inline CFont PrintFont() {
    return CFont(12);
}

// The widths of the printed columns (Staat to Memo, then the extra ones) on a page `pageWidth`
// logical units wide: the screen widths, shrunk in proportion where they do not fit together.
QList<int> ColumnWidths(const CGeoTableDesc& desc, int pageWidth,
                        const QList<ExtraColumn>& extra = {});

// The orientation a table goes onto the page in: as laid out when its columns fit the
// printable width, otherwise the turned one where that is wider.
QPageLayout::Orientation FitOrientation(const CGeoTableDesc& desc, const QPageLayout& layout,
                                        int screenDpiX, const QList<ExtraColumn>& extra = {});

// Draws page `page` (from 1) onto a device context whose logical unit is one screen pixel.
// `drawRect` is the printable area in logical units, `printerVertRes` its height in device
// pixels. A page holds printerVertRes / (7 * line height) rows, or fewer when fewer fit
// between its header and footer. Columns that do not fit the width are shrunk (see
// ColumnWidths), and a text that would run past its column is cut with "...". Returns the
// number of pages the rows need.
int DrawPage(CDeviceContext& dc, const CGeoTableDesc& desc, const Rows& rows, int page,
             const CRect& drawRect, int printerVertRes);

// Pages to print, from 1: `from` to `to`; `to` 0 means to the last page.
struct PageRange {
    int from = 1;
    int to = 0;
};

// " \"GEO\" Tabelle wird gedruckt:": the progress caption while the pages are printed.
QString PrintCaption(const CGeoTableDesc& desc);

// The pages the rows need on a page of that layout and resolution (in the orientation
// FitOrientation gives), as PrintAll prints them.
int PageCount(const CGeoTableDesc& desc, int rowCount, const QPageLayout& layout, int resolution,
              QSize screenDpi, const QList<ExtraColumn>& extra = {});

// Told after each page how many of how many pages are done; false stops the printing.
using PageDone = std::function<bool(int done, int pages)>;

// Prints the pages of the range onto a paged device (a printer or a PDF writer) that is not
// yet painted on, with the screen's dots per inch, reporting each page to the progress when
// one is given. The device is turned to FitOrientation first. Returns false when painting
// cannot start.
bool PrintAll(QPagedPaintDevice& device, const CGeoTableDesc& desc, const Rows& rows,
              QSize screenDpi, PageRange range = {}, CProgress* progress = nullptr,
              const PageDone& pageDone = {});

} // namespace TablePrint
