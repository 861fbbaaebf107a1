#pragma once

#include "ui/shell/CmdTarget.h"
#include "ui/shell/HelpWindow.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>

class CChildFrame;
class CContextHelp;
class CDocument;
class CFirstStartHint;
class CStatusIndicators;
class CView;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// The program's main window: menu bar (menu 128, or 129 while a map window is up), tool bar
// 128, the window area with the document windows and the four-pane status bar (message,
// "UF", "NUM", "RF").
//
// Every menu item, tool-bar button and shortcut stands for a command id. A command goes to
// the active view, then its document, then the main frame, then the application; the first
// that claims it carries it out. Enabled and checked states are asked along the same chain,
// and a command that nobody claims is disabled.
class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CChildFrame* MDIGetActive() const;
    CView* GetActiveView() const;
    CDocument* GetActiveDocument() const;

    // The menu showing: 128 or 129.
    int GetMenuId() const { return m_nMenuId; }
    QList<QMenu*> GetMenus(int menuId) const { return m_menus.value(menuId); }

    // Carries a command out along the routing chain; false when nobody claims it.
    bool RouteCommand(int id);
    // Asks the routing chain for a command's state; nobody claiming it disables it.
    void RouteUpdate(CCmdUI& ui);
    // Brings every menu item, button and shortcut up to date.
    void UpdateCommandUI();
    // What a command's state depends on has changed (a selection, the rows of a window, a
    // loaded file): the states are brought up to date once the current event is handled,
    // once however often this is called meanwhile.
    void CommandStateChanged();
    // The actions (menu items, buttons, shortcuts) that stand for a command.
    QList<QAction*> GetActions(int id) const { return m_actions.values(id); }

    // Status pane 0; an empty text shows the idle text " ".
    void SetMessageText(const QString& text);
    // A note that the message pane shows instead of an empty or idle text until the next
    // command runs.
    void SetNote(const QString& note);
    QString GetMessageText() const;
    QString GetNote() const { return m_strNote; }
    // Rectangle of pane 0 in status-bar coordinates.
    QRect MessagePaneRect() const;
    QToolBar* GetToolBar() const { return m_wndToolBar; }
    CHelpWindow* GetHelpWindow() const { return m_pHelpWindow; }

    // Shows the first-start hint while table GEO has no rows, and removes it once it has.
    void UpdateFirstStartHint();
    QWidget* GetFirstStartHint() const;

    // Refreshes the entries under "Letzte Datei".
    void UpdateRecentFileMenu();
    // Lists the open document windows at the end of a window menu ("&1 Die Karte" ...).
    void UpdateWindowMenu(QMenu* menu);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& ui) override;

    // "Tabelle öffnen": a table window over all rows.
    void OnTableOpen();
    // "Suchen...": asks for a text and opens a table window of the rows that contain it in
    // any of the ten searched fields, titled with their number.
    void OnSearch();
    // "Umkreissuche...": asks for a centre and a radius and opens a table window of the rows
    // within the radius, nearest first, with their distance as the last column.
    void OnRadiusSearch();
    void OnWindowNew();
    // "Überlappend": staggers the windows by the title-bar height, keeping their sizes.
    void OnWindowCascade();
    void OnWindowArrange();
    // F1 and the help contents open the help page; Shift+F1 starts context help.
    void OnHelp(int id);
    // Opens the help window at a topic of the help page (empty: its top).
    void ShowHelp(const QString& topic);
    CContextHelp* GetContextHelp() const { return m_pContextHelp; }

    QString m_strText; // work text of the search: its filter, then its window's title

protected:
    bool event(QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateAccelerators();
    QAction* AddCommandAction(int id, const QString& text);
    void SetMenu(int menuId);
    void OnSubWindowActivated(QMdiSubWindow* window);
    void OnFrameClosing(CChildFrame* frame);
    void UpdateTitle();

    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    CStatusIndicators* m_pIndicators = nullptr;
    QHash<int, QList<QMenu*>> m_menus;
    QMultiHash<int, QAction*> m_actions;
    QList<QAction*> m_recentPlaceholders; // "Letzte Datei" while the list is empty
    QList<QAction*> m_recentActions;      // the entries, shared by both file menus
    QList<QAction*> m_windowActions;      // the window list of the window menu showing
    int m_nMenuId = 0;
    bool m_bCommandUpdateQueued = false;
    QPointer<CHelpWindow> m_pHelpWindow;
    QPointer<CFirstStartHint> m_pFirstStartHint;
    CContextHelp* m_pContextHelp = nullptr;
    QString m_strNote; // see SetNote
};
