// The balancing part of the "Gebiete" panel, driven as a user does: a list with revenue
// opened as a map, rows selected in a table window with the mouse, the summed column and
// the target territory picked with the keyboard, the figures before and after the move
// read from the panel, then "Zuweisen"; the map the panel counts for, and another user's
// territories showing when the map is worked in again.
#include "ui/MapViewFixture.h"

#include "base/GeoTableDesc.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/map/TableListDialog.h"
#include "ui/shell/MessageBox.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryBalanceBox.h"
#include "ui/territory/TerritoryPanel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

class TerritoryBalanceTest : public MapViewFixture {
protected:
    void TearDown() override {
        g_pLastMapView = nullptr;
        MapViewFixture::TearDown();
    }
    CKelvoView* OpenList(const QString& path) {
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<CTableListDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dlg);
            QTest::mouseClick(dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
        CDocument* doc = theApp.OpenDocumentFile(path);
        Process();
        return doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    }
    // Steps a choice down with the arrow key until it shows `text`.
    static void Choose(QComboBox* box, const QString& text) {
        for (int i = 0; i < box->count() && box->currentText() != text; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        Process();
    }
    // Berlin in "Nord", Heidelberg in none, a map without a list and the panel.
    void PanelBesideAMap(CKelvoView** map, CTerritoryPanel** panel) {
        ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
        CTerritoryStore store(g_GeoDatabase);
        const qint64 nord = store.Create({0, "Nord", "#102030", "", {}});
        ASSERT_TRUE(store.Assign({{"DE", "10115", "Berlin", "", nord}}));
        *map = OpenMap();
        ASSERT_TRUE(*map);
        *panel = CTerritoryPanel::Show(frame);
    }
    // The panel's column of list entries, line by line.
    // Waits for the count the panel makes on a worker thread.
    static QStringList Entries(const CTerritoryPanel* panel) {
        if (!QTest::qWaitFor([panel] { return !panel->Counting(); }, 20000))
            ADD_FAILURE() << "the panel is still counting";
        QStringList column;
        for (int i = 0; i < panel->List()->topLevelItemCount(); ++i)
            column << panel->List()->topLevelItem(i)->text(3);
        return column;
    }
    // The shown columns of the balance table, line by line: "Nord 2 1 1200,50 | ...".
    static QStringList Figures(const CTerritoryBalanceBox* box) {
        QStringList lines;
        const QTreeWidget* table = box->Table();
        for (int i = 0; i < table->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) {
                if (!table->isColumnHidden(c))
                    cells << table->topLevelItem(i)->text(c);
            }
            lines << cells.join(' ');
        }
        return lines;
    }
};

} // namespace

