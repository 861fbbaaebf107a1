#pragma once

#include "render/map/BandTracker.h"
#include "render/map/MapCanvas.h"
#include "render/map/MapDrawJob.h"
#include "render/map/MapLasso.h"
#include "render/map/MapMarks.h"
#include "render/map/MapPrint.h"
#include "store/GeoDatabase.h"
#include "store/territory/Territory.h"
#include "ui/shell/PrintCommands.h"
#include "ui/shell/View.h"

#include <QBasicTimer>
#include <QWidget>

#include <memory>

class CGeoPlaceRows;
class CKelvoDoc;
class CStatusBarProgress;
class QPrinter;

// The view of a map window. Its state and drawing are a CMapCanvas (extent, switches, plot
// rectangle, projection), made when the view is constructed, so that it takes the extent and
// display settings the globals hold for the next map view before the new document resets
// them. The map is rendered into the canvas's back buffer: a full repaint (first show,
// resize, RepaintNow, the display switches, the nearby search) draws it again, reading the
// database only when its data has changed; an expose only copies the buffer. Every full
// repaint is drawn on a thread of its own (CMapDrawJob): the frame (or the picture before)
// shows at once, the window answers meanwhile, and Esc stops the drawing (a new window
// closes, another shows its map as before). After a repaint, idle
// time reads ahead what names, memos and place lists need, so that switching them on reads nothing.
// A timer makes the place list's markers blink.
//
// Mouse: a band dragged with the left button opens a zoomed map window; a double-click
// opens a table window of the places near the point. Commands: the three display switches,
// print, print without dialog, print preview. The view whose window was last made active or
// that last gained the keyboard focus is g_pLastMapView.
class CKelvoView : public QWidget, public CView, public CPrintCommands {
    Q_OBJECT
public:
    explicit CKelvoView(QWidget* parent = nullptr);
    ~CKelvoView() override; // clears g_pLastMapView, whichever view it points to

    CKelvoDoc* GetDocument() const;
    CMapCanvas& Canvas() { return m_canvas; }
    const CBandTracker& Band() const { return m_band; }

    // Takes the document's place list and starts the blink timer. A further window on the
    // same document takes the extent, names switch and marker size of the document's first.
    void OnInitialUpdate() override;
    // The window is up: a list's windows come up beside it.
    void OnFrameShown() override;
    // Its window is the active one: it becomes g_pLastMapView.
    void OnActivateView() override;
    // A full repaint (a display switch, changed data): the map is drawn again on a thread of
    // its own, the picture before showing until the new one is there. While the window is
    // hidden, the repaint waits until it shows.
    void RepaintNow();
    // The same drawn at once, for a caller that shows the map before it opens a modal dialog
    // (the place of a record).
    void RepaintAtOnce();
    // A full repaint drawn on a thread of its own; the window shows its frame at once.
    void RepaintInBackground();
    // Whether a repaint is being drawn on its thread.
    bool IsDrawing() const { return m_pDrawJob != nullptr; }
    // The database has changed: a full repaint.
    void OnUpdate() override { RepaintNow(); }
    // The blink step: markers of blinking places change colour; only their squares are
    // painted again. Nothing happens while the place list is switched off.
    void OnTimer();

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;
    void OnShowFilePlaces();
    void OnShowMemos();
    void OnShowPlaceNames();
    // One page, after the print dialog when asked for; "Seitenansicht".
    void OnFilePrint(bool withDialog) override;
    void OnFilePrintPreview() override;
    // Prints the map on one page at the physical size it has on the screen; a map that does
    // not fit the printable area turns the page to the orientation that fits it better and
    // is scaled down if it still does not fit. False when the printer cannot be used or the
    // drawing ended with an engine error (both reported).
    bool OnPrint(QPrinter& printer);
    // How the map goes onto the printer's page.
    CMapPageFit PageFit(const QPrinter& printer) const;

    // The zoom: a band from `press` with the signed width and height opens a map window of
    // the band's extent with names and squares. Narrower than 10 pixels: nothing.
    void OnZoom(QPoint press, int w, int h);
    // The nearby search: a table window of the places in a small box around the point.
    void OnLButtonDblClk(QPoint point);
    // A click that drew no band: the place drawn nearest to the point (within 8 pixels) is
    // marked, named with its distance in the status bar, and becomes the current row of every
    // table window that lists it.
    void OnMapClick(QPoint point);
    // "Namen ohne Überlappung": names only where they cover no name drawn before.
    void OnDeclutterNames();
    void OnPlacesWithoutRow(); // lists the place file's entries that no map shows
    // "Grundkarte", "Seitenverhältnis wahren", "Legende", "Karte als Bild speichern..." and
    // "Karte als Poster drucken...".
    bool OnBaseMapCommand(int id);
    bool OnUpdateBaseMapCommand(int id, CCmdUI& ui);
    // Writes what the window shows as PNG (1, 2 or 4 times its size) or SVG.
    void OnSaveMapImage();
    // "Karte als Poster drucken...": the poster dialog, then a printer or a PDF file.
    void OnPrintPoster();
    // "Gebietsumrisse" and "Gebietsumrisse speichern..." (KelvoViewTerritories.cpp).
    bool OnTerritoryCommand(int id);
    bool OnUpdateTerritoryCommand(int id, CCmdUI& ui);
    // "Gebiet zuweisen...": the places inside the lasso, or without one those of the extent.
    void OnAssignTerritory();
    // The free-hand selection dragged with Ctrl held, in degrees; empty for none.
    const QPolygonF& Lasso() const { return m_lasso.Degrees(); }
    const CMapLasso& LassoArea() const { return m_lasso; }
    // The places inside the lasso are counted on a worker thread once it is let go ("N Orte
    // im Lasso" in the status bar, the territory panel told when they are there).
    bool LassoCounting() const { return m_bLassoCounting; }
    // The rows of `rows` inside the lasso when they were counted over those rows; null
    // otherwise (no lasso, still counting, counted over other rows).
    const QList<quint32>* LassoRows(const CGeoPlaceRows* rows) const;
    // Counts the places inside the lasso again over `rows` (the territory panel's, when the
    // count of the lasso used others), on a worker thread; the panel is told when they are
    // there.
    void CountLasso(std::shared_ptr<const CGeoPlaceRows> rows) { StartLassoCount(rows, false); }

