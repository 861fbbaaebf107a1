// Territory figures: a map repaint coloured by 500 territories against the same repaint in
// country colours (both with the data unchanged since the last repaint), the first coloured
// repaint (which places every row), reading the territories and counting the places of
// each again after 10,000 places were assigned (all anew, and from the count before, as the
// panel does), and the coloured map's repaint after such an assignment. The territories are
// made in the benchmark's database before the first run and removed after the last.
#include "BenchRegistry.h"

#include "data/GeoCopy.h"
#include "render/map/MapCanvas.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/PostalAreaFile.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryCopy.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include <time.h>

#include <memory>

namespace {

const QSize kWindow(800, 600);
const CMapSettings kDefaultMap{2.5, 17.5, 45.5, 55.5, false, 0};
constexpr int kTerritories = 500;
constexpr int kAssigned = 10000;

std::unique_ptr<CMapCanvas> g_pPlain, g_pColored;
// The place rows after the assignment, kept as an open map window keeps them.
std::shared_ptr<const CGeoPlaceRows> g_pRows;

// 500 territories in one import: each German postal code goes to the territory of its
// first three digits (the prefixes dealt out in turn).
void makeTerritories() {
    CTerritoryStore store(g_GeoDatabase);
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    QMap<QByteArray, int> prefixes;
    QList<CTerritoryImportLine> lines;
    QByteArray last;
    for (quint32 k = 0; k < rows->Size(); ++k) {
        const QByteArrayView plz = rows->TextOf(k, CGeoPlaceRows::Plz);
        if (rows->Countries()[rows->Country(k)] != "DE" || plz == last || plz.size() < 3)
            continue;
        last = plz.toByteArray();
        const QByteArray prefix = last.first(3);
        if (!prefixes.contains(prefix))
            prefixes.insert(prefix, int(prefixes.size()) % kTerritories);
        lines << CTerritoryImportLine{int(lines.size()) + 2,
                                      "DE",
                                      last,
                                      {},
                                      {},
                                      QStringLiteral("Gebiet %1").arg(prefixes.value(prefix)),
                                      false};
    }
    QStringList created;
    int rules = 0, singles = 0, kept = 0;
    if (!store.Import(lines, &created, &rules, &singles, &kept))
        qFatal("%s", qPrintable(store.Error()));
    BenchReport("territory-rules", rules);
}

void dropTerritories() {
    for (const char* table : {"GEBIET", "GEBIET_REGEL", "GEBIET_AUSNAHME"})
        g_GeoDatabase.Execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QLatin1String(table)));
}

void setUpMaps() {
    dropTerritories();
    makeTerritories();
    g_pPlain = std::make_unique<CMapCanvas>(g_GeoDatabase, kDefaultMap);
    g_pPlain->Repaint(kWindow, kWindow);
    g_pColored = std::make_unique<CMapCanvas>(g_GeoDatabase, kDefaultMap);
    g_pColored->m_bTerritoryColors = true;
    g_pColored->Repaint(kWindow, kWindow);
}

void tearDownMaps() {
    g_pRows.reset();
    g_pPlain.reset();
    g_pColored.reset();
    dropTerritories();
}

// The plain and the coloured repaint in one figure each, measured in the same set-up.
const BenchRegistrar plain({.group = "territory",
                            .key = "map-plain",
                            .run = [](CGeoDatabase&) { g_pPlain->Repaint(kWindow, kWindow); },
                            .setUp = setUpMaps});
const BenchRegistrar
    colored({.group = "territory", .key = "map-territories", .run = [](CGeoDatabase&) {
                 if (g_pColored)
                     g_pColored->Repaint(kWindow, kWindow);
             }});
// The two repaints in turn, five times each, as CPU time of this thread: on a shared machine
// the other programs' load then falls on neither.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}
const BenchRegistrar
    alternating({.group = "territory", .key = "map-cpu-alternating", .run = [](CGeoDatabase&) {
                     if (!g_pPlain || !g_pColored)
                         return;
                     double plain = 0, colored = 0;
                     for (int i = 0; i < 5; ++i) {
                         double start = threadCpuMs();
                         g_pPlain->Repaint(kWindow, kWindow);
                         plain += threadCpuMs() - start;
                         start = threadCpuMs();
                         g_pColored->Repaint(kWindow, kWindow);
                         colored += threadCpuMs() - start;
                     }
                     BenchReport("map-plain-cpu", plain / 5);
                     BenchReport("map-territories-cpu", colored / 5);
                     BenchReport("map-territories-cpu-ratio", colored / plain);
                 }});
