// kelvo-cli render and places: the batch tool draws what the canvas draws and reads place
// files as the program does.
#include "app/Globals.h"
#include "common/TestSupport.h"
#include "map/MapTestSupport.h"
#include "mapdoc/PlaceFile.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {
const QByteArray kPlaceFile = "Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n"
                              "DE;60311;0;3;1;255,0,0;0,0,255;14;0\n"
                              "AT;1010;abc;4;0;0;0;12;Wien\xe4\n"
                              "DE;60311;0;3;1;255;0;14;0\n";
} // namespace

TEST(MapCli, RenderWritesTheSamePictureAsTheCanvas) {
    TempGeo geo({{"DE", "60311", "Frankfurt", "8.6", "49.3", "Messe"},
                 {"AT", "1010", "Wien", "12.0", "48.0", {}, "Innere Stadt"},
                 {"CH", "8001", "Zürich", "8.5", "47.4"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const QString placesPath = TestSupport::WriteFile(dir + "/orte.txt", kPlaceFile);
    const QString out = dir + "/karte.png";
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--size", "640x480", "--extent",
                                   "6,14,46,51", "--names", "--memos", "--marker", "2", "--places",
                                   placesPath, "--selected", "9.5,50.5,Fulda, Dom", out},
                                  dir, nullptr, &err),
              0)
        << qPrintable(err);
    EXPECT_TRUE(err.contains(QStringLiteral("Ungultiges Datum \"abc\" in der Zeile 3:")));

    CPlaceList places;
    CPlaceFileReader().Read(kPlaceFile, places);
    g_dSelectedLon = 9.5, g_dSelectedLat = 50.5, g_strSelectedPlace = QStringLiteral("Fulda, Dom");
    CMapCanvas canvas(geo.Db(), CMapSettings{6, 14, 46, 51, true, 2});
    canvas.m_bShowMemos = true;
    canvas.SetPlaceList(&places);
    const QImage expected = Render(canvas, 640, 480);
    g_dSelectedLon = 0, g_dSelectedLat = 0, g_strSelectedPlace.clear();

    const QImage written(out);
    ASSERT_EQ(written.size(), QSize(640, 480));
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), expected);
}

TEST(MapCli, RenderRefusesBadArgumentsAndMissingFiles) {
    TempGeo geo;
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    struct Case {
        QStringList args;
        int status;
    };
    const QList<Case> cases = {
        {{"--size", "0x600"}, 2},          {{"--extent", "1,1,2,3"}, 2},
        {{"--selected", "9.5,Fulda"}, 2},  {{"--places", dir + "/fehlt.txt"}, 1},
        {{"--db", dir + "/fehlt.mde"}, 1},
    };
    for (const Case& c : cases) {
        QStringList args{"render", "--db", geo.Path()};
        args << c.args << dir + "/k.png";
        EXPECT_EQ(TestSupport::RunCli(args, dir), c.status) << qPrintable(c.args.join(' '));
    }
    EXPECT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), dir + "/k.gif"}, dir), 1);
    EXPECT_FALSE(QFileInfo::exists(dir + "/k.png"));

    // Numbers longer than 127 characters keep every digit: 1e130 and 1e140 differ.
    const QString west = "1" + QString(130, '0'), east = "1" + QString(140, '0');
    EXPECT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--extent",
                                   west + "," + east + ",45,55", dir + "/k.png"},
                                  dir),
              0);
}

TEST(MapCli, PlacesListsEntriesMessagesAndCounts) {
    QTemporaryDir dir;
    const QString path = TestSupport::WriteFile(dir.filePath("orte.txt"), kPlaceFile);
    QString out;
    ASSERT_EQ(TestSupport::RunCli({"places", path}, dir.path(), &out), 0);
    EXPECT_EQ(
        out,
        QStringLiteral(
            "Zeile 3: Ungultiges Datum \"abc\" in der Zeile 3:\\n\\nAT;1010;abc;4;0;0;0;12;Wienä\n"
            "DE\t60311\t0\t3\t1\t255,0,0\t0,0,255\t14\t0\t255,0,0\t0,0,255\n"
            "AT\t1010\tabc\t4\t0\t0\t0\t12\tWienä\t200,200,0\t0,0,0\n"
            "Zeilen gelesen: 4, Orte übernommen: 2\n"));
    EXPECT_EQ(TestSupport::RunCli({"places", dir.filePath("fehlt.txt")}, dir.path()), 1);
}

TEST(MapCli, PlacesRefusesEndlessInput) {
    QTemporaryDir dir;
    QString err;
    EXPECT_EQ(TestSupport::RunCli({"places", "/dev/zero"}, dir.path(), nullptr, &err), 1);
    EXPECT_TRUE(err.contains("Die Zeile 1 der Ortsdatei ist länger als 10 MB.")) << qPrintable(err);
}
