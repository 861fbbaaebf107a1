// Territories and the map, driven as a user does: a click on a territory in the "Gebiete"
// panel rings its places on the map and lists them in a table window (on a file and on a
// database of the test server).
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "base/GeoTableDesc.h"
#include "common/EngineFixture.h"
#include "render/territory/TerritoryStore.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryBalanceBox.h"
#include "ui/territory/TerritoryPanel.h"

#include <QLabel>
#include <QTreeWidget>

class TerritoryMapTest : public MapViewFixture {
protected:
    // The table window's places, sorted, once it has them all.
    static QStringList PlacesOf(CListView_Table* table) {
        for (int i = 0; i < 10000 && table->IsFilling(); ++i)
            Process();
        QStringList places;
        for (int i = 0; i < table->GetModel().RowCount(); ++i)
            places << table->GetModel().Cell(i, GEO_ORT);
        places.sort();
        return places;
    }
    void ClickTerritory(CTerritoryPanel* panel, int line) {
        QTreeWidget* list = panel->List();
        const QRect rect = list->visualItemRect(list->topLevelItem(line));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        Process();
    }
    void AddRules(qint64 territory, const QString& text) {
        CTerritoryStore store(g_GeoDatabase);
        QList<CTerritoryRule> rules;
        QString error;
        QStringList notes;
        ASSERT_TRUE(TerritoryRules::Parse(text, &rules, &error)) << qPrintable(error);
        ASSERT_TRUE(store.AddRules(territory, rules, &notes)) << qPrintable(store.Error());
    }
};

// The program started on a file or, in place of it, on a new database of the test server.
class TerritoryClickTest : public TerritoryMapTest, public ::testing::WithParamInterface<Engine> {
protected:
    void SetUp() override {
        TerritoryMapTest::SetUp();
        if (GetParam() != Engine::Server)
            return;
        KELVO_REQUIRE_SERVER();
        scratch = std::make_unique<TestServer::CScratchDatabase>();
        g_GeoDatabase.Close();
        ASSERT_TRUE(g_GeoDatabase.Open(scratch->Address()))
            << g_GeoDatabase.OpenError().toStdString();
    }
    void TearDown() override {
        TerritoryMapTest::TearDown();
        scratch.reset();
    }
    std::unique_ptr<TestServer::CScratchDatabase> scratch;
};

KELVO_ON_BOTH_ENGINES(TerritoryClickTest);

