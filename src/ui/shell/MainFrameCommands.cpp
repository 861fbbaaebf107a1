#include "base/CommandIds.h"
#include "render/table/TableText.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "ui/data/DataCommands.h"
#include "ui/data/FirstStartHint.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/ContextHelp.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/Globals.h"
#include "ui/shell/HelpWindow.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/View.h"
#include "ui/table/CDia_Find.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryPanel.h"

#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

bool CMainFrame::RouteCommand(int id) {
    if (!m_strNote.isEmpty())
        SetNote(QString());
    CView* view = GetActiveView();
    if (view && view->OnCommand(id))
        return true;
    CDocument* doc = view ? view->GetDocument() : nullptr;
    if (doc && doc->OnCommand(id))
        return true;
    if (OnCommand(id))
        return true;
    return theApp.OnCommand(id);
}

void CMainFrame::RouteUpdate(CCmdUI& ui) {
    CView* view = GetActiveView();
    if (view && view->OnUpdateCommand(ui.m_nID, ui))
        return;
    CDocument* doc = view ? view->GetDocument() : nullptr;
    if (doc && doc->OnUpdateCommand(ui.m_nID, ui))
        return;
    if (OnUpdateCommand(ui.m_nID, ui))
        return;
    if (theApp.OnUpdateCommand(ui.m_nID, ui))
        return;
    ui.Enable(false); // nobody handles it
}

void CMainFrame::CommandStateChanged() {
    if (m_bCommandUpdateQueued)
        return;
    m_bCommandUpdateQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bCommandUpdateQueued = false;
            UpdateCommandUI();
        },
        Qt::QueuedConnection);
}

void CMainFrame::UpdateCommandUI() {
    const QList<int> ids = m_actions.uniqueKeys();
    for (int id : ids) {
        CCmdUI ui(id);
        RouteUpdate(ui);
        const QList<QAction*> actions = m_actions.values(id);
        for (QAction* action : actions) {
            action->setEnabled(ui.m_bEnabled);
            if (action->isCheckable() != ui.m_bCheckable)
                action->setCheckable(ui.m_bCheckable);
            if (ui.m_bCheckable && action->isChecked() != ui.m_bChecked)
                action->setChecked(ui.m_bChecked);
            if (!ui.m_strToolTip.isEmpty() && action->toolTip() != ui.m_strToolTip) {
                action->setToolTip(ui.m_strToolTip);
                for (QObject* object : action->associatedObjects()) {
                    if (auto* menu = qobject_cast<QMenu*>(object))
                        menu->setToolTipsVisible(true);
                }
            }
        }
    }
}

bool CMainFrame::OnCommand(int id) {
    switch (id) {
    case ID_TERRITORY_PANEL:
        CTerritoryPanel::Show(this);
        return true;
    case ID_TABLE_OPEN:
        OnTableOpen();
        return true;
    case ID_SEARCH:
        OnSearch();
        return true;
    case ID_DATA_IMPORT:
        DataCommands::OnImport(*this);
        return true;
    case ID_DATA_DOWNLOAD:
        DataCommands::OnDownload(*this);
        return true;
    case ID_RADIUS_SEARCH:
        OnRadiusSearch();
        return true;
    case ID_WINDOW_NEW:
        OnWindowNew();
        return true;
    case ID_WINDOW_CASCADE:
        OnWindowCascade();
        return true;
    case ID_WINDOW_TILE_HORZ:
        m_pMdiArea->tileSubWindows();
        return true;
    case ID_WINDOW_ARRANGE:
        OnWindowArrange();
        return true;
    case ID_VIEW_TOOLBAR:
        m_wndToolBar->setVisible(!m_wndToolBar->isVisible());
        return true;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        return true;
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
    case ID_HELP:
    case ID_CONTEXT_HELP:
        OnHelp(id);
        return true;
    default:
        return false;
    }
}

