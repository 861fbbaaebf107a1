// The shell through the real main window: start-up, menus and their switching, shortcuts,
// tool bar, command routing, document windows, recent files, help and About.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"
#include "common/ServerSupport.h"
#include "common/TestSupport.h"
#include "ui/shell/AboutDlg.h"
#include "ui/shell/ContextHelp.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/HelpWindow.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/View.h"
#include "ui/table/CListView_Table.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QToolBar>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// A view that claims two commands, to see where commands go first.
class CProbeView : public QWidget, public CView {
public:
    bool OnCommand(int id) override {
        if (id != ID_TABLE_OPEN && id != ID_EDIT_COPY)
            return false;
        received << id;
        return true;
    }
    bool OnUpdateCommand(int id, CCmdUI& ui) override {
        if (id == ID_EDIT_COPY) {
            ui.SetCheck(true);
            return true;
        }
        return id == ID_TABLE_OPEN;
    }
    QList<int> received;
};

QStringList menuTitles(const QMenuBar* bar) {
    QStringList titles;
    for (const QAction* action : bar->actions())
        titles << action->text();
    return titles;
}

} // namespace

class ShellTest : public ShellFixture {};

TEST_F(ShellTest, StartsWithTheMainMenuAndNoWindow) {
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_EQ(frame->GetMenuId(), IDR_MAINFRAME);
    EXPECT_EQ(frame->windowTitle(), "Kelvo");
    // The window icon is the program's icon, drawn for small and large sizes alike.
    const QList<QSize> iconSizes = frame->windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(256, 256)));
    EXPECT_EQ(frame->GetMessageText(), " ");
    EXPECT_EQ(menuTitles(frame->menuBar()),
              QStringList({"&Datei", "&Bearbeiten", "&Ansicht", "&Fenster", "&Hilfe"}));
    const QList<QMenu*> menus = frame->GetMenus(IDR_MAINFRAME);
    ASSERT_EQ(menus.size(), 5);
    // The original items in their order; lists, import and download, export, place file and
    // radius search come beside them, each group after the original items it belongs with.
    EXPECT_EQ(Items(menus[0]),
              QStringList({"&Karte öffnen\tStrg+K", "&Tabelle öffnen\tStrg+T",
                           "Datei ö&ffnen...\tStrg+O", "&Liste öffnen...", "-",
                           "Postleitzahlen &importieren...", "Postleitzahlen &herunterladen...",
                           "-", "&Drucken...\tStrg+P", "&Seitenansicht", "Dru&ckeinrichtung...",
                           "-", "E&xportieren...", "Als &Ortsdatei speichern...", "-",
                           "Letzte Datei", "-", "&Schließen", "&Beenden"}));
    EXPECT_EQ(Items(menus[1]), QStringList({"&Kopieren\tStrg+C", "&Alles Waehlen\tStrg+A"}));
    EXPECT_EQ(Items(menus[2]),
              QStringList({"&Symbolleiste", "Status&leiste", "-", "Suchen...", "Datensatz...",
                           "&Umkreissuche...", "&Aktualisieren\tF5", "-", "Gebiete...",
                           "Gebiet zuweisen..."}));
    EXPECT_EQ(Items(menus[3]), QStringList({"&Neues Fenster", "Ü&berlappend", "&Nebeneinander",
                                            "&Symbole anordnen"}));
    EXPECT_EQ(Items(menus[4]), QStringList({"Hilfe&themen", "-", "&Info über Kelvo..."}));
    // The recent-file list is empty: its placeholder shows greyed.
    for (QAction* action : menus[0]->actions()) {
        if (action->text() == "Letzte Datei") {
            EXPECT_FALSE(action->isEnabled());
        }
    }
}

