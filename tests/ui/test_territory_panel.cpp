// The "Gebiete" panel and the map's territory colours, driven as a user does: a band dragged
// on a map opens its zoom window, "Gebiet zuweisen..." there puts its places into a
// territory, and the panel's counts and the map's colours follow.
#include "MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/territory/TerritoryStore.h"
#include "ui/territory/TerritoryPanel.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>

namespace {

void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

// The panel's lines: "Name: places".
QStringList Lines(const CTerritoryPanel* panel) {
    QStringList lines;
    for (int i = 0; i < panel->List()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = panel->List()->topLevelItem(i);
        lines << item->text(0) + ": " + item->text(2);
    }
    return lines;
}

} // namespace

class TerritoryPanelTest : public MapViewFixture {
protected:
    void TearDown() override {
        CTerritoryPanel::SetAskHook({});
        MapViewFixture::TearDown();
    }
    // Answers the panel's next questions in turn, and records them.
    void Answer(QStringList answers) {
        CTerritoryPanel::SetAskHook(
            [this, answers](const QString& label, const QStringList& choices,
                            const QString&) mutable -> std::optional<QString> {
                asked << label;
                offered = choices;
                if (answers.isEmpty())
                    return std::nullopt;
                return answers.takeFirst();
            });
    }
    void Trigger(int id) {
        QAction* action = Action(id);
        ASSERT_TRUE(action);
        action->trigger();
        Process();
    }
    QStringList asked, offered;
};

TEST_F(TerritoryPanelTest, ABandAssignedToATerritoryChangesTheCountsAndTheColours) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien(), papenburg}));
    CTerritoryStore store(g_GeoDatabase);
    ASSERT_GT(store.Create({0, "Nord", "#102030", "Bea", {}}), 0) << store.Error().toStdString();
    ASSERT_GT(store.Create({0, "Süd", "#c00000", "", {}}), 0);

    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = CTerritoryPanel::Find();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 0", "Süd: 0", "(kein Gebiet): 4"}));

    // A band over the north: Papenburg and Berlin are in its zoom window, the others not.
    Drag(view, {190, 84}, {600, 230});
    Process();
    ASSERT_EQ(Frames().size(), 2);
    CKelvoView* zoom = MapView(Frames().last());
    ASSERT_TRUE(zoom && zoom != view);
    Answer({"Nord"});
    Trigger(ID_TERRITORY_ASSIGN);
    ASSERT_EQ(asked, QStringList{"2 Orte dem Gebiet zuweisen:"});
    EXPECT_EQ(offered, QStringList({"Nord", "Süd", "(kein Gebiet)"}));
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 2", "Süd: 0", "(kein Gebiet): 2"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    // Typed rules put the south into "Süd"; the more specific exception keeps nothing from it.
    panel->List()->setCurrentItem(panel->List()->topLevelItem(1));
    Answer({"DE 6*, AT 1*"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 2", "Süd: 2", "(kein Gebiet): 0"}));

    // Coloured by territory: Papenburg in Nord's colour; the plain map is as it was while off.
    EXPECT_EQ(Shown(view), plain);
    view->activateWindow();
    Frames().first()->setFocus();
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    Process();
    Trigger(ID_TERRITORY_COLORS);
    EXPECT_TRUE(view->Canvas().m_bTerritoryColors);
    const QPoint p = view->Canvas().LonLatToPoint(7.4, 53.08);
    EXPECT_EQ(Pixel(Shown(view), p.x(), p.y()), RGB(0x10, 0x20, 0x30));
    const QPoint h = view->Canvas().LonLatToPoint(8.6, 49.3);
    EXPECT_EQ(Pixel(Shown(view), h.x(), h.y()), RGB(0xc0, 0, 0));
    Trigger(ID_TERRITORY_COLORS);
    EXPECT_EQ(Shown(view), plain);
}

TEST_F(TerritoryPanelTest, RefusedInputLeavesEverythingAsItWasAndSaysWhy) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = CTerritoryPanel::Find();
    ASSERT_TRUE(panel);
    Answer({"Ost"});
    panel->findChild<QPushButton*>("Neu")->click();
    Process();
    Answer({"Ost"});
    panel->findChild<QPushButton*>("Neu")->click();
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Ein Gebiet \"Ost\" gibt es schon.");
    panel->List()->setCurrentItem(panel->List()->topLevelItem(0));
    Answer({"DE 99*"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("trifft keinen Ort")) << messages[1].toStdString();
    Answer({"DE 1-"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[2].contains("ist keine Regel"));
    EXPECT_EQ(Lines(panel), QStringList({"Ost: 0", "(kein Gebiet): 2"}));

    // Deleting asks what becomes of the places.
    SetQuestionBoxHook([](const QString& text, const QStringList&) {
        return text.contains("Was soll aus seinen Orten") ? 1 : 2;
    });
    panel->findChild<QPushButton*>("Löschen")->click();
    Process();
    SetQuestionBoxHook({});
    EXPECT_EQ(Lines(panel), QStringList({"(kein Gebiet): 2"}));
}
