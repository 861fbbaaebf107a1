// The map view's commands: the display switches, the place-file entries without a place and
// printing.
#include "ui/map/CKelvoView.h"

#include "base/CommandIds.h"
#include "store/GeoDatabase.h"
#include "ui/map/CDia_PlacesWithoutRow.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/shell/Globals.h"

bool CKelvoView::OnCommand(int id) {
    switch (id) {
    case ID_SHOW_FILE_PLACES:
        OnShowFilePlaces();
        return true;
    case ID_SHOW_MEMOS:
        OnShowMemos();
        return true;
    case ID_SHOW_PLACE_NAMES:
        OnShowPlaceNames();
        return true;
    case ID_DECLUTTER_NAMES:
        OnDeclutterNames();
        return true;
    case ID_PLACES_WITHOUT_ROW:
        OnPlacesWithoutRow();
        return true;
    case ID_TERRITORY_COLORS:
        m_canvas.m_bTerritoryColors = !m_canvas.m_bTerritoryColors;
        RepaintNow();
        return true;
    case ID_TERRITORY_ASSIGN:
        OnAssignTerritory();
        return true;
    default:
        return OnPrintCommand(id) || OnBaseMapCommand(id) || OnTerritoryCommand(id);
    }
}

bool CKelvoView::OnUpdateCommand(int id, CCmdUI& ui) {
    switch (id) {
    case ID_SHOW_FILE_PLACES:
        // Checked from the start; available once the document has read a place file.
        ui.Enable(PlacesLoaded());
        ui.SetCheck(m_canvas.m_bShowFilePlaces);
        return true;
    case ID_SHOW_MEMOS:
        ui.SetCheck(m_canvas.m_bShowMemos);
        return true;
    case ID_SHOW_PLACE_NAMES:
        ui.SetCheck(m_canvas.m_bShowNames);
        return true;
    case ID_DECLUTTER_NAMES:
        ui.SetCheck(m_canvas.m_bDeclutterNames);
        return true;
    case ID_TERRITORY_COLORS:
        ui.SetCheck(m_canvas.m_bTerritoryColors);
        return true;
    case ID_TERRITORY_ASSIGN:
        ui.Enable(g_GeoDatabase.IsOpen());
        return true;
    case ID_PLACES_WITHOUT_ROW: {
        const CKelvoDoc* doc = GetDocument();
        ui.Enable(doc && !doc->m_aPlacesWithoutRow.isEmpty());
        return true;
    }
    default:
        return IsPrintCommand(id) || OnUpdateBaseMapCommand(id, ui) ||
               OnUpdateTerritoryCommand(id, ui);
    }
}

void CKelvoView::OnShowFilePlaces() {
    if (!PlacesLoaded())
        return;
    // Off, the markers are no longer drawn and the blinking stops.
    m_canvas.m_bShowFilePlaces = !m_canvas.m_bShowFilePlaces;
    RepaintNow();
}

void CKelvoView::OnShowMemos() {
    m_canvas.m_bShowMemos = !m_canvas.m_bShowMemos;
    RepaintNow();
}

void CKelvoView::OnShowPlaceNames() {
    m_canvas.m_bShowNames = !m_canvas.m_bShowNames;
    RepaintNow();
}

void CKelvoView::OnPlacesWithoutRow() {
    const CKelvoDoc* doc = GetDocument();
    if (!doc || doc->m_aPlacesWithoutRow.isEmpty())
        return;
    CDia_PlacesWithoutRow dialog(doc->m_aPlaces, doc->m_aPlacesWithoutRow,
                                 g_GeoDatabase.m_Table.m_strTableName, this);
    dialog.exec();
}

void CKelvoView::OnDeclutterNames() {
    m_canvas.m_bDeclutterNames = !m_canvas.m_bDeclutterNames;
    RepaintNow();
}