TEST_F(ShellTest, ToolBarHasTenSlotsWithIconsAndTips) {
    const QList<QAction*> buttons = frame->GetToolBar()->actions();
    ASSERT_EQ(buttons.size(), 10);
    const QList<int> ids = {
        ID_FILE_OPEN,  ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT, 0,
        ID_FILE_NEW,   ID_TABLE_OPEN,         ID_SEARCH,     ID_SHOW_FILE_PLACES,
        ID_SHOW_MEMOS, ID_SHOW_PLACE_NAMES};
    for (int i = 0; i < 10; ++i) {
        if (ids[i] == 0) {
            EXPECT_TRUE(buttons[i]->isSeparator());
            continue;
        }
        EXPECT_EQ(buttons[i]->data().toInt(), ids[i]);
        const QPixmap icon = buttons[i]->icon().pixmap(16, 16);
        EXPECT_EQ(icon.size(), QSize(16, 16)) << ids[i];
        EXPECT_FALSE(buttons[i]->toolTip().isEmpty());
    }
    EXPECT_EQ(buttons[5]->toolTip(), "Tabelle öffnen");
    EXPECT_EQ(buttons[0]->toolTip(), "Öffnet eine txt-Datei");
    EXPECT_EQ(buttons[0]->statusTip(), "Öffnet eine txt-Datei.");
}

TEST_F(ShellTest, HoveringShowsThePromptAndLeavingTheIdleText) {
    // Every menu item and button of a command carries its prompt; shortcuts carry none.
    for (int id : {ID_TABLE_OPEN, ID_WINDOW_CASCADE}) {
        for (QAction* action : frame->GetActions(id)) {
            if (action->shortcuts().isEmpty()) {
                action->showStatusText(frame);
                EXPECT_EQ(frame->GetMessageText(), id == ID_TABLE_OPEN
                                                       ? "Tabelle öffnen"
                                                       : "Ordnet die Fenster überlappend an.");
            }
        }
    }
    QStatusTipEvent leave{QString()};
    QCoreApplication::sendEvent(frame, &leave);
    EXPECT_EQ(frame->GetMessageText(), " ");
}

TEST_F(ShellTest, ShortcutsFollowTheAcceleratorTable) {
    // No action anywhere listens to Ctrl+M or Ctrl+A.
    for (QAction* action : frame->findChildren<QAction*>()) {
        EXPECT_FALSE(action->shortcuts().contains(QKeySequence("Ctrl+M")));
        EXPECT_FALSE(action->shortcuts().contains(QKeySequence("Ctrl+A")));
    }
    Key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(Frames().isEmpty());

    Key(Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(Frames().last()->windowTitle(), "Die Karte");
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 2);
    EXPECT_EQ(Frames().last()->windowTitle(), "GEO (Staat+PLZ -> AZ)");
    // Ctrl+K again, now in a table window.
    Key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(Frames().size(), 3);
}

TEST_F(ShellTest, MenuFollowsTheKindOfWindow) {
    Key(Qt::Key_T, Qt::ControlModifier); // a table window first keeps the main menu
    EXPECT_EQ(frame->GetMenuId(), IDR_MAINFRAME);
    Key(Qt::Key_K, Qt::ControlModifier); // a map window puts up its menu
    EXPECT_EQ(frame->GetMenuId(), IDR_MAPTYPE);
    EXPECT_EQ(frame->menuBar()->actions().first()->menu()->actions().first()->text(),
              "&Mappe öffnen\tStrg+M");
    const QList<QMenu*> mapMenus = frame->GetMenus(IDR_MAPTYPE);
    EXPECT_EQ(Items(mapMenus[0]), QStringList({"&Mappe öffnen\tStrg+M",
                                               "&Tabelle öffnen\tStrg+T",
                                               "Datei ö&ffnen...\tStrg+O",
                                               "&Liste öffnen...",
                                               "&Schließen",
                                               "-",
                                               "Postleitzahlen &importieren...",
                                               "Postleitzahlen &herunterladen...",
                                               "-",
                                               "&Drucken...\tStrg+P",
                                               "&Seitenansicht",
                                               "Dru&ckeinrichtung...",
                                               "Karte als &Bild speichern...",
                                               "Karte als &Poster drucken...",
                                               "Gebietsumrisse speichern...",
                                               "PLZ-Flächen importieren...",
                                               "-",
                                               "E&xportieren...",
                                               "Als &Ortsdatei speichern...",
                                               "-",
                                               "Letzte Datei",
                                               "-",
                                               "&Beenden"}));
    EXPECT_EQ(Items(mapMenus[2]), QStringList({"&Symbolleiste",
                                               "Status&leiste",
                                               "-",
                                               "Suchen...",
                                               "Datensatz...",
                                               "&Umkreissuche...",
                                               "&Aktualisieren\tF5",
                                               "-",
                                               "Gebiete...",
                                               "Gebiet zuweisen...",
                                               "-",
                                               "Orte aus Datei anzeigen",
                                               "Memos anzeigen",
                                               "Ortsnamen anzeigen",
                                               "&Namen ohne Überlappung",
                                               "&Grundkarte",
                                               "Seitenverhältnis &wahren",
                                               "&Legende",
                                               "Nach Gebieten färben",
                                               "Gebietsumrisse",
                                               "Gebietsumrisse einstellen...",
                                               "Einträge ohne Ort...",
                                               "S&tichtag...",
                                               "&Zeilen ohne Ort..."}));
    Key(Qt::Key_T, Qt::ControlModifier); // a table window after a map keeps the map menu
    EXPECT_EQ(frame->GetMenuId(), IDR_MAPTYPE);
    // Activating the first table window keeps it too.
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    EXPECT_EQ(frame->GetMenuId(), IDR_MAPTYPE);

    // Closing every window brings back the main menu.
    while (!Frames().isEmpty()) {
        frame->MdiArea()->setActiveSubWindow(Frames().last());
        ASSERT_TRUE(frame->RouteCommand(ID_FILE_CLOSE));
        Process();
    }
    EXPECT_EQ(frame->GetMenuId(), IDR_MAINFRAME);
    EXPECT_EQ(frame->windowTitle(), "Kelvo");
}

