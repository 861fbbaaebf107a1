// The radius search: centres, the box and exact distance in SQL, nearest first; checked
// against a haversine of the test's own on hand-made rows and on the shared data, on the file
// and on the server.
#include "base/GeoDistance.h"
#include "common/CaseTable.h"
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoRadius.h"
#include "store/GeoRecordset.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace {

// The great-circle distance written independently: the atan2 form of the haversine.
double referenceKm(double lon1, double lat1, double lon2, double lat2) {
    const double r = M_PI / 180;
    const double h =
        std::pow(std::sin((lat2 - lat1) * r / 2), 2) +
        std::cos(lat1 * r) * std::cos(lat2 * r) * std::pow(std::sin((lon2 - lon1) * r / 2), 2);
    return 2 * 6371.0088 * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

std::string Where(const CaseTable::Row& row) {
    return CaseTable::Where("centres", row);
}

struct Row {
    qint64 id;
    QString staat, plz;
    double km;
};

class RadiusTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (!IsSkipped())
            OpenEmpty(db);
    }

    void Insert(const QList<QStringList>& rows) {
        EXPECT_EQ(TestSupport::InsertRows(
                      db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_LANGENGRAD, GEO_BREITENGRAD}, rows),
                  "");
    }

    // What the search lists, in its order.
    QList<Row> Search(const CRadiusCentre& centre, double km) {
        CGeoTableModel model;
        const CTableFillResult result =
            FillTableModel(db, db.m_Table, GeoRadius::Filter(centre, km), model, nullptr);
        EXPECT_TRUE(result.m_strError.isEmpty()) << qPrintable(result.m_strError);
        EXPECT_EQ(result.m_nFound, model.RowCount());
        TableDistance::ShowDistances(model, centre.dLon, centre.dLat);
        QList<Row> rows;
        for (int i = 0; i < model.RowCount(); ++i)
            rows.append({model.Cell(i, GEO_ID).toLongLong(), model.Cell(i, GEO_STAAT),
                         model.Cell(i, GEO_PLZ), model.Distance(i)});
        return rows;
    }

    // Every row within km by the reference distance, read without the program's functions.
    QList<Row> Expected(double lon, double lat, double km) {
        CGeoRecordset rs(db);
        EXPECT_TRUE(rs.Open("SELECT ID_Geo, Staat, PLZ, Langengrad, Breitengrad FROM GEO"));
        QList<Row> rows;
        while (rs.MoveNext()) {
            bool okLon = false, okLat = false;
            const double rowLon = rs.FieldText(3).toDouble(&okLon);
            const double rowLat = rs.FieldText(4).toDouble(&okLat);
            const double d = referenceKm(lon, lat, rowLon, rowLat);
            if (okLon && okLat && d <= km)
                rows.append({rs.FieldInt(0), rs.FieldText(1), rs.FieldText(2), d});
        }
        return rows;
    }

    // Same rows, distances agreeing, nearest first, equal distances in Staat, PLZ order.
    void ExpectSameResult(const QList<Row>& found, QList<Row> expected) {
        ASSERT_EQ(found.size(), expected.size());
        QHash<qint64, double> byId;
        for (const Row& r : expected)
            byId.insert(r.id, r.km);
        for (int i = 0; i < found.size(); ++i) {
            ASSERT_TRUE(byId.contains(found[i].id)) << found[i].id;
            EXPECT_NEAR(found[i].km, byId.value(found[i].id), 1e-9);
            if (i == 0)
                continue;
            EXPECT_LE(found[i - 1].km, found[i].km) << i;
            if (found[i - 1].km == found[i].km) {
                const int staat = found[i - 1].staat.compare(found[i].staat, Qt::CaseInsensitive);
                EXPECT_TRUE(staat < 0 ||
                            (staat == 0 &&
                             found[i - 1].plz.compare(found[i].plz, Qt::CaseInsensitive) <= 0))
                    << i;
            }
        }
    }

    CGeoDatabase db;
};

CRadiusCentre point(double lon, double lat) {
    CRadiusCentre c;
    c.dLon = lon, c.dLat = lat;
    return c;
}

} // namespace

KELVO_ON_BOTH_ENGINES(RadiusTest);

