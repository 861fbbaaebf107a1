// Table and map windows linked both ways through real mouse clicks: the selected rows are
// ringed on the map that last had the focus, a click on the map picks the nearest place
// for every table window, and the map's switch for names without overlap.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "ui/shell/TableMapLink.h"
#include "ui/table/CListView_Table.h"

namespace {
constexpr COLORREF kRing = RGB(255, 150, 0);
} // namespace

class TableMapLinkTest : public MapViewFixture {
protected:
    void SetUp() override {
        MapViewFixture::SetUp();
        g_pLastMapView = nullptr;
        ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
        map = OpenMap();
        ASSERT_TRUE(map);
        SizeView(map);
        map->setFocus();
        Process();
        ASSERT_EQ(g_pLastMapView, map);
    }
    void TearDown() override {
        g_pLastMapView = nullptr;
        MapViewFixture::TearDown();
    }

    // n rows of one country at one point, postal codes counting up from `plz`.
    bool InsertMany(int n, const QString& staat, int plz, const QString& lon, const QString& lat) {
        QList<Row> rows;
        for (int i = 0; i < n; ++i)
            rows.append({staat, QString::number(plz + i), "Ort", lon, lat});
        return g_GeoDatabase.Execute("BEGIN") && InsertRows(rows) &&
               g_GeoDatabase.Execute("COMMIT");
    }
    // A command as its menu item gives it.
    void Command(int id) {
        frame->UpdateCommandUI();
        Action(id)->trigger();
        Process();
        frame->UpdateCommandUI();
    }
    bool Ringed(QPoint place) const { return Pixel(Shown(map), place.x() + 5, place.y()) == kRing; }

    CKelvoView* map = nullptr;
    const QPoint berlin{558, 192}, heidelberg{334, 364}, wien{697, 423};
};

TEST_F(TableMapLinkTest, SelectedRowsAreRingedOnTheMapUntilTheSelectionEmpties) {
    const QImage plain = Shown(map);
    CListView_Table* table = OpenTable(); // AT Wien, DE Berlin, DE Heidelberg
    ASSERT_TRUE(table);
    ClickRow(table, 0);
    EXPECT_TRUE(Ringed(wien));
    EXPECT_FALSE(Ringed(berlin));
    ClickRow(table, 2, Qt::ShiftModifier);
    EXPECT_TRUE(Ringed(wien) && Ringed(berlin) && Ringed(heidelberg));
    ClickRow(table, 1, Qt::ControlModifier);
    EXPECT_TRUE(Ringed(wien) && Ringed(heidelberg));
    EXPECT_FALSE(Ringed(berlin));
    EXPECT_EQ(map->Marks().Places().size(), 2);
    // The map was not drawn again for the rings: its back buffer is the plain map.
    EXPECT_EQ(map->Canvas().BackBuffer(), plain);

    ClickRow(table, 0, Qt::ControlModifier);
    ClickRow(table, 2, Qt::ControlModifier);
    EXPECT_TRUE(map->Marks().IsEmpty());
    EXPECT_EQ(Shown(map), plain);

    // Closing the table takes its rings away.
    ClickRow(table, 1);
    EXPECT_TRUE(Ringed(berlin));
    table->GetParentFrame()->close();
    Process();
    EXPECT_EQ(Shown(map), plain);
}

TEST_F(TableMapLinkTest, BeyondTwoThousandSelectedPlacesAStatusMessage) {
    ASSERT_TRUE(InsertMany(2100, "DE", 20000, "10.0", "50.0"));
    CListView_Table* table = OpenTable();
    ASSERT_TRUE(table);
    table->setFocus();
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(map->Marks().Places().size(), TableMapLink::kMaxMarked);
    EXPECT_EQ(frame->GetMessageText(),
              "Auf der Karte sind nur die ersten 2000 von 2103 gewählten Orten markiert.");
    EXPECT_TRUE(Ringed(berlin)); // Berlin's row is among the first 2,000
}

TEST_F(TableMapLinkTest, AClickOnTheMapPicksThePlaceForEveryTableWindow) {
    ASSERT_TRUE(InsertMany(300, "CH", 1000, "6.1", "46.2"));
    CListView_Table* first = OpenTable();
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(first && second && first != second);
    const int heidelbergRow = 302; // AT, 300 x CH, DE Berlin, DE Heidelberg
    ASSERT_EQ(first->GetModel().Cell(heidelbergRow, GEO_ORT), "Heidelberg");

    // A click 3 pixels beside Heidelberg, as a person clicks: press and release.
    QTest::mouseClick(map, Qt::LeftButton, {}, heidelberg + QPoint(3, 2));
    Process();
    EXPECT_TRUE(frame->GetMessageText().startsWith("Heidelberg, DE 69117: "))
        << qPrintable(frame->GetMessageText());
    EXPECT_TRUE(frame->GetMessageText().endsWith(" km vom angeklickten Punkt"));
    for (CListView_Table* table : {first, second}) {
        EXPECT_EQ(table->currentIndex().row(), heidelbergRow);
        EXPECT_EQ(table->SelectedRows(), QList<int>({heidelbergRow}));
        EXPECT_EQ(table->m_nCurrentRow, heidelbergRow);
        const int y = table->rowViewportPosition(heidelbergRow);
        EXPECT_TRUE(y >= 0 && y < table->viewport()->height()) << y;
    }
    EXPECT_TRUE(Ringed(heidelberg));
    EXPECT_EQ(Frames().size(), 3); // a click opens nothing

    // Nothing within 8 pixels: a message, the tables stay as they are.
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(100, 100));
    Process();
    EXPECT_EQ(frame->GetMessageText(), "Kein Ort innerhalb von 8 Pixeln.");
    EXPECT_EQ(first->currentIndex().row(), heidelbergRow);
}

TEST_F(TableMapLinkTest, NamesWithoutOverlapIsAMapSwitchOffAtFirst) {
    ASSERT_TRUE(InsertRows({{"DE", "69118", "Heidelberg-Ost", "8.62", "49.3"}}));
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_DECLUTTER_NAMES)->isEnabled());
    EXPECT_FALSE(Action(ID_DECLUTTER_NAMES)->isChecked());
    Command(ID_SHOW_PLACE_NAMES);
    const QImage piled = Shown(map);
    Command(ID_DECLUTTER_NAMES);
    EXPECT_TRUE(Action(ID_DECLUTTER_NAMES)->isChecked());
    const QImage readable = Shown(map);
    EXPECT_NE(readable, piled);
    Command(ID_DECLUTTER_NAMES);
    EXPECT_EQ(Shown(map), piled);
}
