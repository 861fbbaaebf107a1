// kelvo-cli render and places: the batch tool draws what the canvas draws and reads place
// files as the program does.
#include "common/TestSupport.h"
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"

#include <QImage>
#include <QProcess>

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
    CMapCanvas canvas(geo.Db(), CMapSettings{6, 14, 46, 51, true, 2, {9.5, 50.5, "Fulda, Dom"}});
    canvas.m_bShowMemos = true;
    canvas.SetPlaceList(&places);
    const QImage expected = Render(canvas, 640, 480);

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

TEST(MapCli, PlacesWithADatabaseNamesTheEntriesWithoutAPlace) {
    TempGeo geo(
        {{"DE", "01067", "Dresden", "13.74", "51.05"}, {"AT", "1010", "Wien", "16.37", "48.21"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const QString path =
        TestSupport::WriteFile(dir + "/orte.txt", "Staat;PLZ;Datum;Groesse;Blinken;Farbe;"
                                                  "Textfarbe;Schrift;Text\n"
                                                  "de;01067;0;3;0;0;0;0;0\n" // case is no matter
                                                  "DE;1067;0;3;0;0;0;0;0\n"  // no leading zero
                                                  "DE;99999;0;3;0;0;0;0;0\n"
                                                  "AT;1010;0;3;0;0;0;0;0\n");
    QString out, err;
    ASSERT_EQ(TestSupport::RunCli({"places", "--db", geo.Path(), path}, dir, &out, &err), 0);
    EXPECT_EQ(err, "Zeile 3: DE 1067 ohne Ort in GEO\nZeile 4: DE 99999 ohne Ort in GEO\n");
    EXPECT_TRUE(out.endsWith("Zeilen gelesen: 5, Orte übernommen: 4, 2 Einträge ohne Ort in GEO\n"))
        << qPrintable(out);
    // Without a database nothing is matched.
    ASSERT_EQ(TestSupport::RunCli({"places", path}, dir, &out, &err), 0);
    EXPECT_FALSE(err.contains("ohne Ort"));
    EXPECT_TRUE(out.endsWith("Zeilen gelesen: 5, Orte übernommen: 4\n"));
    EXPECT_EQ(TestSupport::RunCli({"places", "--db", dir + "/fehlt.mde", path}, dir), 1);
}

TEST(MapCli, RenderFitsThePdfPageAsPrintingDoes) {
    TempGeo geo({{"DE", "10115", "Berlin", "13.4", "52.5"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    struct Case {
        QString size;
        QString pageSize; // as pdfinfo gives it
        double frameCm;   // width of the printed frame
    };
    // A small window stays portrait at its size; a very wide one turns and shrinks to the
    // 28.7 cm the landscape page prints.
    for (const Case& c : {Case{"500x350", "595 x 842", 400 * 2.54 / 96},
                          Case{"2000x600", "842 x 595", 28.7 * 1900 / 2000}}) {
        QString err;
        ASSERT_EQ(TestSupport::RunCli({"render", "--db", geo.Path(), "--size", c.size, "k.pdf"},
                                      dir, nullptr, &err),
                  0)
            << qPrintable(err);
        QProcess info;
        info.start("pdfinfo", {dir + "/k.pdf"});
        info.waitForFinished();
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(c.pageSize))
            << qPrintable(c.size);
        // The frame's left and right edge on a row between two latitude labels, at 100 dpi.
        ASSERT_EQ(QProcess::execute(
                      "pdftoppm", {"-r", "100", "-png", "-singlefile", dir + "/k.pdf", dir + "/k"}),
                  0);
        const QImage page(dir + "/k.png");
        const int y = int(100 / 2.54 * 0.5) + 40; // 5 mm margin, then well inside the frame
        int left = -1, right = -1;
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 60) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
        EXPECT_NEAR((right - left) * 2.54 / 100, c.frameCm, 0.1) << qPrintable(c.size);
    }
}

TEST(MapCli, PlacesRefusesEndlessInput) {
    QTemporaryDir dir;
    QString err;
    EXPECT_EQ(TestSupport::RunCli({"places", "/dev/zero"}, dir.path(), nullptr, &err), 1);
    EXPECT_TRUE(err.contains("Die Zeile 1 der Ortsdatei ist länger als 10 MB.")) << qPrintable(err);
}