TEST(GeoDistance, HaversineAgreesWithTheReference) {
    EXPECT_NEAR(GeoDistance::HaversineKm(13.3846, 52.5323, 11.571, 48.1345), 505.6, 0.05);
    const double pairs[][4] = {{0, 0, 180, 0},
                               {6.1154, 50.6672, 6.1481, 50.7167},
                               {179.9, -17, -179.9, -17},
                               {0, 90, 123, -90},
                               {8.6, 49.3, 8.6, 49.3}};
    for (const auto& p : pairs)
        EXPECT_NEAR(GeoDistance::HaversineKm(p[0], p[1], p[2], p[3]),
                    referenceKm(p[0], p[1], p[2], p[3]), 1e-9);
    EXPECT_EQ(GeoDistance::HaversineKm(8.6, 49.3, 8.6, 49.3), 0.0);
}

TEST_P(RadiusTest, NearestFirstTiesInStaatPlzOrderAcrossTheAntimeridianAndThePole) {
    Insert({{"DE", "3", "Gleich C", "10.0", "50.1"},
            {"AT", "9", "Gleich A", "10.0", "50.1"},
            {"DE", "1", "Gleich B", "10.0", "50.1"},
            {"DE", "5", "Mitte", "10.0", "50.0"},
            {"DE", "7", "Rand", "10.0", "50.2248"}, // 25.0 km north
            {"DE", "8", "draussen", "10.0", "50.2255"},
            {"DE", "6", "keine Zahl", "zehn", "50.0"},
            {"FJ", "1", "Ost", "179.95", "-17.0"},
            {"FJ", "2", "West", "-179.95", "-17.0"},
            {"FJ", "3", "weit", "-179.0", "-17.0"},
            {"NP", "1", "hinter dem Pol", "180.0", "89.8"},
            {"NP", "2", "Pol", "10.0", "89.95"}});
    const QList<Row> near = Search(point(10.0, 50.0), 25);
    ASSERT_EQ(near.size(), 5);
    EXPECT_EQ(near[0].plz, "5");
    // The three rows at one spot keep Staat, PLZ order: AT 9, DE 1, DE 3.
    EXPECT_EQ(QStringList({near[1].staat + near[1].plz, near[2].staat + near[2].plz,
                           near[3].staat + near[3].plz}),
              QStringList({"AT9", "DE1", "DE3"}));
    EXPECT_EQ(near[4].plz, "7");
    ExpectSameResult(near, Expected(10.0, 50.0, 25));

    ExpectSameResult(Search(point(179.99, -17.0), 20), Expected(179.99, -17.0, 20));
    EXPECT_EQ(Search(point(179.99, -17.0), 20).size(), 2);
    ExpectSameResult(Search(point(-179.99, -17.0), 120), Expected(-179.99, -17.0, 120));
    EXPECT_EQ(Search(point(-179.99, -17.0), 120).size(), 3);
    ExpectSameResult(Search(point(0.0, 89.9), 50), Expected(0.0, 89.9, 50));
    EXPECT_EQ(Search(point(0.0, 89.9), 50).size(), 2);

    // Radius 0: the rows at the very point; 20,000 km: every row with a position.
    EXPECT_EQ(Search(point(10.0, 50.1), 0).size(), 3);
    EXPECT_EQ(Search(point(10.0, 50.1), 20000).size(), 11);
}

