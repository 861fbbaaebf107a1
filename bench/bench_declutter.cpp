// A zoom window over the Ruhr (6.6-7.8 E, 51.2-51.7 N, names and squares of half size 2) at
// 800 x 600: the full repaint with names without overlap against the plain one.
#include "BenchRegistry.h"

#include "render/map/MapCanvas.h"

namespace {

const QSize kWindow(800, 600);

void renderRuhr(CGeoDatabase& db, bool declutter) {
    CMapCanvas canvas(db, CMapSettings{6.6, 7.8, 51.2, 51.7, true, 2});
    canvas.m_bDeclutterNames = declutter;
    canvas.Repaint(kWindow, kWindow);
}

const BenchRegistrar plain({"declutter", "ruhr-names",
                            [](CGeoDatabase& db) { renderRuhr(db, false); }});
const BenchRegistrar readable({"declutter", "ruhr-declutter",
                               [](CGeoDatabase& db) { renderRuhr(db, true); }});

} // namespace