TEST_P(TerritoryClickTest, ClickingATerritoryRingsItsPlacesAndListsThemInATable) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    const Row kiel{"DE", "24103", "Kiel", "10.13", "54.32"};
    const Row kielOrt{"DE", "24103", "Kiel-Mitte", "10.14", "54.33"};
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien(), papenburg, kiel, kielOrt}));
    CTerritoryStore store(g_GeoDatabase);
    const qint64 nord = store.Create({0, "Nord", "#102030", "", {}});
    ASSERT_GT(nord, 0) << store.Error().toStdString();
    ASSERT_GT(store.Create({0, "Leer", "#c00000", "", {}}), 0);
    // Berlin, Papenburg and one of Kiel's two places: a range and a place of a shared code.
    AddRules(nord, "DE 1-2");
    ASSERT_TRUE(store.Assign({{"DE", "24103", "Kiel-Mitte", "", 0}}));

    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    QAction* panelAction = frame->GetActions(ID_TERRITORY_PANEL).value(0);
    ASSERT_TRUE(panelAction);
    panelAction->trigger();
    Process();
    CTerritoryPanel* panel = CTerritoryPanel::Find();
    ASSERT_TRUE(panel);
    view->setFocus();
    Process();

    ClickTerritory(panel, 0);
    ASSERT_EQ(Frames().size(), 2);
    auto* table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(Frames().last()->windowTitle(), "Gebiet Nord");
    EXPECT_EQ(PlacesOf(table), QStringList({"Berlin", "Kiel", "Papenburg"}));
    QList<QPointF> ringed = view->Marks().Places();
    EXPECT_EQ(ringed.size(), 3);
    EXPECT_TRUE(ringed.contains(QPointF(7.4, 53.08)) && ringed.contains(QPointF(13.4, 52.5)));

    // Again: the open window comes forward, no second one.
    ClickTerritory(panel, 0);
    EXPECT_EQ(Frames().size(), 2);

    // The places in none; a territory without places opens nothing.
    ClickTerritory(panel, 2);
    ASSERT_EQ(Frames().size(), 3);
    table = dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    ASSERT_TRUE(table);
    EXPECT_EQ(Frames().last()->windowTitle(), "Orte ohne Gebiet");
    EXPECT_EQ(PlacesOf(table), QStringList({"Heidelberg", "Kiel-Mitte", "Wien"}));
    EXPECT_EQ(view->Marks().Places().size(), 3);
    ClickTerritory(panel, 1);
    EXPECT_EQ(Frames().size(), 3);
    EXPECT_TRUE(view->Marks().IsEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(TerritoryMapTest, ALassoDraggedWithCtrlSelectsThePlacesInsideForAssigning) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien(), papenburg}));
    CTerritoryStore store(g_GeoDatabase);
    ASSERT_GT(store.Create({0, "Nord", "#102030", "", {}}), 0) << store.Error().toStdString();
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    frame->GetActions(ID_TERRITORY_PANEL).value(0)->trigger();
    Process();
    CTerritoryPanel* panel = CTerritoryPanel::Find();
    ASSERT_TRUE(panel);
    auto lines = [panel] {
        QStringList lines;
        for (int i = 0; i < panel->List()->topLevelItemCount(); ++i)
            lines << panel->List()->topLevelItem(i)->text(0) + ": " +
                         panel->List()->topLevelItem(i)->text(2);
        return lines;
    };
    EXPECT_EQ(lines(), QStringList({"Nord: 0", "(kein Gebiet): 4"}));

    // A free-hand path around Papenburg (about 190, 160) and Berlin (558, 192), leaving out
    // Heidelberg (334, 364) and Wien (697, 423), which a band over them would take.
    const QList<QPoint> path{{150, 120}, {400, 110}, {620, 130}, {640, 250},
                             {400, 300}, {300, 230}, {160, 260}, {150, 130}};
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, path.first());
    for (const QPoint& p : path.mid(1))
        QTest::mouseMove(view, p);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, path.last());
    Process();
    EXPECT_EQ(Frames().size(), 1) << "a lasso opens no zoom window";
    EXPECT_FALSE(view->Lasso().isEmpty());
    EXPECT_TRUE(frame->GetMessageText().startsWith("2 Orte im Lasso."))
        << qPrintable(frame->GetMessageText());
    EXPECT_NE(Shown(view), plain);
    // The panel's balancing part works with the places in the lasso, not the whole map.
    const auto chosen = [panel] { return panel->Balance()->SelectionText()->text(); };
    EXPECT_TRUE(chosen().startsWith("Gewählt: 2 Orte\n")) << qPrintable(chosen());

    QStringList asked;
    CTerritoryPanel::SetAskHook([&asked](const QString& label, const QStringList&,
                                         const QString&) -> std::optional<QString> {
        asked << label;
        return QString("Nord");
    });
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    view->setFocus();
    Process();
    frame->GetActions(ID_TERRITORY_ASSIGN).value(0)->trigger();
    Process();
    CTerritoryPanel::SetAskHook({});
    EXPECT_EQ(asked, QStringList{"2 Orte dem Gebiet zuweisen:"});
    EXPECT_EQ(lines(), QStringList({"Nord: 2", "(kein Gebiet): 2"}));
    EXPECT_TRUE(view->Lasso().isEmpty());
    EXPECT_EQ(Shown(view), plain);

    // A path along a line holds nothing; Esc takes a lasso away.
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, {150, 120});
    QTest::mouseMove(view, {400, 121});
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, {600, 122});
    Process();
    EXPECT_EQ(frame->GetMessageText(), "Das Lasso umschließt keine Fläche.");
    EXPECT_TRUE(view->Lasso().isEmpty());
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, path.first());
    for (const QPoint& p : path.mid(1))
        QTest::mouseMove(view, p);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, path.last());
    Process();
    EXPECT_TRUE(chosen().startsWith("Gewählt: 2 Orte\n")) << qPrintable(chosen());
    QTest::keyClick(view, Qt::Key_Escape);
    Process();
    EXPECT_TRUE(view->Lasso().isEmpty());
    EXPECT_EQ(Shown(view), plain);
    EXPECT_TRUE(chosen().startsWith("Gewählt: 4 Orte\n")) << qPrintable(chosen());

    // "Gebietsumrisse": Nord's two places make a line in its colour; off, the map is as before.
    frame->GetActions(ID_TERRITORY_OUTLINES).value(0)->trigger();
    Process();
    EXPECT_TRUE(view->Canvas().m_bTerritoryOutlines);
    const QPoint a = view->Canvas().LonLatToPoint(7.4, 53.08),
                 b = view->Canvas().LonLatToPoint(13.4, 52.5);
    const QImage outlined = Shown(view);
    int inColour = 0;
    for (int dy = -2; dy <= 2; ++dy)
        inColour +=
            Pixel(outlined, (a.x() + b.x()) / 2, (a.y() + b.y()) / 2 + dy) == RGB(0x10, 0x20, 0x30);
    EXPECT_EQ(inColour, 2);
    frame->GetActions(ID_TERRITORY_OUTLINES).value(0)->trigger();
    Process();
    EXPECT_EQ(Shown(view), plain);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