TEST_P(RadiusTest, CentresFromPostalCodesPlacesAndPoints) {
    Insert({{"DE", "80331", "München", "11.571", "48.1345"},
            {"DE", "80333", "München", "11.5683", "48.1452"},
            {"DE", "01945", "Guteborn", "13.93", "51.4167"},
            {"DE", "01945", "Grünewald", "13.95", "51.4"},
            {"AT", "1010", "Wien, Innere Stadt", "16.37", "48.2"},
            {"AT", "1220", "Neu Wien", "16.5", "48.23"},
            {"AT", "2700", "Wiener Neustadt", "16.25", "47.8"},
            {"CH", "1010", "Lausanne", "6.64", "46.52"},
            {"DE", "10883", "Frankfurter Hypothekenbank", "13.4", "52.5"},
            {"DE", "60306", "Frankfurt am Main", "8.68", "50.11"},
            {"DE", "15230", "Frankfurt (Oder)", "14.55", "52.34"},
            {"DE", "60308", "Frankfurt am Main", "8.66", "50.12"},
            {"FL", "9490", "Vaduz", "9.52", "47.14"},
            {"DE", "99999", "ohne Lage", "", ""}});
    EXPECT_EQ(TestSupport::InsertRows(
                  db, {GEO_STAAT, GEO_PLZ, GEO_ORT, GEO_ORTSTEIL, GEO_LANGENGRAD, GEO_BREITENGRAD},
                  {{"DE", "10115", "Berlin", "Mitte", "13.38", "52.53"}}),
              "");
    for (const CaseTable::Row& row : CaseTable::Read("centres")) {
        const QString text = row.Text(0);
        QList<CRadiusCentre> centres;
        QString error;
        if (row[1] == "-") {
            EXPECT_FALSE(GeoRadius::FindCentres(db, text, &centres, &error)) << Where(row);
            EXPECT_FALSE(error.isEmpty()) << Where(row);
            EXPECT_TRUE(error.contains(row.Text(2))) << Where(row) << qPrintable(error);
            continue;
        }
        ASSERT_TRUE(GeoRadius::FindCentres(db, text, &centres, &error))
            << Where(row) << qPrintable(error);
        QStringList places;
        for (const CRadiusCentre& centre : centres)
            places << GeoRadius::PlaceText(centre);
        EXPECT_EQ(places, row.Text(1).split('|')) << Where(row);
        EXPECT_EQ(centres.first().strName, row.Text(2)) << Where(row);
    }
    CRadiusCentre centre;
    QString error;
    ASSERT_TRUE(GeoRadius::FindCentre(db, "DE 80331", &centre, &error));
    EXPECT_EQ(centre.dLon, 11.571);
    EXPECT_EQ(centre.dLat, 48.1345);
    EXPECT_EQ(centre.nMatches, 1);
    // German numbers in the title; one place is "1 Ort".
    EXPECT_EQ(GeoRadius::Title(1, 2.5, centre), "1 Ort im Umkreis von 2,5 km um DE 80331 München");
    EXPECT_EQ(GeoRadius::Title(3, 20, centre), "3 Orte im Umkreis von 20 km um DE 80331 München");
    ASSERT_TRUE(GeoRadius::FindCentre(db, "Frankfurt am Main", &centre, &error));
    EXPECT_EQ(centre.nMatches, 2);
    EXPECT_EQ(centre.dLon, 8.68); // the first row in Staat, PLZ order

    double km = -1;
    EXPECT_TRUE(GeoRadius::ParseRadius("2,5", &km, &error));
    EXPECT_EQ(km, 2.5);
    EXPECT_TRUE(GeoRadius::ParseRadius("0", &km, &error));
    for (const char* bad : {"-1", "abc", "", "inf", "1e999"})
        EXPECT_FALSE(GeoRadius::ParseRadius(bad, &km, &error)) << bad;
}

TEST_P(RadiusTest, SharedDataAroundBerlinAndOnTheBelgianGermanBorder) {
    KELVO_REQUIRE_SHARED_DATA(data);
    db.Close();
    ASSERT_TRUE(db.Open(SharedDatabase())) << qPrintable(db.OpenError());

    CRadiusCentre berlin;
    QString error;
    ASSERT_TRUE(GeoRadius::FindCentre(db, "10115", &berlin, &error)) << qPrintable(error);
    const QList<Row> nearBerlin = Search(berlin, 25);
    ExpectSameResult(nearBerlin, Expected(berlin.dLon, berlin.dLat, 25));
    EXPECT_GT(nearBerlin.size(), 100);
    EXPECT_EQ(nearBerlin.first().plz, "10115");

    CRadiusCentre raeren;
    ASSERT_TRUE(GeoRadius::FindCentre(db, "BE 4730", &raeren, &error));
    const QList<Row> border = Search(raeren, 20);
    ExpectSameResult(border, Expected(raeren.dLon, raeren.dLat, 20));
    QSet<QString> countries;
    for (const Row& r : border)
        countries.insert(r.staat);
    EXPECT_EQ(countries, QSet<QString>({"BE", "DE"}));

    // Names as people type them find the places they mean first.
    const QList<QPair<const char*, const char*>> names = {
        {"Frankfurt", "DE 15230 Frankfurt (Oder)"},
        {"Frankfurt*", "DE 15230 Frankfurt (Oder)"},
        {"Wien", "AT 1010 Wien, Innere Stadt"},
        {"Muenchen", "DE 80331 München"},
        {"Zuerich", "CH 8000 Zürich"},
        {"LI 9490", "FL 9490 Vaduz"}};
    for (const auto& [text, best] : names) {
        QList<CRadiusCentre> places;
        ASSERT_TRUE(GeoRadius::FindCentres(db, text, &places, &error)) << text;
        EXPECT_EQ(GeoRadius::PlaceText(places.first()), QString::fromUtf8(best)) << text;
    }
    QList<CRadiusCentre> frankfurt;
    ASSERT_TRUE(GeoRadius::FindCentres(db, "Frankfurt", &frankfurt, &error));
    ASSERT_GT(frankfurt.size(), 2);
    EXPECT_EQ(GeoRadius::PlaceText(frankfurt[1]), "DE 60306 Frankfurt am Main");

    ExpectSameResult(Search(berlin, 0), Expected(berlin.dLon, berlin.dLat, 0));
    const QList<Row> all = Search(berlin, 20000);
    EXPECT_EQ(all.size(), 49568);
    ExpectSameResult(all, Expected(berlin.dLon, berlin.dLat, 20000));
}

