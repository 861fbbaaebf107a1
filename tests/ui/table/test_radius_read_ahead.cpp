// The first screen of a radius search's window: from the rows' positions read while its
// dialog is open, only while they show the stored data, and gone with the search; or from the
// server's index of the positions.
#include "TableFillFixture.h"

#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/NearestReadAhead.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "store/GeoRadius.h"

#include <QLineEdit>

#include <sqlite3.h>

class RadiusReadAheadTest : public TableFillTest {
protected:
    // The radius search, confirmed once the read ahead has ended (a person is slower than it);
    // `meanwhile` runs before the Return.
    void RadiusSearch(const QString& centre, const QString& km,
                      std::function<void()> meanwhile = {}) {
        WhenModal([=](QWidget* dialog) {
            auto* radius = qobject_cast<CDia_Radius*>(dialog);
            ASSERT_TRUE(radius);
            radius->m_editCentre->setText(centre);
            radius->m_editRadius->setText(km);
            EXPECT_TRUE(QTest::qWaitFor([] { return !CNearestReadAhead::Reading(); }, 20000));
            if (meanwhile)
                meanwhile();
            QTest::keyClick(radius->m_editRadius, Qt::Key_Return);
        });
        Command(ID_RADIUS_SEARCH);
    }

    static QList<QStringList> Nearest(const QString& centreText, double km) {
        CRadiusCentre centre;
        QString error;
        EXPECT_TRUE(GeoRadius::FindCentre(g_GeoDatabase, centreText, &centre, &error));
        CGeoTableModel near;
        FillTableModel(g_GeoDatabase, g_GeoDatabase.m_Table, GeoRadius::Filter(centre, km), near,
                       nullptr);
        near.SetDistanceCentre(centre.dLon, centre.dLat);
        near.ApplyOrder(TableDistance::DistanceOrder(near, false));
        return Rows(near);
    }

    static bool RowsInUse() {
        return CGeoPlaceRowsCache::Of(g_GeoDatabase).Cached(false) != nullptr;
    }
};

TEST_F(RadiusReadAheadTest, TheFirstScreenComesFromPositionsReadWhileTheDialogWasOpen) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));
    ASSERT_FALSE(RowsInUse());

    // Cancelled: nothing is kept.
    WhenModal([](QWidget* dialog) {
        EXPECT_TRUE(QTest::qWaitFor([] { return !CNearestReadAhead::Reading(); }, 20000));
        qobject_cast<QDialog*>(dialog)->reject();
    });
    Command(ID_RADIUS_SEARCH);
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_FALSE(RowsInUse());

    // Confirmed: the first rows, nearest first, before the rest; the whole as read alone.
    const QList<QStringList> near = Nearest("DE 10115", 25);
    ASSERT_GT(near.size(), 100);
    QList<QStringList> first;
    WhileFilling([&](CListView_Table* view) { first = Rows(view->GetModel()); });
    RadiusSearch("DE 10115", "25");
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(Rows(TableOf(Frames().last())->GetModel()), near);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_LT(first.size(), near.size());
    EXPECT_EQ(first, near.mid(0, first.size()));
    // The positions went with the search.
    EXPECT_FALSE(RowsInUse());
}

TEST_F(RadiusReadAheadTest, PositionsReadBeforeAnotherUsersWriteAreNotUsed) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));
    CRadiusCentre centre;
    QString error;
    ASSERT_TRUE(GeoRadius::FindCentre(g_GeoDatabase, "DE 10115", &centre, &error));

    // While the dialog is open, after the read ahead, another user moves a row in Zürich onto
    // the centre: it is the window's first row, and the positions read before are not used.
    qint64 moved = 0;
    const auto move = [&] {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(g_GeoDatabase.FilePath()).constData(), &other),
                  SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(other,
                               "UPDATE GEO SET Langengrad = ?, Breitengrad = ? WHERE ID_Geo = "
                               "(SELECT MIN(ID_Geo) FROM GEO WHERE Staat = 'CH' AND PLZ = "
                               "'8001') RETURNING ID_Geo",
                               -1, &st, nullptr),
            SQLITE_OK);
        const QByteArray lon = QByteArray::number(centre.dLon, 'g', 17);
        const QByteArray lat = QByteArray::number(centre.dLat, 'g', 17);
        sqlite3_bind_text(st, 1, lon.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, lat.constData(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        moved = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(other);
    };
    bool usedOld = true;
    WhileFillingEmpty([&](CListView_Table*) { usedOld = RowsInUse(); });
    RadiusSearch("DE 10115", "25", move);
    ASSERT_GT(moved, 0);
    EXPECT_FALSE(usedOld);
    ASSERT_EQ(Frames().size(), 1);
    const CGeoTableModel& shown = TableOf(Frames().last())->GetModel();
    const QList<QStringList> near = Nearest("DE 10115", 25);
    EXPECT_EQ(Rows(shown), near);
    ASSERT_GT(shown.RowCount(), 0);
    EXPECT_EQ(shown.RowCells(0).value(GEO_ID), QString::number(moved));
}

// Without map rows the server finds the nearest rows through its index of the positions: the
// window shows them before the rest, as the start of the whole. The file has no such index;
// what it shows first (from the positions read ahead, when the read was quicker than the
// dialog) is the start of the whole too.
TEST_P(TableFillResultTest, ARadiusWindowShowsTheNearestRowsFirstWithoutAMap) {
    KELVO_REQUIRE_SHARED_DATA(data);
    if (GetParam()) {
        KELVO_REQUIRE_SERVER();
    }
    ASSERT_NO_FATAL_FAILURE(OpenEngine(data));
    CRadiusCentre centre;
    QString error;
    ASSERT_TRUE(GeoRadius::FindCentre(g_GeoDatabase, "DE 10115", &centre, &error));
    CGeoTableModel near;
    FillTableModel(g_GeoDatabase, g_GeoDatabase.m_Table, GeoRadius::Filter(centre, 100), near,
                   nullptr);
    near.SetDistanceCentre(centre.dLon, centre.dLat);
    near.ApplyOrder(TableDistance::DistanceOrder(near, false));
    ASSERT_GT(near.RowCount(), 400);

    QList<QStringList> first;
    const auto look = [&](CListView_Table* view) { first = Rows(view->GetModel()); };
    if (GetParam())
        WhileFilling(look);
    else
        WhileFillingEmpty(look);
    RadiusSearch("DE 10115", "100");
    ASSERT_EQ(Frames().size(), 1);
    const QList<QStringList> whole = Rows(TableOf(Frames().last())->GetModel());
    EXPECT_EQ(whole, Rows(near));
    if (GetParam()) {
        EXPECT_GE(first.size(), 200);
    }
    EXPECT_LT(first.size(), whole.size());
    EXPECT_EQ(first, whole.mid(0, first.size()));
}