TEST_F(TerritoryBalanceTest, SelectedPlacesShowTheirRuleAndTheFiguresBeforeAndAfterAMove) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien(), papenburg}));
    CTerritoryStore store(g_GeoDatabase);
    const qint64 nord = store.Create({0, "Nord", "#102030", "", {}});
    const qint64 sued = store.Create({0, "Süd", "#c00000", "", {}});
    QList<CTerritoryRule> rules;
    QString error;
    ASSERT_TRUE(TerritoryRules::Parse("DE 1*, DE 2*, DE 69117", &rules, &error));
    ASSERT_TRUE(store.AddRules(nord, rules, nullptr)) << store.Error().toStdString();
    ASSERT_TRUE(TerritoryRules::Parse("DE 6*", &rules, &error));
    ASSERT_TRUE(store.AddRules(sued, rules, nullptr)) << store.Error().toStdString();

    // Revenue with German decimals; Berlin twice, Wien in no territory.
    const QString list =
        TestSupport::WriteFile(dir.filePath("umsatz.csv"), "Land;PLZ;Name;Umsatz\n"
                                                           "DE;10115;Berlin;1.200,50\n"
                                                           "DE;10115;Berlin Mitte;99,5\n"
                                                           "DE;69117;Heidelberg;300\n"
                                                           "AT;1010;Wien;7\n");
    CKelvoView* map = OpenList(list);
    ASSERT_TRUE(map);
    SizeView(map);
    frame->activateWindow();
    map->setFocus();
    Process();
    ASSERT_EQ(g_pLastMapView, map);
    CTerritoryPanel* panel = CTerritoryPanel::Show(frame);
    CTerritoryBalanceBox* box = panel->Balance();
    EXPECT_EQ(Figures(box), QStringList({"Nord 3 3", "Süd 0 0", "(kein Gebiet) 1 1"}));
    // Only columns of figures: no texts, no postal codes.
    EXPECT_EQ(box->ColumnChoice()->findText("Name"), -1);
    EXPECT_EQ(box->ColumnChoice()->findText("PLZ"), -1);
    EXPECT_EQ(box->ColumnChoice()->count(), 2);
    Choose(box->ColumnChoice(), "Umsatz");
    EXPECT_EQ(Figures(box),
              QStringList({"Nord 3 3 1600,00", "Süd 0 0 0,00", "(kein Gebiet) 1 1 7,00"}));

    // Heidelberg, picked in a table window (AT Wien, DE Berlin, DE Papenburg, DE Heidelberg),
    // is in "Nord" by its own rule, which wins over the wider one of "Süd".
    CListView_Table* table = OpenTable();
    ASSERT_TRUE(table);
    ClickRow(table, 3);
    EXPECT_EQ(box->SelectionText()->text(),
              "Gewählt: 1 Ort\nDE 69117 Heidelberg: Nord, Regel DE 69117* (genauer als Regel "
              "DE 6* von \"Süd\")");
    ClickRow(table, 1, Qt::ControlModifier);
    EXPECT_TRUE(box->SelectionText()->text().startsWith("Gewählt: 2 Orte\nDE 10115 Berlin: Nord, "
                                                        "Regel DE 1*\n"))
        << box->SelectionText()->text().toStdString();

    // Moving both to "Süd": the figures after the move stand beside the ones before, and
    // nothing is assigned yet.
    Choose(box->TargetChoice(), "Süd");
    EXPECT_EQ(Figures(box), QStringList({"Nord 3 3 1600,00 1 0 0,00", "Süd 0 0 0,00 2 3 1600,00",
                                         "(kein Gebiet) 1 1 7,00 1 1 7,00"}));
    EXPECT_EQ(box->SpreadText()->text(),
              "Größtes minus kleinstes Gebiet nach dem Verschieben: 1 Ort");
    EXPECT_EQ(panel->Places(nord), 3);

    // Assigned: the panel counts what the preview said.
    QTest::mouseClick(box->findChild<QPushButton*>("Zuweisen"), Qt::LeftButton);
    Process();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(panel->Places(nord), 1);
    EXPECT_EQ(panel->Places(sued), 2);
    EXPECT_EQ(Figures(box),
              QStringList({"Nord 1 0 0,00", "Süd 2 3 1600,00", "(kein Gebiet) 1 1 7,00"}));
    EXPECT_TRUE(box->SelectionText()->text().contains(
        "DE 69117 Heidelberg: Süd, einzeln zugewiesen (statt Regel DE 69117* von \"Nord\")"))
        << box->SelectionText()->text().toStdString();

    // Deleting "Nord" asks what becomes of its one place, in the singular.
    QStringList questions;
    SetQuestionBoxHook([&questions](const QString& text, const QStringList& answers) {
        questions << text + " | " + answers.join(", ");
        return 1;
    });
    panel->List()->setCurrentItem(panel->List()->topLevelItem(0));
    panel->findChild<QPushButton*>("Löschen")->click();
    Process();
    SetQuestionBoxHook({});
    EXPECT_EQ(questions, QStringList({"Das Gebiet \"Nord\" löschen?\n\nEs hat 1 Ort. Was soll aus "
                                      "ihm werden? | Einem anderen Gebiet geben, Keinem Gebiet, "
                                      "Abbrechen"}));
    EXPECT_EQ(Figures(box), QStringList({"Süd 2 3 1600,00", "(kein Gebiet) 2 1 7,00"}));
}

TEST_F(TerritoryBalanceTest, TheEntriesFollowTheMapThatGetsTheFocusWhileThePanelIsOpen) {
    CKelvoView* plain = nullptr;
    CTerritoryPanel* panel = nullptr;
    ASSERT_NO_FATAL_FAILURE(PanelBesideAMap(&plain, &panel));
    CTerritoryBalanceBox* box = panel->Balance();
    const auto entries = [panel] { return Entries(panel); };
    EXPECT_EQ(entries(), QStringList({"0", "0"}));

    // A list opened now, its window worked in: its entries and its number column count.
    const QString list =
        TestSupport::WriteFile(dir.filePath("umsatz.csv"), "Land;PLZ;Name;Umsatz\n"
                                                           "DE;10115;Berlin;1.200,50\n"
                                                           "DE;10115;Berlin Mitte;99,5\n"
                                                           "DE;69117;Heidelberg;300\n");
    CKelvoView* listed = OpenList(list);
    ASSERT_TRUE(listed);
    frame->activateWindow();
    listed->setFocus();
    Process();
    EXPECT_EQ(entries(), QStringList({"2", "1"}));
    EXPECT_EQ(box->ColumnChoice()->count(), 2);
    Choose(box->ColumnChoice(), "Umsatz");
    EXPECT_EQ(Figures(box), QStringList({"Nord 1 2 1300,00", "(kein Gebiet) 1 1 300,00"}));

    // Back in the plain map: no list, no entries.
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    plain->setFocus();
    Process();
    ASSERT_EQ(g_pLastMapView, plain);
    EXPECT_EQ(entries(), QStringList({"0", "0"}));
    EXPECT_FALSE(box->ColumnChoice()->isEnabled());
}

