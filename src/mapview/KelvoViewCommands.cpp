// The map view's commands: the three display switches and printing.
#include "mapview/CKelvoView.h"

#include "app/CommandIds.h"

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
    case ID_FILE_PRINT:
        OnFilePrint();
        return true;
    case ID_FILE_PRINT_DIRECT:
        OnFilePrintDirect();
        return true;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview();
        return true;
    default:
        return false;
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
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW:
        return true;
    default:
        return false;
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

void CKelvoView::OnDeclutterNames() {
    m_canvas.m_bDeclutterNames = !m_canvas.m_bDeclutterNames;
    RepaintNow();
}