bool CMainFrame::OnUpdateCommand(int id, CCmdUI& ui) {
    switch (id) {
    case ID_TERRITORY_PANEL:
        ui.Enable(g_GeoDatabase.IsOpen());
        return true;
    case ID_TABLE_OPEN:
    case ID_SEARCH:
    case ID_RADIUS_SEARCH:
    case ID_HELP_FINDER:
    case ID_DEFAULT_HELP:
    case ID_HELP:
    case ID_CONTEXT_HELP:
        return true;
    case ID_WINDOW_NEW:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_ARRANGE:
        ui.Enable(MDIGetActive() != nullptr);
        return true;
    case ID_DATA_IMPORT:
    case ID_DATA_DOWNLOAD:
        ui.Enable(g_GeoDatabase.IsOpen());
        return true;
    case ID_VIEW_TOOLBAR:
        ui.SetCheck(m_wndToolBar->isVisible());
        return true;
    case ID_VIEW_STATUS_BAR:
        ui.SetCheck(statusBar()->isVisible());
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnTableOpen() {
    g_strSearch.clear();
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile())
        doc->SetTitle(TableText::AllRowsTitle(g_GeoDatabase.m_Table));
}

void CMainFrame::OnSearch() {
    CDia_Find dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QString text = g_strSearch; // as typed
    const CGeoFilter filter = GeoFilter::Search(text, dlg.FoldSpellings());
    m_strText = filter.Text();
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    g_strSearch = m_strText;
    CListView_Table::ListNextFiltered(filter);
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        m_strText =
            TableText::SearchTitle(g_nFoundCount, text, g_GeoDatabase.m_Table.m_strTableName);
        doc->SetTitle(m_strText);
    }
    g_strSearch.clear();
    CListView_Table::ListNextFiltered(std::nullopt);
}

void CMainFrame::UpdateFirstStartHint() {
    const bool empty = g_GeoDatabase.IsOpen() && !g_GeoDatabase.HasRows();
    if (empty && !m_pFirstStartHint)
        m_pFirstStartHint = new CFirstStartHint(*this);
    else if (!empty)
        delete m_pFirstStartHint;
}

QWidget* CMainFrame::GetFirstStartHint() const {
    return m_pFirstStartHint;
}

void CMainFrame::OnWindowNew() {
    CDocument* doc = GetActiveDocument();
    CMultiDocTemplate* docTemplate = doc ? doc->GetDocTemplate() : nullptr;
    if (!docTemplate)
        return;
    docTemplate->InitialUpdateFrame(docTemplate->CreateNewFrame(doc));
}

void CMainFrame::OnWindowCascade() {
    // Each window one title-bar height below and right of the one before, the active one
    // last and on top. A window keeps its size, cut only where it would reach past the area;
    // one that would fit at the corner but not at its place starts the stagger again there.
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isVisible() && !window->isMinimized())
            windows << window;
    }
    if (QMdiSubWindow* active = m_pMdiArea->activeSubWindow(); windows.removeOne(active))
        windows << active;
    const QSize area = m_pMdiArea->viewport()->size();
    int offset = 0;
    for (QMdiSubWindow* window : windows) {
        if (window->isMaximized())
            window->showNormal();
        const int step = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        const QSize size = window->size();
        const bool fitsAtCorner = size.width() <= area.width() && size.height() <= area.height();
        if (offset > 0 && fitsAtCorner &&
            (offset + size.width() > area.width() || offset + size.height() > area.height()))
            offset = 0;
        window->setGeometry(offset, offset, std::min(size.width(), area.width() - offset),
                            std::min(size.height(), area.height() - offset));
        window->raise();
        offset += step;
    }
}

void CMainFrame::OnWindowArrange() {
    // Minimised windows line up along the bottom edge of the window area.
    const int bottom = m_pMdiArea->viewport()->height();
    int x = 0;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

void CMainFrame::OnHelp(int id) {
    if (id == ID_CONTEXT_HELP) {
        m_pContextHelp->Enter(); // the object the user clicks next chooses the topic
        return;
    }
    // F1: help on what the user is doing, the active window's kind; otherwise the contents.
    ShowHelp(id == ID_HELP ? HelpTopics::OfDocument(GetActiveDocument()) : QString());
}

void CMainFrame::ShowHelp(const QString& topic) {
    if (!m_pHelpWindow)
        m_pHelpWindow = new CHelpWindow(this);
    m_pHelpWindow->ShowTopic(topic);
}
