// The base map's cost: repaints of a kept 800 x 600 map window with unchanged data, at the
// default extent and in a zoom of the Ruhr (6.6-7.8 E, 51.2-51.7 N, the finest shores and
// rivers installed), with the base map and without. The base map's files are read before
// the timed runs, as a window has read them after its first repaint. The "-first" figures
// are the first repaint of a new window over the same extent: the base map drawn, not
// copied.
#include "BenchRegistry.h"

#include "render/map/MapCanvas.h"
#include "render/map/MapExtent.h"
#include "ui/shell/Globals.h"

#include <memory>

namespace {

const QSize kWindow(800, 600);
const CMapSettings kDefault{kDefaultLonWest, kDefaultLonEast, kDefaultLatSouth, kDefaultLatNorth};
const CMapSettings kRuhr{6.6, 7.8, 51.2, 51.7};

std::unique_ptr<CMapCanvas> g_pCanvas;

BenchFigure figure(const char* key, const CMapSettings& extent, bool baseMap) {
    return {.group = "map",
            .key = QString::fromLatin1(key),
            .run = [](CGeoDatabase&) { g_pCanvas->Repaint(kWindow, kWindow); },
            .setUp =
                [extent, baseMap] {
                    CMapSettings settings = extent;
                    settings.bBaseMap = baseMap;
                    g_pCanvas = std::make_unique<CMapCanvas>(g_GeoDatabase, settings);
                    g_pCanvas->Repaint(kWindow, kWindow);
                },
            .tearDown = [] { g_pCanvas.reset(); }};
}

BenchFigure first(const char* key, const CMapSettings& extent, bool baseMap) {
    BenchFigure f = figure(key, extent, baseMap);
    f.run = [extent, baseMap](CGeoDatabase&) {
        CMapSettings settings = extent;
        settings.bBaseMap = baseMap;
        CMapCanvas(g_GeoDatabase, settings).Repaint(kWindow, kWindow);
    };
    return f;
}

const BenchRegistrar off(figure("basemap-off", kDefault, false));
const BenchRegistrar on(figure("basemap-on", kDefault, true));
const BenchRegistrar ruhrOff(figure("basemap-ruhr-off", kRuhr, false));
const BenchRegistrar ruhrOn(figure("basemap-ruhr-on", kRuhr, true));
const BenchRegistrar ruhrFirstOff(first("basemap-ruhr-first-off", kRuhr, false));
const BenchRegistrar ruhrFirstOn(first("basemap-ruhr-first-on", kRuhr, true));

} // namespace
