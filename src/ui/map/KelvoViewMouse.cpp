// The map view's mouse operations: the zoom band and the nearby search.
#include "ui/map/CKelvoView.h"

#include "base/StepTrace.h"
#include "render/map/MapZoom.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/table/CListView_Table.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

void CKelvoView::mousePressEvent(QMouseEvent* event) {
    if (LassoMouse(event))
        return;
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !m_band.IsTracking()) {
        m_band.Begin(point);
        return;
    }
    if (event->button() == Qt::RightButton && m_band.IsTracking()) {
        CancelBand();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CKelvoView::mouseMoveEvent(QMouseEvent* event) {
    if (LassoMouse(event))
        return;
    if (!m_band.IsTracking()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QRect old = m_band.HasMoved() ? m_band.Bounds() : QRect();
    if (m_band.Move(event->position().toPoint()))
        UpdateBand(old);
}

void CKelvoView::mouseReleaseEvent(QMouseEvent* event) {
    if (LassoMouse(event))
        return;
    if (event->button() != Qt::LeftButton || !m_band.IsTracking()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QRect old = m_band.HasMoved() ? m_band.Bounds() : QRect();
    const QPoint release = event->position().toPoint();
    m_band.End(release);
    UpdateBand(old); // the band leaves no trace
    // Released where it was pressed (give or take a shaky hand): a click, not a band.
    if ((release - m_band.Start()).manhattanLength() < QApplication::startDragDistance())
        OnMapClick(release);
    OnZoom(m_band.Start(), m_band.Width(), m_band.Height());
}

void CKelvoView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first press of a double-click started a band that ended without moving; the
    // second press is the double-click itself and starts no band.
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    CancelBand();
    OnLButtonDblClk(event->position().toPoint());
}

void CKelvoView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_band.IsTracking()) {
        CancelBand();
        return;
    }
    if (event->key() == Qt::Key_Escape && CancelDrawing())
        return;
    if (event->key() == Qt::Key_Escape && ClearLasso())
        return;
    QWidget::keyPressEvent(event);
}

void CKelvoView::UpdateBand(const QRect& old) {
    // The outline's pixels, old and new, are painted again from the back buffer.
    QRegion region;
    if (!old.isEmpty())
        region += old.adjusted(-1, -1, 1, 1);
    if (m_band.IsTracking() && m_band.HasMoved())
        region += m_band.Bounds().adjusted(-1, -1, 1, 1);
    if (!region.isEmpty())
        update(region);
}

void CKelvoView::CancelBand() {
    if (!m_band.IsTracking())
        return;
    const QRect old = m_band.HasMoved() ? m_band.Bounds() : QRect();
    m_band.Cancel();
    UpdateBand(old);
}

void CKelvoView::OnZoom(QPoint press, int w, int h) {
    CMapSettings next;
    bool tooSmall = false;
    if (!MapZoom::BandSettings(m_canvas, press, w, h, &next, &tooSmall)) {
        if (tooSmall) {
            if (CMainFrame* frame = theApp.GetMainFrame())
                frame->SetMessageText(MapZoom::TooSmallMessage());
        }
        return;
    }
    // The new view copies these when it is made; its document then resets the extent.
    g_nChildFrameMode = 0;
    g_bNextShowNames = next.bShowNames;
    g_nNextMarkerHalfSize = next.nMarkerHalfSize;
    g_dLonEast = next.dLonEast;
    g_dLonWest = next.dLonWest;
    g_dLatNorth = next.dLatNorth;
    g_dLatSouth = next.dLatSouth;
    const StepTrace::Step step("map.OpenZoomWindow");
    if (CDocument* doc = theApp.m_pMapTemplate->OpenDocumentFile()) {
        m_canvas.m_strText = MapZoom::ZoomTitle(next, m_canvas);
        doc->SetTitle(m_canvas.m_strText);
    }
    g_bNextShowNames = false;
    g_nNextMarkerHalfSize = 0;
}

void CKelvoView::OnLButtonDblClk(QPoint point) {
    MapZoom::NearbyBox box;
    if (!MapZoom::NearbySearch(m_canvas, point, &box))
        return;
    RepaintInBackground();
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    g_strSearch = box.strFilter;
    CListView_Table::ListNextFiltered(box.filter);
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        m_canvas.m_strText = MapZoom::NearbyTitle(g_nFoundCount, box.strPlace);
        doc->SetTitle(m_canvas.m_strText);
    }
    g_strSearch.clear();
    CListView_Table::ListNextFiltered(std::nullopt);
}