// A lasso dragged out over the axes and the window's edge is drawn inside the frame only,
// while it is dragged and once let go; it still selects the places inside the whole path, and
// says how many with the thousands separated.
TEST_F(TerritoryMapTest, ALassoOverTheAxesIsDrawnInsideTheFrameOnly) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    QList<Row> rows{Berlin(), Heidelberg(), Wien(), papenburg};
    // Enough places round Papenburg that their count has a thousands separator.
    for (int i = 0; i < 1200; ++i)
        rows.append({"DE", QString::number(27000 + i), QStringLiteral("Ort %1").arg(i),
                     QString::number(7.0 + (i % 40) * 0.02),
                     QString::number(52.9 + (i / 40) * 0.01)});
    ASSERT_TRUE(g_GeoDatabase.Execute("BEGIN"));
    ASSERT_TRUE(InsertRows(rows));
    ASSERT_TRUE(g_GeoDatabase.Execute("COMMIT"));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    const CRect& plot = view->Canvas().m_rectPlot;
    const QRect inside(plot.left + 1, plot.top + 1, plot.Width() - 2, plot.Height() - 2);
    // The pixels that differ from the plain map: how many, and how many outside the frame.
    auto changed = [&](const QImage& image) {
        std::pair<int, int> counts{0, 0};
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != plain.pixel(x, y)) {
                    ++counts.first;
                    counts.second += !inside.contains(x, y);
                }
            }
        }
        return counts;
    };

    // Around Papenburg (about 190, 160), Berlin (558, 192) and Heidelberg (334, 364), leaving
    // out Wien (697, 423), out over the left axis, the top edge and the bottom axis.
    const QList<QPoint> path{{2, 100},   {300, 2},   {620, 10},  {640, 250},
                             {400, 598}, {300, 590}, {200, 250}, {2, 280}};
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, path.first());
    for (const QPoint& p : path.mid(1))
        QTest::mouseMove(view, p);
    const auto dragging = changed(Shown(view));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, path.last());
    Process();
    const auto kept = changed(Shown(view));
    EXPECT_GT(dragging.first, 500);
    EXPECT_EQ(dragging.second, 0);
    EXPECT_GT(kept.first, 500);
    EXPECT_EQ(kept.second, 0);
    EXPECT_TRUE(frame->GetMessageText().startsWith("1.203 Orte im Lasso."))
        << qPrintable(frame->GetMessageText());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}
