// Context help through the real main window: Shift+F1 turns the pointer into the help
// pointer and asks for an object; a click on a tool-bar button, a menu command, a table or a
// map window opens the help page at its topic without carrying anything out; Esc ends it.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"
#include "ui/shell/ContextHelp.h"
#include "ui/shell/HelpWindow.h"
#include "ui/shell/View.h"

#include <QMenuBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

class ContextHelpTest : public ShellFixture {
protected:
    void ShiftF1() {
        frame->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == frame; }, 2000));
        Key(Qt::Key_F1, Qt::ShiftModifier);
        ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
        EXPECT_EQ(frame->GetMessageText(),
                  "Wählen Sie das Objekt aus, für das die Hilfe angezeigt werden soll.");
    }

    // The topic the help window shows after a click, or "" when it did not open.
    QString HelpAfterClick(QWidget* widget, QPoint pos) {
        if (CHelpWindow* help = frame->GetHelpWindow())
            help->close();
        QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
        Process();
        CHelpWindow* help = frame->GetHelpWindow();
        if (!help || !help->isVisible())
            return QString();
        EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
        return help->Browser()->source().fragment();
    }

    QWidget* ToolButton(int id) const {
        for (QAction* action : frame->GetActions(id)) {
            if (QWidget* button = frame->GetToolBar()->widgetForAction(action))
                return button;
        }
        return nullptr;
    }
};

TEST_F(ContextHelpTest, AClickChoosesTheTopicInsteadOfActing) {
    // A tool-bar button: its command's topic; no table window opens.
    ShiftF1();
    QWidget* tableButton = ToolButton(ID_TABLE_OPEN);
    ASSERT_TRUE(tableButton);
    EXPECT_EQ(HelpAfterClick(tableButton, tableButton->rect().center()), "tabelle-oeffnen");
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_EQ(frame->GetMessageText(), " ");

    // A menu command, in a menu opened from the menu bar.
    ShiftF1();
    QMenuBar* bar = frame->menuBar();
    QAction* fileTitle = bar->actions().first();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(fileTitle).center());
    Process();
    QMenu* fileMenu = fileTitle->menu();
    ASSERT_TRUE(fileMenu->isVisible());
    QAction* newMap = fileMenu->actions().first(); // "&Karte öffnen"
    EXPECT_EQ(HelpAfterClick(fileMenu, fileMenu->actionGeometry(newMap).center()), "karte-oeffnen");
    EXPECT_FALSE(fileMenu->isVisible());
    EXPECT_TRUE(Frames().isEmpty());

    // A table window and a map window: their kinds' topics; the map starts no zoom band.
    frame->GetHelpWindow()->close();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == frame; }, 2000));
    Key(Qt::Key_T, Qt::ControlModifier);
    Key(Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(Frames().size(), 2);
    for (CChildFrame* child : Frames()) {
        ShiftF1();
        QWidget* view = child->GetActiveView()->GetWidget();
        if (auto* scroll = qobject_cast<QAbstractScrollArea*>(view))
            view = scroll->viewport();
        EXPECT_EQ(HelpAfterClick(view, QPoint(60, 60)),
                  child == Frames().first() ? "tabelle" : "karte");
    }
    EXPECT_EQ(Frames().size(), 2);
}

TEST_F(ContextHelpTest, EscLeavesTheModeWithoutHelp) {
    ShiftF1();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(frame->GetMessageText(), " ");
    EXPECT_FALSE(frame->GetHelpWindow() && frame->GetHelpWindow()->isVisible());
    // Clicks act again.
    QWidget* tableButton = ToolButton(ID_TABLE_OPEN);
    QTest::mouseClick(tableButton, Qt::LeftButton);
    Process();
    EXPECT_EQ(Frames().size(), 1);
}
