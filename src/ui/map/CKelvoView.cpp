#include "ui/map/CKelvoView.h"

#include "base/StepTrace.h"
#include "render/map/PlacesWithoutRow.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/shell/StatusProgress.h"
#include "ui/territory/TerritoryPanel.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QTimerEvent>

#include <utility>

namespace {

// The place last chosen in a table window, as the globals hold it.
CMapSelectedPlace selectedPlace() {
    return CMapSelectedPlace{g_dSelectedLon, g_dSelectedLat, g_strSelectedPlace};
}

// What the globals g_dLonWest ... g_bNextShowNames, g_nNextMarkerHalfSize prepare for the
// next map view. A view takes them when it is constructed: the new document resets the
// extent globals right afterwards.
CMapSettings nextMapSettings() {
    return CMapSettings{g_dLonWest,     g_dLonEast,       g_dLatSouth,
                        g_dLatNorth,    g_bNextShowNames, g_nNextMarkerHalfSize,
                        selectedPlace()};
}

} // namespace

CKelvoView::CKelvoView(QWidget* parent)
    : QWidget(parent), m_canvas(g_GeoDatabase, nextMapSettings()) {
    setObjectName(QStringLiteral("KelvoView"));
    // paintEvent covers every pixel it is asked for: no background erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    TakeRememberedSwitches();
}

CKelvoView::~CKelvoView() {
    DropDrawing();
    StopReadingAhead();
    // Any map view going clears the pointer: a table choice then repaints no map until a
    // map view gains the focus again.
    g_pLastMapView = nullptr;
}

void CKelvoView::SyncSelectedPlace() {
    m_canvas.m_selected = selectedPlace();
}

CKelvoDoc* CKelvoView::GetDocument() const {
    return dynamic_cast<CKelvoDoc*>(CView::GetDocument());
}

bool CKelvoView::PlacesLoaded() const {
    const CKelvoDoc* doc = GetDocument();
    return doc && doc->m_bPlacesLoaded;
}

void CKelvoView::SyncPlaceList() {
    CKelvoDoc* doc = GetDocument();
    CPlaceList* places = doc ? &doc->m_aPlaces : nullptr;
    if (m_canvas.PlaceList() != places)
        m_canvas.SetPlaceList(places);
}

void CKelvoView::OnInitialUpdate() {
    // A further window on the document ("Neues Fenster") shows the area and settings of the
    // document's first window, not whatever the globals held for the next new map.
    if (const CKelvoDoc* doc = GetDocument()) {
        for (CView* other : doc->GetViews()) {
            const auto* first = dynamic_cast<const CKelvoView*>(other);
            if (!first || first == this)
                continue;
            // The first window's extent is the one it shows, grown or not.
            m_canvas.SetKeepAspect(false);
            m_canvas.m_dLonWest = first->m_canvas.m_dLonWest;
            m_canvas.m_dLonEast = first->m_canvas.m_dLonEast;
            m_canvas.m_dLatSouth = first->m_canvas.m_dLatSouth;
            m_canvas.m_dLatNorth = first->m_canvas.m_dLatNorth;
            m_canvas.m_bShowNames = first->m_canvas.m_bShowNames;
            m_canvas.m_nMarkerHalfSize = first->m_canvas.m_nMarkerHalfSize;
            m_canvas.m_bShowBaseMap = first->m_canvas.m_bShowBaseMap;
            m_canvas.m_bShowLegend = first->m_canvas.m_bShowLegend;
            m_canvas.SetKeepAspect(first->m_canvas.KeepAspect());
            break;
        }
    }
    SyncPlaceList();
    m_timerBlink.start(m_canvas.m_nTimerInterval, this);
}

bool CKelvoView::PrepareRender() {
    m_bRenderPending = false;
    SyncPlaceList();
    // A database another program held is tried again; while it still does, the map shows
    // no places from it.
    const bool wasOpen = g_GeoDatabase.IsOpen();
    const bool ready = g_GeoDatabase.EnsureOpen();
    if (g_GeoDatabase.IsOpen() != wasOpen)
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->CommandStateChanged();
    SyncSelectedPlace();
    SyncLegend();
    m_canvas.LoadTerritories();
    return ready;
}

void CKelvoView::AfterRender(QString error, bool ready) {
    m_marks.Compose(m_canvas.BackBuffer(), m_canvas);
    if (!ready && g_GeoDatabase.IsBusy())
        error = CKelvoApp::DatabaseInUseText();
    // The caption goes with the bar. The first drawing of a place file says how many of its
    // entries name no place.
    // It stays until the next command, and in the window title's tool tip.
    CKelvoDoc* doc = GetDocument();
    if (CMainFrame* frame = theApp.GetMainFrame()) {
        const QString note = doc ? std::exchange(doc->m_strPlacesNote, QString()) : QString();
        if (!note.isEmpty())
            frame->SetNote(note);
        else
            frame->SetMessageText(QString());
        // Another map still drawing keeps its caption and bar.
        CStatusBarProgress::ShowRunning();
    }
    if (doc && !doc->m_aPlacesWithoutRow.isEmpty()) {
        if (CChildFrame* child = GetParentFrame())
            child->setToolTip(PlacesWithoutRow::CountText(int(doc->m_aPlacesWithoutRow.size()),
                                                          g_GeoDatabase.m_Table.m_strTableName));
    }
    if (!error.isEmpty())
        ReportError(error);
    else
        StartReadingAhead();
}

