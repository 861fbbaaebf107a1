#include "ui/shell/MainFrame.h"
#include "ui/shell/WindowState.h"

#include "base/CommandIds.h"
#include "ui/data/FirstStartHint.h"
#include "ui/res/Resources.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/ContextHelp.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/HelpWindow.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/RecentFileList.h"
#include "ui/shell/StatusIndicators.h"
#include "ui/shell/View.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

CMainFrame::CMainFrame() {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(Res::String(IDR_MAINFRAME));
    setWindowIcon(Res::AppIcon());
    resize(1100, 760);

    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateAccelerators();
    SetMenu(IDR_MAINFRAME);
    m_pContextHelp = new CContextHelp(this, [this](const QString& topic) { ShowHelp(topic); });

    // The commands' states follow what they depend on: the focus and the active window, the
    // menu about to show, a command carried out, and what the views report through
    // CommandStateChanged.
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::CommandStateChanged);
    UpdateCommandUI();
    UpdateFirstStartHint();
}

CMainFrame::~CMainFrame() {
    // Windows that go from here on (the help window among them) move the focus; the frame
    // that is being taken apart must not update its commands then.
    disconnect(qApp, nullptr, this, nullptr);
    // The document windows go first, while the frame is whole: views write to the status
    // bar as they go.
    const QList<CChildFrame*> frames = m_pMdiArea->findChildren<CChildFrame*>();
    for (CChildFrame* frame : frames)
        delete frame;
}

QAction* CMainFrame::AddCommandAction(int id, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setStatusTip(Res::StatusPrompt(id));
    connect(action, &QAction::triggered, this, [this, id] {
        RouteCommand(id);
        UpdateCommandUI();
    });
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    // The entries of the recent-file list: one set, shown in both file menus.
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* entry = AddCommandAction(ID_FILE_MRU_FILE1 + i, QString());
        entry->setVisible(false);
        m_recentActions.append(entry);
    }
    for (int menuId : {IDR_MAINFRAME, IDR_MAPTYPE}) {
        for (const Res::Popup& popup : Res::Menu(menuId)) {
            auto* menu = new QMenu(popup.text, this);
            const bool windowMenu = popup.items.first().id == ID_WINDOW_NEW;
            connect(menu, &QMenu::aboutToShow, this, [this, menu, windowMenu] {
                UpdateRecentFileMenu();
                if (windowMenu)
                    UpdateWindowMenu(menu);
                UpdateCommandUI();
            });
            for (const Res::MenuItem& item : popup.items) {
                if (item.id == ID_SEPARATOR) {
                    menu->addSeparator();
                } else if (item.id == ID_FILE_MRU_FILE1) {
                    QAction* placeholder = menu->addAction(item.text);
                    placeholder->setData(item.id); // for context help
                    placeholder->setStatusTip(Res::StatusPrompt(item.id));
                    placeholder->setEnabled(false);
                    m_recentPlaceholders.append(placeholder);
                    menu->addActions(m_recentActions);
                } else {
                    menu->addAction(AddCommandAction(item.id, item.text));
                }
            }
            m_menus[menuId].append(menu);
        }
    }
    UpdateRecentFileMenu();
}

void CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(Res::ToolTip(ID_VIEW_TOOLBAR), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : Res::ToolBarButtons()) {
        if (id == ID_SEPARATOR) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* button = AddCommandAction(id, Res::ToolTip(id));
        button->setIcon(QIcon(Res::ToolBarIconPath(id)));
        button->setToolTip(Res::ToolTip(id));
        m_wndToolBar->addAction(button);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // The small dialog font: captions in pane 0 take about 6 pixels a character, which is
    // what the progress bar's placement allows for.
    bar->setFont(CDialogUnits::DialogFont());
    m_pIndicators = new CStatusIndicators(bar);
    SetMessageText(Res::String(AFX_IDS_IDLEMESSAGE));
}