TEST_F(ShellTest, ChildFramesTakeTheirSizeFromTheMode) {
    struct Case {
        int mode;
        QSize expected;
    };
    for (const Case& c :
         {Case{0, {500, 350}}, Case{1, {900, 400}}, Case{2, {123, 45}}, Case{-1, {123, 45}}}) {
        g_nChildFrameMode = c.mode;
        CChildFrame child;
        QSize size(123, 45);
        EXPECT_TRUE(child.PreCreateWindow(size));
        EXPECT_EQ(size, c.expected) << c.mode;
    }
    g_nChildFrameMode = 0;

    Key(Qt::Key_K, Qt::ControlModifier); // before any table window
    EXPECT_EQ(Frames().last()->size(), QSize(500, 350));
    Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Frames().last()->size(), QSize(900, 400));
    Key(Qt::Key_K, Qt::ControlModifier); // the new-map command keeps the last size
    EXPECT_EQ(Frames().last()->size(), QSize(900, 400));
    // New windows cascade down and right from the active one.
    const QPoint step = Frames()[2]->pos() - Frames()[1]->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(g_nChildFrameMode, 1);
}

TEST_F(ShellTest, NewMapResetsTheExtentAndNeverAsksToSave) {
    g_dLonWest = 7.0;
    g_dLatNorth = 50.0;
    Key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(g_dLonWest, kDefaultLonWest);
    EXPECT_EQ(g_dLatNorth, kDefaultLatNorth);
    ASSERT_EQ(Frames().size(), 1);
    Frames().first()->close(); // nothing asked, the window goes
    Process();
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(theApp.m_pMapTemplate->GetDocuments().isEmpty());
}

