// "Umkreissuche...": a table window of the places within a radius of a centre.
#include "store/GeoRadius.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/table/CDia_Radius.h"
#include "ui/table/CListView_Table.h"

void CMainFrame::OnRadiusSearch() {
    CDia_Radius dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    // The window fills itself with the rows within the radius, in Staat, PLZ order; then they
    // are put nearest first with their distance as the last column.
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    g_strSearch = GeoRadius::Filter(dlg.m_centre, dlg.m_dRadiusKm).Text();
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        if (auto* view = dynamic_cast<CListView_Table*>(doc->GetFirstView()))
            view->ShowDistanceColumn(dlg.m_centre.dLon, dlg.m_centre.dLat);
        m_strText = GeoRadius::Title(g_nFoundCount, dlg.m_dRadiusKm, dlg.m_centre);
        doc->SetTitle(m_strText);
    }
    g_strSearch.clear();
}
