// Map window figures: a full repaint of a real map view of 800 x 600 in the main frame with
// unchanged data, which adds the status-bar progress and the copy to the window to the
// widget-free repaint; the same drawn on its thread, to the first picture and to the end.
#include "BenchRegistry.h"

#include "ui/map/CKelvoView.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/KelvoApp.h"

#include <QApplication>

namespace {

CKelvoView* g_pView = nullptr;

void openMapWindow() {
    theApp.InitInstance();
    CDocument* doc = theApp.m_pMapTemplate->OpenDocumentFile();
    g_pView = doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    if (!g_pView)
        return;
    CChildFrame* frame = g_pView->GetParentFrame();
    frame->resize(frame->size() + QSize(800, 600) - g_pView->size());
    QApplication::processEvents();
}

void closeMapWindow() {
    g_pView = nullptr;
    theApp.ExitInstance();
    QApplication::processEvents();
}

const BenchRegistrar repaintWindow({"map", "map-window",
                                    [](CGeoDatabase&) {
                                        if (g_pView)
                                            g_pView->RepaintNow();
                                    },
                                    openMapWindow, closeMapWindow});

// The same repaint drawn on its thread, as a new window, the zoom and the nearby search draw:
// until the frame shows (the window answers from then on), and until the map is finished.
void waitForMap() {
    while (g_pView && g_pView->IsDrawing())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

const BenchRegistrar firstPicture({.group = "map",
                                   .key = "map-window-first",
                                   .run =
                                       [](CGeoDatabase&) {
                                           if (g_pView)
                                               g_pView->RepaintInBackground();
                                       },
                                   .setUp = openMapWindow,
                                   .tearDown = closeMapWindow,
                                   .prepare = [](CGeoDatabase&) { waitForMap(); }});

const BenchRegistrar threadPicture({.group = "map",
                                    .key = "map-window-thread",
                                    .run =
                                        [](CGeoDatabase&) {
                                            if (g_pView)
                                                g_pView->RepaintInBackground();
                                            waitForMap();
                                        },
                                    .setUp = openMapWindow,
                                    .tearDown = closeMapWindow});

} // namespace
