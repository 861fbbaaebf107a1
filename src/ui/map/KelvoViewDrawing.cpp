// The map view's repaints on a thread of their own: the first picture of a new window, the
// zoom's window, resizes, the display switches, changed data and the repaint of the nearby
// search. The window answers keys and clicks meanwhile; Esc stops the drawing. After a
// repaint without texts they are read ahead there too.
#include "ui/map/CKelvoView.h"

#include "base/StepTrace.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusBarProgress.h"

#include <QMetaObject>

namespace {

// The map window whose job reads the texts ahead; one at a time.
CKelvoView* g_pReadingAhead = nullptr;

} // namespace

void CKelvoView::StartDrawing(bool keepPicture) {
    const StepTrace::Step step("map.StartDrawing");
    // A drawing replaced by a newer one keeps the picture from before the first.
    const bool drawing = m_pDrawJob != nullptr;
    const QImage before = drawing ? m_imgBefore : m_canvas.BackBuffer();
    const CRect plotBefore = drawing ? m_rectBefore : m_canvas.m_rectPlot;
    DropDrawing();
    const bool ready = PrepareRender();
    if (!g_GeoDatabase.IsOpen() || size().isEmpty()) {
        // Nothing to read: drawn at once.
        DrawAtOnce(ready);
        return;
    }
    m_imgBefore = before;
    m_rectBefore = plotBefore;
    const bool texts = m_canvas.WantsTexts();
    const CPlaceList* places = m_canvas.PlaceList();
    CMapDrawJob::CInput input{m_canvas,
                              places ? *places : CPlaceList(),
                              size(),
                              size(),
                              g_GeoDatabase.FilePath(),
                              texts,
                              CGeoPlaceRowsCache::Of(g_GeoDatabase).Cached(texts),
                              false,
                              false,
                              {}};
    // A job that reads the texts itself makes reading them ahead meanwhile pointless.
    if (input.bTexts && !input.pRows && g_pReadingAhead)
        g_pReadingAhead->StopReadingAhead();
    m_stampDrawn = g_GeoDatabase.DataStamp();
    m_pDrawProgress = std::make_unique<CStatusBarProgress>(Qt::BusyCursor);
    m_pDrawProgress->Start(QStringLiteral("Mappe wird gezeichnet:"));
    if (!keepPicture || before.isNull()) {
        m_canvas.DrawFrame(size(), size());
        m_marks.Compose(m_canvas.BackBuffer(), m_canvas);
        update();
    }
    // The job calls these on its thread, never after DropDrawing has cancelled it; what
    // they post to a view that has gone is dropped.
    const quint64 generation = m_nDrawGeneration;
    m_pDrawJob = CMapDrawJob::Start(
        std::move(input),
        [this, generation](int percent) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (generation == m_nDrawGeneration && m_pDrawProgress)
                        m_pDrawProgress->SetPos(percent);
                },
                Qt::QueuedConnection);
        },
        [this, generation] {
            QMetaObject::invokeMethod(
                this, [this, generation] { DrawingDone(generation); }, Qt::QueuedConnection);
        });
}

void CKelvoView::DrawingDone(quint64 generation) {
    if (generation != m_nDrawGeneration || !m_pDrawJob)
        return;
    const StepTrace::Step step("map.DrawingDone");
    const std::shared_ptr<CMapDrawJob> job = std::move(m_pDrawJob);
    m_imgBefore = QImage();
    // Rows the job read serve the next repaints too, when nothing was stored meanwhile.
    if (job->RowsRead() && job->ReadError().isEmpty())
        CGeoPlaceRowsCache::Of(g_GeoDatabase).Adopt(job->RowsRead(), m_stampDrawn);
    QString error = m_canvas.TakeRepaint(job->Drawn(), job->Report());
    m_pDrawProgress.reset();
    if (job->DatabaseBusy())
        error = CKelvoApp::DatabaseInUseText();
    AfterRender(error, true);
    update();
}

bool CKelvoView::CancelDrawing() {
    // A new window whose drawing is still to start (showEvent) goes as well.
    const bool starting = !m_pDrawJob && m_pDrawProgress && m_bRenderPending;
    if (!m_pDrawJob && !starting)
        return false;
    if (starting)
        m_bRenderPending = false;
    const QImage before = m_imgBefore;
    const CRect plotBefore = m_rectBefore;
    DropDrawing();
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    CStatusBarProgress::ShowRunning();
    if (before.isNull()) {
        // A new window that never showed its map goes again.
        if (CChildFrame* child = GetParentFrame())
            child->close();
        return true;
    }
    m_canvas.RestoreBackBuffer(before, plotBefore);
    m_marks.Compose(m_canvas.BackBuffer(), m_canvas);
    update();
    return true;
}

void CKelvoView::DropDrawing() {
    ++m_nDrawGeneration;
    if (m_pDrawJob)
        m_pDrawJob->Cancel();
    m_pDrawJob.reset();
    m_pDrawProgress.reset();
    m_imgBefore = QImage();
}

void CKelvoView::RepaintInBackground() {
    m_bRenderPending = true;
    if (!isVisible() || size().isEmpty())
        return; // drawn when the window shows
    StartDrawing();
}

void CKelvoView::StartReadingAhead() {
    // A server is read with the texts when a map needs them: no load for nothing.
    if (g_pReadingAhead || !g_GeoDatabase.IsOpen() || g_GeoDatabase.IsServer() ||
        m_canvas.TakeRowsWithTexts() || !m_canvas.LacksTexts())
        return;
    CMapDrawJob::CInput input = CMapDrawJob::CInput::RowsOnly(m_canvas, g_GeoDatabase.FilePath());
    g_pReadingAhead = this;
    m_stampReadAhead = g_GeoDatabase.DataStamp();
    const quint64 generation = ++m_nReadAheadGeneration;
    m_pReadAheadJob = CMapDrawJob::Start(std::move(input), {}, [this, generation] {
        QMetaObject::invokeMethod(
            this, [this, generation] { ReadingAheadDone(generation); }, Qt::QueuedConnection);
    });
}

void CKelvoView::ReadingAheadDone(quint64 generation) {
    if (generation != m_nReadAheadGeneration || !m_pReadAheadJob)
        return;
    const StepTrace::Step step("map.ReadingAheadDone");
    const std::shared_ptr<CMapDrawJob> job = m_pReadAheadJob;
    StopReadingAhead();
    // Taken only while nothing was stored meanwhile (Adopt compares the stamps).
    if (job->RowsRead() && job->ReadError().isEmpty() && job->RowsRead()->HasTexts()) {
        CGeoPlaceRowsCache::Of(g_GeoDatabase).Adopt(job->RowsRead(), m_stampReadAhead);
        m_canvas.TakeRowsWithTexts();
    }
}

void CKelvoView::StopReadingAhead() {
    ++m_nReadAheadGeneration;
    if (m_pReadAheadJob)
        m_pReadAheadJob->Cancel();
    m_pReadAheadJob.reset();
    if (g_pReadingAhead == this)
        g_pReadingAhead = nullptr;
}

void CKelvoView::StopTextsReadAhead() {
    if (g_pReadingAhead)
        g_pReadingAhead->StopReadingAhead();
}
