// Figures of the table window: filling all rows of GEO (query, every field read, rows
// stored and put in order), once through the widget-free fill, with the resident memory the
// rows take and the most it took meanwhile, and once through a table view's own fill; then
// re-sorting a window of all rows by a header click on several columns, each from the standard
// order. The views are never painted.
#include "BenchRegistry.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/table/CListView_Table.h"

namespace {

void fillModel(CGeoDatabase& db) {
    const double before = ResidentBytes();
    ResetPeakResident();
    CGeoTableModel model;
    FillTableModel(db, db.m_Table, CGeoFilter(), model, nullptr);
    if (model.RowCount() > 0) {
        BenchReport(QStringLiteral("fill-bytes-per-row"),
                    (ResidentBytes() - before) / model.RowCount());
        BenchReport(QStringLiteral("fill-peak-bytes-per-row"),
                    (PeakResidentBytes() - before) / model.RowCount());
    }
}

void fillView(CGeoDatabase&) {
    g_strSearch.clear();
    CListView_Table view;
    view.OnInitialUpdate();
}

const BenchRegistrar fillModelFigure({"table", "fill", fillModel});
const BenchRegistrar fillViewFigure({"table", "fill-window", fillView});

// A window of all rows, filled once, and its rows in the standard order.
struct SortWindow {
    CListView_Table view;
    CGeoTableModel standardOrder;
};
SortWindow* g_pSortWindow = nullptr;

void openSortWindow() {
    if (g_pSortWindow)
        return;
    g_pSortWindow = new SortWindow; // lives until the program ends
    g_strSearch.clear();
    g_pSortWindow->view.OnInitialUpdate();
    g_pSortWindow->standardOrder.CopyRows(g_pSortWindow->view.GetModel());
}

// Back to the standard order; the next click sorts ascending.
void standardOrder(CGeoDatabase&) {
    g_pSortWindow->view.GetModel().CopyRows(g_pSortWindow->standardOrder);
    g_bSortDescending = true;
}

BenchFigure sortFigure(const char* key, int column) {
    return {.group = QStringLiteral("table"),
            .key = QString::fromUtf8(key),
            .run = [column](CGeoDatabase&) { g_pSortWindow->view.OnColumnClick(column); },
            .setUp = openSortWindow,
            .prepare = standardOrder};
}

const BenchRegistrar sortIdFigure(sortFigure("sort-ID_Geo", GEO_ID));
const BenchRegistrar sortStaatFigure(sortFigure("sort-Staat", GEO_STAAT));
const BenchRegistrar sortPlzFigure(sortFigure("sort-PLZ", GEO_PLZ));
const BenchRegistrar sortOrtFigure(sortFigure("sort-Ort", GEO_ORT));
const BenchRegistrar sortLonFigure(sortFigure("sort-Langengrad", GEO_LANGENGRAD));

} // namespace
