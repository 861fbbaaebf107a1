// Maps drawn on a thread of their own: the picture a job ends with is the one the window's
// thread draws, on both engines, with names and squares and a place list, whether the job
// reads the rows through its own connection or is given the shared ones; and rows it read
// are shared afterwards only when the data did not change meanwhile.
#include "common/EngineFixture.h"
#include "render/map/MapDrawJob.h"
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"

#include <sqlite3.h>

#include <future>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

const QSize kSize(800, 600);

// Runs a job on a copy of the canvas and waits for its end.
std::shared_ptr<CMapDrawJob> drawInJob(CGeoDatabase& db, const CMapCanvas& canvas,
                                       const CPlaceList& places, bool given) {
    const bool texts = canvas.WantsTexts();
    std::promise<void> done;
    auto job = CMapDrawJob::Start(
        CMapDrawJob::CInput{canvas,
                            places,
                            kSize,
                            kSize,
                            db.FilePath(),
                            texts,
                            given ? CGeoPlaceRowsCache::Of(db).Cached(texts) : nullptr,
                            false,
                            false,
                            {}},
        {}, [&done] { done.set_value(); });
    done.get_future().wait();
    return job;
}

// A place list of rows of the data, every third labelled, every other one blinking.
CPlaceList placesOf(CGeoDatabase& db) {
    CGeoRecordset rs(db);
    QByteArray file;
    EXPECT_TRUE(rs.Open(QStringLiteral("SELECT Staat, PLZ FROM GEO WHERE ID_Geo % 997 = 0")));
    for (int i = 0; rs.MoveNext(); ++i)
        file += QStringLiteral("%1;%2;0;3;%3;0,0,255;0;%4;0\n")
                    .arg(rs.FieldText(0), rs.FieldText(1))
                    .arg(i % 2)
                    .arg(i % 3 == 0 ? 12 : 0)
                    .toUtf8();
    file += "DE;00000;0;3;1;0,0,255;0;12;0\n"; // a place the data does not have
    CPlaceList places;
    CPlaceFileReader().Read(file, places);
    return places;
}

class MapDrawJobTest : public EngineTest {};

} // namespace

TEST_P(MapDrawJobTest, TheFinishedPictureIsTheOneDrawnAtOnce) {
    const QString address = SharedDatabase();
    if (address.isEmpty())
        GTEST_SKIP() << "no GeoNames data";
    CGeoDatabase db;
    ASSERT_TRUE(db.Open(address)) << db.OpenError().toStdString();
    const CPlaceList places = placesOf(db);
    ASSERT_GT(places.size(), 10);
    struct Variant {
        const char* name;
        CMapSettings settings;
        bool placeList;
    };
    CMapSettings zoom = DefaultSettings(true, 2);
    zoom.dLonWest = 8.0, zoom.dLonEast = 9.5, zoom.dLatSouth = 47.0, zoom.dLatNorth = 48.0;
    CMapSettings selected = DefaultSettings();
    selected.selected = CMapSelectedPlace{13.4, 52.5, QStringLiteral("Berlin")};
    const Variant variants[] = {{"all rows", DefaultSettings(), false},
                                {"zoomed, names and squares", zoom, false},
                                {"selected place and place list", selected, true}};
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        CPlaceList shown = places;
        CMapCanvas now(db, v.settings);
        if (v.placeList)
            now.SetPlaceList(&shown);
        const QImage expected = Render(now);
        for (const bool given : {false, true}) {
            SCOPED_TRACE(given ? "rows given" : "rows read by the job");
            CPlaceList drawnList = places;
            CMapCanvas canvas(db, v.settings);
            if (v.placeList)
                canvas.SetPlaceList(&drawnList);
            const auto job = drawInJob(db, canvas, drawnList, given);
            EXPECT_TRUE(job->ReadError().isEmpty());
            EXPECT_EQ(job->RowsRead() == nullptr, given);
            EXPECT_TRUE(canvas.TakeRepaint(job->Drawn(), job->Report()).isEmpty());
            EXPECT_TRUE(canvas.BackBuffer() == expected);
            EXPECT_EQ(canvas.m_rectPlot, now.m_rectPlot);
            // The entries drawn know where they are, and blink there.
            for (int i = 0; i < shown.size(); ++i) {
                EXPECT_EQ(drawnList[i].m_nX, shown[i].m_nX);
                EXPECT_EQ(drawnList[i].m_nY, shown[i].m_nY);
            }
            EXPECT_EQ(canvas.OnTimer().size(), now.OnTimer().size());
        }
    }
}

KELVO_ON_BOTH_ENGINES(MapDrawJobTest);

TEST(MapDrawJob, RowsReadElsewhereAreSharedOnlyWhileTheDataStaysTheSame) {
    TempGeo geo(
        {{"DE", "10115", "Berlin", "13.4", "52.5"}, {"AT", "1010", "Wien", "16.37", "48.2"}});
    CGeoDatabase& db = geo.Db();
    CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(db);
    CMapCanvas canvas(db, DefaultSettings());

    CGeoDatabase::CDataStamp before = db.DataStamp();
    auto job = drawInJob(db, canvas, {}, false);
    ASSERT_TRUE(job->RowsRead());
    EXPECT_EQ(job->RowsRead()->Size(), 2u);
    cache.Adopt(job->RowsRead(), before);
    EXPECT_EQ(cache.Cached(false), job->RowsRead());
    EXPECT_FALSE(cache.Cached(true)); // read without texts

    // Another program stores a row while the job reads: its rows are not kept.
    before = db.DataStamp();
    job = drawInJob(db, canvas, {}, false);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(geo.Path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "INSERT INTO GEO (Staat, PLZ, Ort, Langengrad, Breitengrad) "
                           "VALUES ('CH', '8001', 'Zürich', '8.54', '47.37')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    cache.Adopt(job->RowsRead(), before);
    EXPECT_FALSE(cache.Cached(false));
    EXPECT_EQ(cache.Rows(false, {}, nullptr)->Size(), 3u);
}