void CKelvoView::ScheduleRender() {
    if (m_bRenderQueued)
        return;
    m_bRenderQueued = true;
    // Queued: resizes in a row render once, and the status-bar progress can show, which it
    // cannot while a paint event runs. Paint requests are posted at a lower priority and so
    // normally come afterwards; one that comes first (an expose) renders itself.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bRenderQueued = false;
            if (!m_bRenderPending || !isVisible() || size().isEmpty()) {
                if (!m_pDrawJob)
                    m_pDrawProgress.reset();
                return;
            }
            StartDrawing();
            update();
        },
        Qt::QueuedConnection);
}

void CKelvoView::RepaintNow() {
    m_bRenderPending = true;
    if (!isVisible() || size().isEmpty())
        return; // rendered when the window shows
    if (IsPaintingWidget()) {
        ScheduleRender();
        return;
    }
    StartDrawing(true);
    update();
}

void CKelvoView::RepaintAtOnce() {
    m_bRenderPending = true;
    if (!isVisible() || size().isEmpty())
        return;
    if (IsPaintingWidget()) {
        ScheduleRender();
        return;
    }
    DropDrawing();
    DrawAtOnce(PrepareRender());
    repaint();
}

void CKelvoView::DrawAtOnce(bool ready) {
    QString error;
    {
        CStatusBarProgress progress;
        // The view has no frame of its own: its size is the outer size.
        error = m_canvas.Repaint(size(), size(), &progress);
    }
    AfterRender(error, ready);
}

void CKelvoView::ReportError(const QString& message) {
    if (IsPaintingWidget()) {
        QTimer::singleShot(0, this, [this, message] { KelvoMessageBox(message, this); });
        return;
    }
    KelvoMessageBox(message, this);
}

void CKelvoView::paintEvent(QPaintEvent* event) {
    const StepTrace::Step step("map.paintEvent");
    // A repaint that could not wait (the window was exposed before the queued one ran): the
    // frame now, the rest drawn on its thread.
    if (m_bRenderPending && !size().isEmpty())
        StartDrawing();
    QPainter painter(this);
    const QImage& buffer = m_marks.Image(m_canvas.BackBuffer());
    const QRect area = event->rect();
    if (!buffer.rect().contains(area))
        painter.fillRect(area, Qt::white);
    const QRect copy = area & buffer.rect();
    if (!copy.isEmpty())
        painter.drawImage(copy.topLeft(), buffer, copy);

    // The zoom band while it is dragged: a dotted outline that inverts what lies below.
    if (m_band.IsTracking() && m_band.HasMoved()) {
        const QRect band = m_band.Bounds();
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.drawRect(band.adjusted(0, 0, -1, -1));
    }
    PaintLasso(painter);
}

void CKelvoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_bRenderPending = true;
    if (isVisible())
        ScheduleRender();
}

void CKelvoView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_bRenderPending)
        return;
    // A window that has never shown its map is being drawn from now on, although its drawing
    // starts only once its size has settled: its bar and cursor show at once, and an Esc
    // meanwhile closes it (CancelDrawing).
    if (m_canvas.BackBuffer().isNull() && !m_pDrawJob && !m_pDrawProgress) {
        m_pDrawProgress = std::make_unique<CStatusBarProgress>(Qt::BusyCursor);
        m_pDrawProgress->Start(QStringLiteral("Mappe wird gezeichnet:"));
    }
    ScheduleRender();
}

void CKelvoView::hideEvent(QHideEvent* event) {
    CancelBand();
    QWidget::hideEvent(event);
}

void CKelvoView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerBlink.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    OnTimer();
}

void CKelvoView::OnFrameShown() {
    if (CKelvoDoc* doc = GetDocument())
        doc->OnMapShown();
}

void CKelvoView::OnTimer() {
    // The markers blink again once the map that shows them is drawn.
    if (m_pDrawJob)
        return;
    // Texts another window read ahead serve this one too (its rows without them go).
    m_canvas.TakeRowsWithTexts();
    SyncPlaceList();
    const QList<QRect> painted = m_canvas.OnTimer();
    m_marks.Refresh(m_canvas.BackBuffer(), m_canvas, painted);
    for (const QRect& rect : painted)
        update(rect);
}

void CKelvoView::OnActivateView() {
    if (g_pLastMapView == this)
        return;
    g_pLastMapView = this;
    // The territory panel counts the entries of this window's list from now on.
    CTerritoryPanel::MapFocused();
}

void CKelvoView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    OnActivateView();
    // Territories another user changed show when the window is worked in again, on the map
    // and in the panel alike.
    if (m_canvas.TerritoriesStale())
        RepaintNow();
    if (CTerritoryPanel* panel = CTerritoryPanel::Find())
        panel->RefreshIfChanged();
}