const BenchRegistrar
    first({.group = "territory", .key = "map-territories-first", .run = [](CGeoDatabase& db) {
               CMapCanvas canvas(db, kDefaultMap);
               canvas.m_bTerritoryColors = true;
               canvas.Repaint(kWindow, kWindow);
           }});

// Every tenth row of the first 100,000 put into a territory, after the rows were counted
// (as an open panel has them).
CTerritoryData g_before;
CTerritoryCount g_count;

void assignPlaces() {
    CTerritoryStore store(g_GeoDatabase);
    QString error;
    // Read as the panel reads them, so that the assignment finds them kept.
    store.LoadAt(store.ChangeCount(), &g_before);
    g_pRows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    g_count.Update(g_pRows, g_before);
    QList<CTerritoryException> places;
    for (quint32 k = 0; k < g_pRows->Size() && places.size() < kAssigned; k += 10)
        places << CTerritoryException{g_pRows->Countries()[g_pRows->Country(k)],
                                      g_pRows->TextOf(k, CGeoPlaceRows::Plz).toByteArray(),
                                      g_pRows->TextOf(k, CGeoPlaceRows::Ort).toByteArray(),
                                      g_pRows->TextOf(k, CGeoPlaceRows::Ortsteil).toByteArray(),
                                      g_before.territories.first().id};
    if (!store.Assign(places))
        qFatal("%s", qPrintable(store.Error()));
}

// The territories read and every place counted anew.
const BenchRegistrar recountAll({.group = "territory",
                                 .key = "territory-recount-full",
                                 .run =
                                     [](CGeoDatabase& db) {
                                         CTerritoryStore store(db);
                                         CTerritoryData data;
                                         QString error;
                                         store.Load(&data);
                                         const auto rows =
                                             CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
                                         const CTerritoryAssigner assigner(data);
                                         const CTerritoryTotals totals =
                                             CTerritoryTotals::Count(assigner.PlaceRows(*rows));
                                         BenchReport("territory-recount-full-none",
                                                     double(totals.places.value(0)));
                                     },
                                 .setUp = assignPlaces});

// The territories and the count of before the assignment brought up to date, as the panel
// does after "Zuweisen": the territories it wrote are taken as kept, and only the rows of
// the assigned codes are placed again. The rows must be those read before the assignment
// (it does not move the data stamp).
const BenchRegistrar
    recount({.group = "territory",
             .key = "territory-recount",
             .run =
                 [](CGeoDatabase& db) {
                     QElapsedTimer clock;
                     clock.start();
                     const double cpu = threadCpuMs();
                     CTerritoryStore store(db);
                     CTerritoryData data;
                     QString error;
                     store.LoadAt(store.ChangeCount(), &data);
                     const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
                     BenchReport("territory-recount-read-ms", double(clock.nsecsElapsed()) / 1e6);
                     clock.restart();
                     g_count.Update(rows, data);
                     BenchReport("territory-recount-count-ms", double(clock.nsecsElapsed()) / 1e6);
                     BenchReport("territory-recount-cpu", threadCpuMs() - cpu);
                     BenchReport("territory-recount-placed", double(g_count.LastPlaced()));
                     BenchReport("territory-recount-rows-kept", rows == g_pRows ? 1 : 0);
                 },
             .prepare = [](CGeoDatabase&) { g_count.Update(g_pRows, g_before); }});

// The coloured map repainted after the same 10,000 places were assigned, to the second and
// the first territory in turn (the assignment not timed).
int g_nextTarget = 1;
const BenchRegistrar
    mapAfterAssign({.group = "territory",
                    .key = "map-territories-after-assign",
                    .run =
                        [](CGeoDatabase&) {
                            const double start = threadCpuMs();
                            g_pColored->Repaint(kWindow, kWindow);
                            BenchReport("map-territories-after-assign-cpu", threadCpuMs() - start);
                        },
                    .tearDown =
                        [] {
                            g_count = CTerritoryCount();
                            g_before = CTerritoryData();
                            tearDownMaps();
                        },
                    .prepare =
                        [](CGeoDatabase& db) {
                            CTerritoryStore store(db);
                            QList<CTerritoryException> places;
                            for (quint32 k = 0; k < g_pRows->Size() && places.size() < kAssigned;
                                 k += 10)
                                places << CTerritoryException{
                                    g_pRows->Countries()[g_pRows->Country(k)],
                                    g_pRows->TextOf(k, CGeoPlaceRows::Plz).toByteArray(),
                                    g_pRows->TextOf(k, CGeoPlaceRows::Ort).toByteArray(),
                                    g_pRows->TextOf(k, CGeoPlaceRows::Ortsteil).toByteArray(),
                                    g_before.territories[g_nextTarget].id};
                            g_nextTarget = 1 - g_nextTarget;
                            if (!store.Assign(places))
                                qFatal("%s", qPrintable(store.Error()));
                        }});