TEST_F(ShellTest, CommandsGoToTheActiveViewFirstAndUnclaimedOnesAreDisabled) {
    frame->UpdateCommandUI();
    for (int id : {ID_FILE_SAVE, ID_FILE_CLOSE, ID_EDIT_COPY, ID_EDIT_CUT, ID_FILE_PRINT,
                   ID_SHOW_MEMOS, ID_WINDOW_CASCADE, ID_WINDOW_NEW, ID_NEXT_PANE})
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    for (int id : {ID_FILE_NEW, ID_TABLE_OPEN, ID_FILE_OPEN, ID_FILE_PRINT_SETUP, ID_APP_ABOUT,
                   ID_HELP_FINDER, ID_APP_EXIT, ID_VIEW_TOOLBAR})
        EXPECT_TRUE(Action(id)->isEnabled()) << id;
    EXPECT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());

    CMultiDocTemplate probeTemplate(
        999, 0, [] { return new CDocument; }, [] { return new CProbeView; });
    probeTemplate.SetMdiArea(frame->MdiArea());
    CDocument* doc = probeTemplate.OpenDocumentFile();
    ASSERT_TRUE(doc);
    auto* probe = dynamic_cast<CProbeView*>(doc->GetFirstView());
    ASSERT_TRUE(probe);

    // The view comes before the main frame: no table window opens.
    EXPECT_TRUE(frame->RouteCommand(ID_TABLE_OPEN));
    EXPECT_EQ(probe->received, QList<int>({ID_TABLE_OPEN}));
    EXPECT_EQ(Frames().size(), 1);
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(Action(ID_EDIT_COPY)->isChecked());
    EXPECT_TRUE(Action(ID_FILE_CLOSE)->isEnabled()); // the document's
    EXPECT_TRUE(Action(ID_WINDOW_CASCADE)->isEnabled());
    EXPECT_FALSE(Action(ID_FILE_SAVE)->isEnabled()); // nobody saves
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(probe->received, QList<int>({ID_TABLE_OPEN, ID_EDIT_COPY}));

    // The document closes its windows; it goes with the last one.
    EXPECT_TRUE(frame->RouteCommand(ID_FILE_CLOSE));
    Process();
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(probeTemplate.GetDocuments().isEmpty());
    EXPECT_FALSE(frame->RouteCommand(ID_FILE_SAVE));
}

TEST_F(ShellTest, WindowCommandsWork) {
    Key(Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 1);
    CDocument* doc = Frames().first()->GetActiveDocument();
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_NEW));
    ASSERT_EQ(Frames().size(), 2);
    EXPECT_EQ(Frames().last()->GetActiveDocument(), doc);
    EXPECT_EQ(Frames().first()->windowTitle(), "GEO (Staat+PLZ -> AZ):1");
    EXPECT_EQ(Frames().last()->windowTitle(), "GEO (Staat+PLZ -> AZ):2");

    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_CASCADE));
    EXPECT_NE(Frames().first()->pos(), Frames().last()->pos());
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_TILE_HORZ));
    EXPECT_FALSE(Frames().first()->geometry().intersects(Frames().last()->geometry()));
    Frames().first()->showMinimized();
    Frames().last()->showMinimized();
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_ARRANGE));
    const int bottom = frame->MdiArea()->viewport()->height();
    for (CChildFrame* child : Frames())
        EXPECT_EQ(child->geometry().bottom() + 1, bottom);

    // The window menu lists the open windows, the active one checked.
    QMenu* windowMenu = frame->GetMenus(IDR_MAINFRAME)[3];
    emit windowMenu->aboutToShow();
    QStringList items = Items(windowMenu);
    EXPECT_EQ(items.mid(4),
              QStringList({"-", "&1 GEO (Staat+PLZ -> AZ):1", "&2 GEO (Staat+PLZ -> AZ):2"}));
    windowMenu->actions().at(5)->trigger();
    EXPECT_EQ(frame->MDIGetActive(), Frames().first());
    emit windowMenu->aboutToShow();
    EXPECT_TRUE(windowMenu->actions().at(5)->isChecked());
    EXPECT_FALSE(windowMenu->actions().at(6)->isChecked());

    // One window closed: the document stays, its title loses the number.
    Frames().last()->close();
    Process();
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(Frames().first()->windowTitle(), "GEO (Staat+PLZ -> AZ)");

    ASSERT_TRUE(frame->RouteCommand(ID_VIEW_TOOLBAR));
    ASSERT_TRUE(frame->RouteCommand(ID_VIEW_STATUS_BAR));
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetToolBar()->isVisible());
    EXPECT_FALSE(frame->statusBar()->isVisible());
    EXPECT_FALSE(Action(ID_VIEW_TOOLBAR)->isChecked());
    EXPECT_FALSE(Action(ID_VIEW_STATUS_BAR)->isChecked());
    ASSERT_TRUE(frame->RouteCommand(ID_VIEW_TOOLBAR));
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->GetToolBar()->isVisible());
    EXPECT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());
}