TEST_P(RadiusTest, NearCommandPrintsCopyLinesWithDistanceAndTitle) {
    Insert({{"DE", "80331", "München", "11.571", "48.1345"},
            {"DE", "80333", "München", "11.5683", "48.1452"},
            {"DE", "85221", "Dachau", "11.4333", "48.2667"},
            {"DE", "15230", "Frankfurt (Oder)", "14.55", "52.34"},
            {"DE", "60306", "Frankfurt am Main", "8.68", "50.11"}});
    db.Close();
    const QString& path = m_strAddress;
    const QString dir = m_dir.path();
    QString out, err;
    // The rows keep the copy format (decimal points, ", " between fields) that callers read;
    // the title is a German text.
    ASSERT_EQ(TestSupport::RunCli({"near", "--db", path, "DE", "80331"}, dir, &out, &err), 0);
    EXPECT_EQ(out, QStringLiteral("DE, 80331, , , , , München, , , 11.571, 48.1345, , 0.0\n"
                                  "DE, 80333, , , , , München, , , 11.5683, 48.1452, , 1.2\n"
                                  "DE, 85221, , , , , Dachau, , , 11.4333, 48.2667, , 17.9\n"
                                  "3 Orte im Umkreis von 25 km um DE 80331 München\n"));
    EXPECT_EQ(err, "");
    ASSERT_EQ(TestSupport::RunCli({"near", "--db", path, "--radius", "1.5", "Muenchen"}, dir, &out),
              0);
    EXPECT_TRUE(out.endsWith("2 Orte im Umkreis von 1,5 km um DE 80331 München (erster von 2 "
                             "Treffern)\n"))
        << qPrintable(out);

    // Several places: listed on standard error, the first taken, or the one --pick names.
    ASSERT_EQ(
        TestSupport::RunCli({"near", "--db", path, "--radius", "1", "Frankfurt"}, dir, &out, &err),
        0);
    EXPECT_EQ(err, QStringLiteral("2 Orte passen zu \"Frankfurt\":\n"
                                  "1: DE 15230 Frankfurt (Oder)\n"
                                  "2: DE 60306 Frankfurt am Main\n"
                                  "Mittelpunkt ist Nr. 1; einen anderen wählt --pick N.\n"));
    EXPECT_EQ(out, QStringLiteral("DE, 15230, , , , , Frankfurt (Oder), , , 14.55, 52.34, , 0.0\n"
                                  "1 Ort im Umkreis von 1 km um DE 15230 Frankfurt (Oder)\n"));
    ASSERT_EQ(
        TestSupport::RunCli({"near", "--db", path, "--radius", "1", "--pick", "2", "Frankfurt"},
                            dir, &out, &err),
        0);
    EXPECT_TRUE(out.endsWith("1 Ort im Umkreis von 1 km um DE 60306 Frankfurt am Main\n"))
        << qPrintable(out);
    EXPECT_TRUE(err.endsWith("Mittelpunkt ist Nr. 2; einen anderen wählt --pick N.\n"));
    EXPECT_EQ(
        TestSupport::RunCli({"near", "--db", path, "--pick", "3", "Frankfurt"}, dir, &out, &err),
        2);
    EXPECT_TRUE(err.contains("--pick 3 gibt es nicht.")) << qPrintable(err);
    EXPECT_EQ(out, "");
    EXPECT_EQ(TestSupport::RunCli({"near", "--db", path, "--pick", "0", "Frankfurt"}, dir), 2);

    EXPECT_EQ(TestSupport::RunCli({"near", "--db", path, "Nirgendwo"}, dir, &out, &err), 1);
    EXPECT_TRUE(err.contains("Kein Ort mit Koordinaten passt zu \"Nirgendwo\"."));
    EXPECT_EQ(TestSupport::RunCli({"near", "--db", path, "--radius", "-3", "80331"}, dir), 2);
}
