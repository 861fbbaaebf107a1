// The map view's side of the link with table windows: rings around the places selected in
// a table, and a click that picks a place for the tables.
#include "ui/map/CKelvoView.h"

#include "render/map/MapPick.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/TableMapLink.h"

void CKelvoView::SetMarks(const void* source, QList<QPointF> lonLat) {
    if (m_marks.IsEmpty() && lonLat.isEmpty())
        return;
    m_pMarksSource = lonLat.isEmpty() ? nullptr : source;
    m_marks.SetPlaces(std::move(lonLat));
    m_marks.Compose(m_canvas.BackBuffer(), m_canvas);
    update();
}

void CKelvoView::ClearMarksFrom(const void* source) {
    if (source && source == m_pMarksSource)
        SetMarks(source, {});
}

void CKelvoView::OnMapClick(QPoint point) {
    CPickedPlace place;
    CMainFrame* frame = theApp.GetMainFrame();
    if (!MapPick::NearestPlace(g_GeoDatabase, m_canvas, point, &place)) {
        if (frame)
            frame->SetMessageText(
                QStringLiteral("Kein Ort innerhalb von %1 Pixeln.").arg(MapPick::kMaxPixels));
        return;
    }
    SetMarks(this, {QPointF(place.dLon, place.dLat)});
    // The tables show the place as their current row (and mark their selection here).
    TableMapLink::ShowPlaceInTables(place.nId);
    if (frame)
        frame->SetMessageText(MapPick::StatusText(place));
}