    // Rings around places (a table window's selected rows), set by `source`; none clears
    // them. They are composed over the map without drawing it again.
    void SetMarks(const void* source, QList<QPointF> lonLat);
    // Clears the marks when `source` set them.
    void ClearMarksFrom(const void* source);
    const CMapMarks& Marks() const { return m_marks; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Hands the canvas the document's place list (none once the document has gone).
    void SyncPlaceList();
    // The base map, proportions and legend switches the last window left for new ones.
    void TakeRememberedSwitches();
    // The legend's sections of the document: a list's groups.
    void SyncLegend();
    // What a full repaint does first: the place list, the database tried again, the selected
    // place. False when the database is in use by another program.
    bool PrepareRender();
    // And afterwards: the marks, the caption or note, the error, the reading ahead.
    void AfterRender(QString error, bool ready);
    // The full repaint on this thread, with progress in the status bar, and AfterRender.
    void DrawAtOnce(bool ready);
    // The repaint on a thread of its own (KelvoViewDrawing.cpp); the frame shows meanwhile,
    // or with `keepPicture` the picture before.
    void StartDrawing(bool keepPicture = false);
    void DrawingDone(quint64 generation);
    // The texts for names, memos and place lists read ahead after a repaint that lacked them,
    // on a thread with its own connection, for all map windows at once (they share the rows).
    void StartReadingAhead();
    void ReadingAheadDone(quint64 generation);
    void StopReadingAhead();
    // Stops the reading ahead of whichever window reads the texts ahead.
    static void StopTextsReadAhead();
    // Esc while it is drawn; false when nothing is.
    bool CancelDrawing();
    // Forgets a drawing under way (a newer repaint replaces it, the window goes).
    void DropDrawing();
    // The selected place of the globals into the canvas, before it draws.
    void SyncSelectedPlace();
    // Renders soon, outside any paint event, when a repaint is due.
    void ScheduleRender();
    // Shows an engine error; from inside a paint event only once that has ended.
    void ReportError(const QString& message);
    bool PlacesLoaded() const;
    void UpdateBand(const QRect& old);
    void CancelBand();

    CMapCanvas m_canvas;
    CMapMarks m_marks;                    // rings over the map
    const void* m_pMarksSource = nullptr; // who set them
    CBandTracker m_band;                  // the zoom's rubber band while it is dragged
    CMapLasso m_lasso;                    // the free-hand selection for territories
    bool LassoMouse(QMouseEvent* event);  // the lasso's part of the mouse events
    void PaintLasso(QPainter& painter);
    bool ClearLasso(); // Esc: false when there was none
    // The lasso's count on a worker thread, said in the status bar when `announce`; a count
    // under way is forgotten.
    void StartLassoCount(std::shared_ptr<const CGeoPlaceRows> rows, bool announce);
    struct CLassoCount {
        std::shared_ptr<const CGeoPlaceRows> rows; // counted over these
        QList<quint32> inside;
    };
    void LassoCounted(quint64 generation, CLassoCount count, bool announce);
    // What "Gebiet zuweisen..." assigns: the places in the lasso, or without one those of the
    // extent, with their texts, made on the map jobs' thread (the texts read there first when
    // no rows in use have them) while the window stays usable, the status bar saying "Orte
    // werden gelesen:". False when Esc or a close of the window stopped it.
    bool SelectedPlaces(QList<CTerritoryException>* places, QString* error);
    void DropLassoCount();
    CLassoCount m_lassoCount;
    quint64 m_nLassoGeneration = 0; // which count the view waits for
    bool m_bLassoCounting = false;
    QBasicTimer m_timerBlink;
    bool m_bRenderPending = true; // the back buffer does not show the window's map yet
    bool m_bRenderQueued = false;
    std::shared_ptr<CMapDrawJob> m_pDrawJob;             // the repaint drawn on its thread
    std::unique_ptr<CStatusBarProgress> m_pDrawProgress; // its bar
    quint64 m_nDrawGeneration = 0;                       // which job the view waits for
    CGeoDatabase::CDataStamp m_stampDrawn;               // the data when the job began
    QImage m_imgBefore;                                  // the picture before it, to go back to
    CRect m_rectBefore;
    std::shared_ptr<CMapDrawJob> m_pReadAheadJob;
    quint64 m_nReadAheadGeneration = 0;
    CGeoDatabase::CDataStamp m_stampReadAhead; // the data when it began
};
