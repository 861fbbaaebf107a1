#include "app/ChildFrame.h"
#include "app/CommandIds.h"
#include "app/DocTemplate.h"
#include "app/Document.h"
#include "app/Globals.h"
#include "app/HelpWindow.h"
#include "app/KelvoApp.h"
#include "app/MainFrame.h"
#include "app/View.h"
#include "data/DataCommands.h"
#include "data/FirstStartHint.h"
#include "db/GeoDatabase.h"
#include "db/GeoSql.h"
#include "table/CDia_Find.h"
#include "table/TableText.h"

#include <QAction>
#include <QMdiArea>
#include <QStatusBar>
#include <QToolBar>

bool CMainFrame::RouteCommand(int id) {
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
        }
    }
}

bool CMainFrame::OnCommand(int id) {
    switch (id) {
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
    case ID_WINDOW_NEW:
        OnWindowNew();
        return true;
    case ID_WINDOW_CASCADE:
        m_pMdiArea->cascadeSubWindows();
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
    case ID_TABLE_OPEN:
    case ID_SEARCH:
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
    m_strText = GeoSql::SearchFilter(text);
    g_nTableIndex = 0;
    g_nChildFrameMode = 1;
    g_strSearch = m_strText;
    if (CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile()) {
        m_strText =
            TableText::SearchTitle(g_nFoundCount, text, g_GeoDatabase.m_Table.m_strTableName);
        doc->SetTitle(m_strText);
    }
    g_strSearch.clear();
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
    if (!m_pHelpWindow)
        m_pHelpWindow = new CHelpWindow(this);
    QString topic;
    if (id == ID_CONTEXT_HELP) {
        topic = QStringLiteral("befehle");
    } else if (id == ID_HELP) {
        // Help on what the user is doing: the active window's kind.
        CDocument* doc = GetActiveDocument();
        const int kind = doc && doc->GetDocTemplate() ? doc->GetDocTemplate()->GetResourceId() : 0;
        topic = kind == IDR_TABLETYPE ? QStringLiteral("tabelle")
                : kind == IDR_MAPTYPE ? QStringLiteral("karte")
                                      : QStringLiteral("fenster");
    }
    m_pHelpWindow->ShowTopic(topic);
}
