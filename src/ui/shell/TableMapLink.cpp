#include "ui/shell/TableMapLink.h"

#include "base/TextNumbers.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/table/CListView_Table.h"

namespace TableMapLink {

namespace {

// Every view of the template's documents that is of the given class.
template <typename ViewClass> QList<ViewClass*> viewsOf(CMultiDocTemplate* docTemplate) {
    QList<ViewClass*> views;
    if (!docTemplate)
        return views;
    for (CDocument* doc : docTemplate->GetDocuments()) {
        for (CView* view : doc->GetViews()) {
            if (auto* v = dynamic_cast<ViewClass*>(view))
                views << v;
        }
    }
    return views;
}

} // namespace

void MarkSelection(CListView_Table* table) {
    if (!g_pLastMapView)
        return;
    const CGeoTableModel& model = table->GetModel();
    const QList<int> rows = table->SelectedRows();
    QList<QPointF> places;
    for (int row : rows) {
        if (places.size() == kMaxMarked)
            break;
        double lon = 0, lat = 0;
        if (TextNumbers::ParseNumber(model.CellUtf8(row, GEO_LANGENGRAD), &lon) &&
            TextNumbers::ParseNumber(model.CellUtf8(row, GEO_BREITENGRAD), &lat))
            places << QPointF(lon, lat);
    }
    g_pLastMapView->SetMarks(table, places);
    if (rows.size() > kMaxMarked) {
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->SetMessageText(QStringLiteral("Auf der Karte sind nur die ersten %1 von %2 "
                                                 "gewählten Orten markiert.")
                                      .arg(kMaxMarked)
                                      .arg(rows.size()));
    }
}

void TableClosing(CListView_Table* table) {
    for (CKelvoView* map : viewsOf<CKelvoView>(theApp.m_pMapTemplate))
        map->ClearMarksFrom(table);
}

void ShowPlaceInTables(qint64 key) {
    for (CListView_Table* table : viewsOf<CListView_Table>(theApp.m_pTableTemplate))
        table->ShowPlace(key);
}

} // namespace TableMapLink
