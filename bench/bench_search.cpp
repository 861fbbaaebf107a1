// The find dialog's search: "101" and "berg" in the ten text fields (every row's fields
// compared with the LIKE of the engine), and "strasse" and "berg" with the German spellings
// folded, read as table rows in the standard order.
#include "BenchRegistry.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"

namespace {

void search(CGeoDatabase& db, const QString& text, bool fold) {
    CGeoTableModel model;
    FillTableModel(db, db.m_Table, GeoFilter::Search(text, fold), model, nullptr);
}

const BenchRegistrar searchFigure({"search", "search-101",
                                   [](CGeoDatabase& db) { search(db, "101", false); }});
const BenchRegistrar wordFigure({"search", "search-berg",
                                 [](CGeoDatabase& db) { search(db, "berg", false); }});
const BenchRegistrar foldFigure({"search", "search-fold",
                                 [](CGeoDatabase& db) { search(db, "strasse", true); }});
const BenchRegistrar foldWordFigure({"search", "search-fold-berg",
                                     [](CGeoDatabase& db) { search(db, "berg", true); }});

} // namespace
