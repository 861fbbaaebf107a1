// Territories and the map, driven as a user does: a click on a territory in the "Gebiete"
// panel rings its places on the map and lists them in a table window.
#include "MapViewFixture.h"

#include "base/CommandIds.h"
#include "base/GeoTableDesc.h"
#include "render/territory/TerritoryStore.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryPanel.h"

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

TEST_F(TerritoryMapTest, ClickingATerritoryRingsItsPlacesAndListsThemInATable) {
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
