// Map window figure: a full repaint of a real map view of 800 x 600 in the main frame with
// unchanged data, which adds the status-bar progress and the copy to the window to the
// widget-free repaint.
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

} // namespace
