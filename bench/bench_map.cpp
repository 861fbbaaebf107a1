// Map figures: a full repaint of every row at 800 x 600 (default extent) that reads the
// database, also on a thread of its own with its own connection; the same when the data has
// not changed since the last one, the same with a place list of 1,000 entries that all exist
// in the data, reading the texts ahead, and the blink step; the memory the shared rows take
// and whether a map's memory stays flat.
#include "BenchRegistry.h"

#include "render/map/MapCanvas.h"
#include "render/map/MapDrawJob.h"
#include "render/places/PlaceFile.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "ui/shell/Globals.h"

#include <algorithm>
#include <future>
#include <memory>

namespace {

const QSize kWindow(800, 600);
const CMapSettings kDefaultMap{2.5, 17.5, 45.5, 55.5, false, 0};
constexpr int kPlaces = 1000;

// A place file of 1,000 entries spread over the table: markers of half size 3, every
// second one blinking, every tenth labelled with its place name. Made once, read as the
// program reads place files.
const CPlaceList& benchPlaces(CGeoDatabase& db) {
    static CPlaceList places;
    if (!places.isEmpty())
        return places;
    CGeoRecordset rs(db);
    QStringList keys;
    if (rs.Open(QStringLiteral("SELECT Staat, PLZ FROM GEO WHERE ID_Geo % 97 = 0 LIMIT %1")
                    .arg(kPlaces))) {
        while (rs.MoveNext())
            keys << rs.FieldText(0) + QLatin1Char(';') + rs.FieldText(1);
    }
    QByteArray file;
    for (int i = 0; i < keys.size(); ++i)
        file += QStringLiteral("%1;0;3;%2;255,0,0;0,0,255;%3;0\n")
                    .arg(keys[i])
                    .arg(i % 2)
                    .arg(i % 10 == 0 ? 12 : 0)
                    .toUtf8();
    CPlaceFileReader().Read(file, places);
    return places;
}

// A map that reads the database: no other map keeps the rows.
void coldRepaint(CGeoDatabase& db, CPlaceList* places) {
    CMapCanvas canvas(db, kDefaultMap);
    canvas.SetPlaceList(places);
    canvas.Repaint(kWindow, kWindow);
}

// Timed in a program that has drawn a map before (untimed): the one-time set-up of the
// process (fonts, the first image) is no part of a repaint. The whole process is timed
// separately against the reference process (kelvo-cli render).
const BenchRegistrar repaintAll({.group = "map",
                                 .key = "map",
                                 .run = [](CGeoDatabase& db) { coldRepaint(db, nullptr); },
                                 .setUp = [] { coldRepaint(g_GeoDatabase, nullptr); }});

// The same drawn on a thread of its own that reads through a connection of its own, as a new
// map window draws.
const BenchRegistrar repaintJob({"map", "map-job", [](CGeoDatabase& db) {
                                     std::promise<void> done;
                                     const auto job =
                                         CMapDrawJob::Start({CMapCanvas(db, kDefaultMap),
                                                             {},
                                                             kWindow,
                                                             kWindow,
                                                             db.FilePath(),
                                                             false,
                                                             nullptr,
                                                             false,
                                                             false,
                                                             {}},
                                                            {}, [&done] { done.set_value(); });
                                     done.get_future().wait();
                                 }});

const BenchRegistrar repaintPlaces({"map", "map-places", [](CGeoDatabase& db) {
                                        CPlaceList places = benchPlaces(db);
                                        coldRepaint(db, &places);
                                    }});

// One map window's canvas, drawn before the timed runs.
std::unique_ptr<CMapCanvas> g_pCanvas;
double g_dResidentBefore = 0;

void openCanvas() {
    g_dResidentBefore = ResidentBytes();
    g_pCanvas = std::make_unique<CMapCanvas>(g_GeoDatabase, kDefaultMap);
    g_pCanvas->Repaint(kWindow, kWindow);
}

void closeCanvas() {
    g_pCanvas.reset();
}

// Repaints with unchanged data; the growth of the resident memory over twenty of them.
const BenchRegistrar
    repaintUnchanged({.group = "map",
                      .key = "map-unchanged",
                      .run = [](CGeoDatabase&) { g_pCanvas->Repaint(kWindow, kWindow); },
                      .setUp =
                          [] {
                              openCanvas();
                              const double before = ResidentBytes();
                              for (int i = 0; i < 20; ++i)
                                  g_pCanvas->Repaint(kWindow, kWindow);
                              BenchReport("map-growth-kb", (ResidentBytes() - before) / 1024);
                          },
                      .tearDown = closeCanvas});

// Reading ahead, on a thread with its own connection as a map window does after a repaint,
// the texts names, memos and place lists need; the memory the shared rows then take.
const BenchRegistrar
    readAhead({.group = "map",
               .key = "map-read-ahead",
               .run =
                   [](CGeoDatabase&) {
                       const CGeoDatabase::CDataStamp stamp = g_GeoDatabase.DataStamp();
                       std::promise<void> read;
                       const std::shared_ptr<CMapDrawJob> job = CMapDrawJob::Start(
                           CMapDrawJob::CInput::RowsOnly(*g_pCanvas, g_GeoDatabase.FilePath()), {},
                           [&read] { read.set_value(); });
                       read.get_future().wait();
                       CGeoPlaceRowsCache::Of(g_GeoDatabase).Adopt(job->RowsRead(), stamp);
                       g_pCanvas->TakeRowsWithTexts();
                       const qint64 rows = g_GeoDatabase.GetRecordCount(QStringLiteral("GEO"));
                       if (rows > 0)
                           BenchReport("map-bytes-per-row",
                                       (ResidentBytes() - g_dResidentBefore) / double(rows));
                   },
               .tearDown = closeCanvas,
               .prepare = [](CGeoDatabase&) { openCanvas(); }});

// One step of the blink timer; 500 of the 1,000 entries blink.
CPlaceList g_places;
const BenchRegistrar blink({.group = "map",
                            .key = "blink",
                            .run = [](CGeoDatabase&) { g_pCanvas->OnTimer(); },
                            .setUp =
                                [] {
                                    g_places = benchPlaces(g_GeoDatabase);
                                    g_pCanvas =
                                        std::make_unique<CMapCanvas>(g_GeoDatabase, kDefaultMap);
                                    g_pCanvas->SetPlaceList(&g_places);
                                    g_pCanvas->Repaint(kWindow, kWindow);
                                },
                            .tearDown = closeCanvas});

} // namespace