// The same 500 territories outlined by postal-code areas against outlined by their hulls,
// each repainted with nothing changed: the areas (a square around the first place of each
// German code, imported from GeoJSON as a user imports them) are in a copy of the database,
// the hulls are drawn from the database itself.
std::unique_ptr<QTemporaryDir> g_pAreaDir;
std::unique_ptr<CGeoDatabase> g_pAreaDb;
std::unique_ptr<CMapCanvas> g_pHulls, g_pAreas;

void importSquares(CGeoDatabase& db, const QString& path) {
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(db).Rows(true, {}, &error);
    QJsonArray features;
    QByteArray last;
    for (quint32 k = 0; k < rows->Size(); ++k) {
        const QByteArrayView plz = rows->TextOf(k, CGeoPlaceRows::Plz);
        if (rows->Countries()[rows->Country(k)] != "DE" || plz == last)
            continue;
        last = plz.toByteArray();
        const double x = rows->Coordinates(k).lon, y = rows->Coordinates(k).lat, d = 0.03;
        const QJsonArray ring{QJsonArray{x - d, y - d}, QJsonArray{x + d, y - d},
                              QJsonArray{x + d, y + d}, QJsonArray{x - d, y + d},
                              QJsonArray{x - d, y - d}};
        features << QJsonObject{
            {"type", "Feature"},
            {"properties", QJsonObject{{"plz", QString::fromUtf8(last)}}},
            {"geometry", QJsonObject{{"type", "Polygon"}, {"coordinates", QJsonArray{ring}}}}};
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("%s", qPrintable(path));
    file.write(QJsonDocument(QJsonObject{{"type", "FeatureCollection"}, {"features", features}})
                   .toJson(QJsonDocument::Compact));
    file.close();
    CPostalAreaColumns columns;
    QString report;
    if (!PostalAreaFile::Columns(path, &columns, &error) ||
        !PostalAreaFile::Import(db, path, columns.mapping, &report, &error))
        qFatal("%s", qPrintable(error));
    BenchReport("map-outlines-areas-imported", double(features.size()));
}

void setUpOutlines() {
    setUpMaps();
    g_pAreaDir = std::make_unique<QTemporaryDir>();
    g_pAreaDb = std::make_unique<CGeoDatabase>();
    GeoCopy::Options options;
    options.copyTerritories = TerritoryCopy::Copy;
    if (!g_pAreaDb->OpenNew(g_pAreaDir->filePath("Flaechen.mde")) ||
        !GeoCopy::Copy(g_GeoDatabase, *g_pAreaDb, options).ok || !g_pAreaDb->PublishNew())
        qFatal("copy failed");
    importSquares(*g_pAreaDb, g_pAreaDir->filePath("Flaechen.geojson"));
    g_pHulls = std::make_unique<CMapCanvas>(g_GeoDatabase, kDefaultMap);
    g_pAreas = std::make_unique<CMapCanvas>(*g_pAreaDb, kDefaultMap);
    for (CMapCanvas* canvas : {g_pHulls.get(), g_pAreas.get()}) {
        canvas->m_bTerritoryOutlines = true;
        canvas->Repaint(kWindow, kWindow);
    }
}

const BenchRegistrar outlines({.group = "territory",
                               .key = "map-outlines-cpu-alternating",
                               .run =
                                   [](CGeoDatabase&) {
                                       double hulls = 0, areas = 0;
                                       for (int i = 0; i < 5; ++i) {
                                           double start = threadCpuMs();
                                           g_pHulls->Repaint(kWindow, kWindow);
                                           hulls += threadCpuMs() - start;
                                           start = threadCpuMs();
                                           g_pAreas->Repaint(kWindow, kWindow);
                                           areas += threadCpuMs() - start;
                                       }
                                       BenchReport("map-outlines-hulls-cpu", hulls / 5);
                                       BenchReport("map-outlines-areas-cpu", areas / 5);
                                       BenchReport("map-outlines-cpu-ratio", areas / hulls);
                                   },
                               .setUp = setUpOutlines,
                               .tearDown =
                                   [] {
                                       g_pHulls.reset();
                                       g_pAreas.reset();
                                       g_pAreaDb.reset();
                                       g_pAreaDir.reset();
                                       tearDownMaps();
                                   }});

} // namespace
