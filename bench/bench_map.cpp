// Map figures: a full repaint of every row at 800 x 600 (default extent), the same with a
// place list of 1,000 entries that all exist in the data, and the blink step.
#include "BenchRegistry.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "mapdoc/PlaceFile.h"
#include "mapview/MapCanvas.h"

#include <algorithm>

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
    // (Written so that a server takes it too.)
    if (rs.Open(QStringLiteral(
            "SELECT Staat, PLZ FROM GEO GROUP BY Staat, PLZ ORDER BY min(ID_Geo)"))) {
        while (rs.MoveNext())
            keys << rs.FieldText(0) + QLatin1Char(';') + rs.FieldText(1);
    }
    QByteArray file;
    const int step = std::max<int>(1, int(keys.size() / kPlaces));
    for (int i = 0; i < kPlaces && i * step < keys.size(); ++i)
        file += QStringLiteral("%1;0;3;%2;255,0,0;0,0,255;%3;0\n")
                    .arg(keys[i * step])
                    .arg(i % 2)
                    .arg(i % 10 == 0 ? 12 : 0)
                    .toUtf8();
    CPlaceFileReader().Read(file, places);
    return places;
}

void repaint(CGeoDatabase& db, CPlaceList* places) {
    CMapCanvas canvas(db, kDefaultMap);
    canvas.SetPlaceList(places);
    canvas.Repaint(kWindow, kWindow);
}

const QString kRepaint = QStringLiteral("map repaint 800x600, all rows");

static BenchRegistrar repaintAll({kRepaint, [](CGeoDatabase& db) { repaint(db, nullptr); }, {}});

static BenchRegistrar repaintPlaces({QStringLiteral("map repaint with 1,000 places"),
                                     [](CGeoDatabase& db) {
                                         CPlaceList places = benchPlaces(db);
                                         repaint(db, &places);
                                     },
                                     kRepaint});

// One step of the blink timer; 500 of the 1,000 entries blink.
static BenchRegistrar blink({QStringLiteral("one blink tick, 1,000 places"),
                             [](CGeoDatabase& db) {
                                 static CPlaceList places = benchPlaces(db);
                                 static CMapCanvas canvas(db, kDefaultMap);
                                 if (canvas.BackBuffer().isNull()) {
                                     canvas.SetPlaceList(&places);
                                     canvas.Repaint(kWindow, kWindow);
                                 }
                                 canvas.OnTimer();
                             },
                             kRepaint});

} // namespace
