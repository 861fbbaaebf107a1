#include "ui/territory/TerritoryShow.h"

#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryFilter.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/table/CListView_Table.h"

#include <QMdiArea>
#include <QPointer>

namespace {

// The table window opened last for a territory, and the filter it was opened with.
struct COpened {
    QPointer<CChildFrame> frame;
    QString filter;
};
QHash<qint64, COpened> g_opened;

void status(const QString& text) {
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(text);
}

} // namespace

namespace TerritoryShow {

void Show(QWidget* panel, const CTerritoryData& data, qint64 territory) {
    const CTerritory* t = data.Find(territory);
    if (territory != 0 && !t)
        return;
    QString error;
    const std::shared_ptr<const CGeoPlaceRows> rows =
        g_GeoDatabase.IsOpen() ? CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error)
                               : nullptr;
    if (!rows || !error.isEmpty()) {
        if (!error.isEmpty())
            KelvoMessageBox(error, panel);
        return;
    }
    const std::vector<CTerritoryAssigner::Placement> placements =
        CTerritoryAssigner(data).PlaceRows(*rows);
    QList<QPointF> places;
    for (quint32 k = 0; k < rows->Size() && k < placements.size(); ++k) {
        if (placements[k].territory == territory)
            places << QPointF(rows->Coordinates(k).lon, rows->Coordinates(k).lat);
    }
    if (g_pLastMapView)
        g_pLastMapView->SetMarks(panel, places);
    const QString title =
        t ? QStringLiteral("Gebiet %1").arg(t->name) : QStringLiteral("Orte ohne Gebiet");
    if (places.isEmpty()) {
        status(QStringLiteral("%1: keine Orte.").arg(title));
        return;
    }

    const CGeoFilter tree = TerritoryFilter::PlacesIn(*rows, placements, territory);
    const QString filter = tree.Text();
    COpened& opened = g_opened[territory];
    CMainFrame* main = theApp.GetMainFrame();
    if (opened.frame && opened.filter == filter && main) {
        main->MdiArea()->setActiveSubWindow(opened.frame);
        return;
    }
    if (opened.frame)
        opened.frame->close();
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    g_strSearch = filter;
    CListView_Table::ListNextFiltered(tree);
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        doc->SetTitle(title);
        CView* view = doc->GetFirstView();
        opened = {view ? view->GetParentFrame() : nullptr, filter};
    }
    g_strSearch.clear();
    CListView_Table::ListNextFiltered(std::nullopt);
}

} // namespace TerritoryShow
