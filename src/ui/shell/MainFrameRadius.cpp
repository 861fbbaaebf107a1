// "Umkreissuche...": a table window of the places within a radius of a centre.
#include "render/table/NearestReadAhead.h"
#include "store/GeoRadius.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/table/CDia_Radius.h"
#include "ui/table/CListView_Table.h"

void CMainFrame::OnRadiusSearch() {
    // The rows' positions, read while the dialog is filled in, give the window its first
    // screen at once; they are let go with the search.
    CNearestReadAhead readAhead(g_GeoDatabase);
    CDia_Radius dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    readAhead.Finish();
    // The window fills itself with the rows within the radius, nearest first (in Staat, PLZ
    // order at equal distances), with their distance as the last column.
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    const CGeoFilter filter = GeoRadius::Filter(dlg.m_centre, dlg.m_dRadiusKm);
    g_strSearch = filter.Text();
    CListView_Table::ListNextFiltered(filter);
    CListView_Table::ListNextByDistance(QPointF(dlg.m_centre.dLon, dlg.m_centre.dLat));
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        m_strText = GeoRadius::Title(g_nFoundCount, dlg.m_dRadiusKm, dlg.m_centre);
        doc->SetTitle(m_strText);
    }
    g_strSearch.clear();
    CListView_Table::ListNextByDistance(std::nullopt);
    CListView_Table::ListNextFiltered(std::nullopt);
}