TEST_F(TerritoryBalanceTest, TheEntriesFollowTheActiveMapWhileTheFocusStaysInThePanel) {
    CKelvoView* plain = nullptr;
    CTerritoryPanel* panel = nullptr;
    ASSERT_NO_FATAL_FAILURE(PanelBesideAMap(&plain, &panel));
    const auto entries = [panel] { return Entries(panel); };
    frame->activateWindow();
    panel->List()->setFocus();
    Process();
    ASSERT_TRUE(panel->List()->hasFocus());

    // A list opened from the keyboard while the panel has the focus: the new window is the
    // active one, and the panel counts its entries without a click into the map.
    const QString list = TestSupport::WriteFile(dir.filePath("liste.csv"), "Land;PLZ;Name\n"
                                                                           "DE;10115;Berlin\n"
                                                                           "DE;69117;Heidelberg\n");
    CKelvoView* listed = OpenList(list);
    ASSERT_TRUE(listed);
    panel->List()->setFocus();
    Process();
    EXPECT_EQ(g_pLastMapView, listed);
    EXPECT_EQ(entries(), QStringList({"1", "1"}));

    // The plain map made active by the window menu's way (no focus moved into it).
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    panel->List()->setFocus();
    Process();
    EXPECT_EQ(g_pLastMapView, plain);
    EXPECT_EQ(entries(), QStringList({"0", "0"}));
    EXPECT_FALSE(panel->Balance()->ColumnChoice()->isEnabled());
}

TEST_F(TerritoryBalanceTest, AnotherUsersTerritoryShowsInThePanelWhenTheMapIsWorkedInAgain) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    CKelvoView* map = OpenMap();
    ASSERT_TRUE(map);
    CTerritoryPanel* panel = CTerritoryPanel::Show(frame);
    frame->activateWindow();
    map->setFocus();
    Process();
    ASSERT_EQ(panel->List()->topLevelItemCount(), 1); // "(kein Gebiet)"

    // Written through a connection of its own while this program stays active: the map is
    // the active window throughout, so only the focus coming back into it tells.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(g_GeoDatabase.FilePath())) << other.OpenError().toStdString();
    CTerritoryStore theirs(other);
    const qint64 nord = theirs.Create({0, "Nord", "#102030", "", {}});
    ASSERT_GT(nord, 0) << theirs.Error().toStdString();
    ASSERT_TRUE(theirs.Assign({{"DE", "10115", "Berlin", "", nord}}));
    other.Close();
    panel->List()->setFocus();
    Process();
    EXPECT_EQ(panel->List()->topLevelItemCount(), 1);
    map->setFocus();
    Process();
    ASSERT_EQ(panel->List()->topLevelItemCount(), 2);
    EXPECT_EQ(panel->List()->topLevelItem(0)->text(0), "Nord");
    EXPECT_EQ(panel->Places(nord), 1);
}

TEST_F(TerritoryBalanceTest, AClosedPanelReadsTheSelectionWhenItShowsAgain) {
    CKelvoView* map = nullptr;
    CTerritoryPanel* panel = nullptr;
    ASSERT_NO_FATAL_FAILURE(PanelBesideAMap(&map, &panel));
    CTerritoryBalanceBox* box = panel->Balance();
    Entries(panel);
    // Without a lasso the map's selection is its extent: both places.
    const QString extent = box->SelectionText()->text();
    EXPECT_TRUE(extent.startsWith("Gewählt: 2 Orte\n")) << extent.toStdString();

    // Closed, the panel leaves the windows worked in meanwhile alone: reading a map's
    // selection scans all its rows.
    panel->close();
    Process();
    CListView_Table* table = OpenTable();
    ASSERT_TRUE(table);
    ClickRow(table, 1);
    EXPECT_EQ(box->SelectionText()->text().toStdString(), extent.toStdString());

    // Shown again (as a docked panel's tab is), it reads what is selected now.
    panel->show();
    Process();
    EXPECT_TRUE(box->SelectionText()->text().startsWith("Gewählt: 1 Ort\nDE 69117 Heidelberg: "
                                                        "(kein Gebiet)"))
        << box->SelectionText()->text().toStdString();
    ClickRow(table, 0);
    EXPECT_TRUE(box->SelectionText()->text().startsWith("Gewählt: 1 Ort\nDE 10115 Berlin: Nord"))
        << box->SelectionText()->text().toStdString();
}