void CMainFrame::CreateAccelerators() {
    // One shortcut action per command, carrying all its keys; the action belongs to the
    // main frame, so the keys work in every document window.
    QHash<int, QList<QKeySequence>> keys;
    QList<int> order;
    for (const Res::Accelerator& accel : Res::Accelerators()) {
        if (!keys.contains(accel.id))
            order.append(accel.id);
        keys[accel.id].append(accel.keys);
    }
    for (int id : order) {
        QAction* action = AddCommandAction(id, QString());
        action->setStatusTip(QString());
        action->setShortcuts(keys.value(id));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void CMainFrame::SetMenu(int menuId) {
    if (menuId == m_nMenuId)
        return;
    m_nMenuId = menuId;
    menuBar()->clear();
    for (QMenu* menu : m_menus.value(menuId))
        menuBar()->addMenu(menu);
}

void CMainFrame::UpdateRecentFileMenu() {
    const CRecentFileList& list = theApp.RecentFiles();
    const int count = int(list.Files().size());
    for (QAction* placeholder : m_recentPlaceholders)
        placeholder->setVisible(count == 0);
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* entry = m_recentActions.at(i);
        entry->setVisible(i < count);
        if (i < count)
            entry->setText(list.MenuText(i));
    }
}

void CMainFrame::UpdateWindowMenu(QMenu* menu) {
    qDeleteAll(m_windowActions);
    m_windowActions.clear();
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        if (!window->isVisible())
            continue;
        if (number == 0)
            m_windowActions.append(menu->addSeparator());
        QAction* entry = menu->addAction(NumberedMenuText(++number, window->windowTitle()));
        entry->setStatusTip(Res::String(AFX_IDS_MDICHILD));
        entry->setCheckable(true);
        entry->setChecked(window == m_pMdiArea->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                m_pMdiArea->setActiveSubWindow(window);
        });
        m_windowActions.append(entry);
    }
}

CChildFrame* CMainFrame::MDIGetActive() const {
    return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

CView* CMainFrame::GetActiveView() const {
    CChildFrame* frame = MDIGetActive();
    return frame ? frame->GetActiveView() : nullptr;
}

CDocument* CMainFrame::GetActiveDocument() const {
    CView* view = GetActiveView();
    return view ? view->GetDocument() : nullptr;
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    if (auto* frame = qobject_cast<CChildFrame*>(window)) {
        connect(frame, &CChildFrame::frameClosing, this, &CMainFrame::OnFrameClosing,
                Qt::UniqueConnection);
        connect(frame, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateTitle,
                Qt::UniqueConnection);
        connect(frame, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateTitle,
                Qt::UniqueConnection);
        // A map window puts up its menu; a table window keeps the menu that is up.
        CDocument* doc = frame->GetActiveDocument();
        CMultiDocTemplate* docTemplate = doc ? doc->GetDocTemplate() : nullptr;
        if (docTemplate && docTemplate->GetMenuId())
            SetMenu(docTemplate->GetMenuId());
        if (CView* view = frame->GetActiveView())
            view->OnActivateView();
    }
    UpdateTitle();
    UpdateCommandUI();
}

void CMainFrame::OnFrameClosing(CChildFrame* closing) {
    bool others = false;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        // Windows that are no document windows (a list's side windows) close with theirs.
        if (window != closing && window->isVisible() && qobject_cast<CChildFrame*>(window))
            others = true;
    }
    // The last document window has closed: the main menu returns.
    if (!others)
        SetMenu(IDR_MAINFRAME);
    UpdateTitle();
    CommandStateChanged();
}

void CMainFrame::UpdateTitle() {
    CChildFrame* frame = MDIGetActive();
    const QString app = Res::String(IDR_MAINFRAME);
    if (!frame || !frame->isVisible() || frame->windowTitle().isEmpty())
        setWindowTitle(app);
    else if (frame->isMaximized())
        // A maximised window shares the caption: its title goes in brackets, once.
        setWindowTitle(QStringLiteral("%1 - [%2]").arg(app, frame->windowTitle()));
    else
        setWindowTitle(QStringLiteral("%1 - %2").arg(app, frame->windowTitle()));
}

void CMainFrame::SetMessageText(const QString& text) {
    const bool idle = text.isEmpty() || text == Res::String(AFX_IDS_IDLEMESSAGE);
    statusBar()->showMessage(idle && !m_strNote.isEmpty() ? m_strNote : text);
}

void CMainFrame::SetNote(const QString& note) {
    m_strNote = note;
    SetMessageText(QString());
}

QString CMainFrame::GetMessageText() const {
    return statusBar()->currentMessage();
}

QRect CMainFrame::MessagePaneRect() const {
    const QStatusBar* bar = statusBar();
    int right = m_pIndicators ? m_pIndicators->Left() : bar->width();
    if (right <= 0)
        right = bar->width();
    return QRect(0, 0, right, bar->height());
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // Hovering a menu item or button shows its prompt; leaving it, the idle text.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        SetMessageText(tip.isEmpty() ? Res::String(AFX_IDS_IDLEMESSAGE) : tip);
        return true;
    }
    if (event->type() == QEvent::Close)
        WindowState::SaveMainWindow(this);
    if (event->type() == QEvent::Close && m_pHelpWindow)
        m_pHelpWindow->close();
    if (event->type() == QEvent::WindowActivate)
        CommandStateChanged();
    return QMainWindow::event(event);
}
