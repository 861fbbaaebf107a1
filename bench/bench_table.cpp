// Figures of the table window: filling all rows of GEO (query, every field read, rows stored),
// once through the widget-free fill and once through a table view's own fill; then re-sorting
// a window of all rows by a header click on Ort, PLZ and Langengrad, each from the standard
// order, against the window's fill. The views are never painted. The memory the rows take
// beyond their text goes to standard error.
#include "BenchRegistry.h"

#include "app/Globals.h"
#include "db/GeoDatabase.h"
#include "table/CListView_Table.h"
#include "table/GeoTableModel.h"
#include "table/TableFill.h"

#include <malloc.h>

#include <cstdio>

namespace {

void fillModel(CGeoDatabase& db) {
    CGeoTableModel model;
    const size_t before = mallinfo2().uordblks;
    FillTableModel(db, db.m_Table, QString(), model, nullptr);
    const size_t after = mallinfo2().uordblks;

    static bool reported = false;
    if (reported || model.RowCount() == 0)
        return;
    reported = true;
    qint64 textBytes = 0;
    for (int i = 0; i < model.RowCount(); ++i)
        textBytes += model.GetRow(i).m_strText.size() * qint64(sizeof(QChar));
    std::fprintf(stderr,
                 "table rows: %d, heap %.1f MB, text %.1f MB, %.0f bytes a row beyond the text\n",
                 model.RowCount(), double(after - before) / 1e6, double(textBytes) / 1e6,
                 double(qint64(after - before) - textBytes) / model.RowCount());
}

void fillView(CGeoDatabase&) {
    g_strSearch.clear();
    CListView_Table view;
    view.OnInitialUpdate();
}

const BenchRegistrar fillModelFigure({"table fill, all rows (FillTableModel)", fillModel, {}});
const BenchRegistrar fillViewFigure({"table window fill (CListView_Table)", fillView, {}});

// A window of all rows, filled once, and its rows in the standard order.
struct SortWindow {
    CListView_Table view;
    QList<CGeoTableModel::Row> standardOrder;
};

SortWindow& sortWindow() {
    static SortWindow* window = [] {
        auto* w = new SortWindow; // lives until the program ends
        g_strSearch.clear();
        w->view.OnInitialUpdate();
        for (int i = 0; i < w->view.GetModel().RowCount(); ++i)
            w->standardOrder.append(w->view.GetModel().GetRow(i));
        return w;
    }();
    return *window;
}

// Back to the standard order; the next click sorts ascending.
void standardOrder(CGeoDatabase&) {
    SortWindow& window = sortWindow();
    window.view.GetModel().SetRows(window.standardOrder);
    g_bSortDescending = true;
}

BenchFigure sortFigure(const char* name, int column) {
    return {.name = QString::fromUtf8(name),
            .run = [column](CGeoDatabase&) { sortWindow().view.OnColumnClick(column); },
            .referenceFigure = QStringLiteral("table window fill (CListView_Table)"),
            .prepare = standardOrder};
}

const BenchRegistrar sortOrtFigure(sortFigure("table window sort by Ort (header click)", GEO_ORT));
const BenchRegistrar sortPlzFigure(sortFigure("table window sort by PLZ (header click)", GEO_PLZ));
const BenchRegistrar sortLonFigure(sortFigure("table window sort by Langengrad (header click)",
                                              GEO_LANGENGRAD));

} // namespace
