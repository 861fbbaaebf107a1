#include "ui/shell/ChildFrame.h"

#include "base/CommandIds.h"
#include "ui/res/Resources.h"
#include "ui/shell/Globals.h"
#include "ui/shell/View.h"

#include <QCloseEvent>
#include <QMenu>

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Status-bar prompts for the window menu of the frame (restore, move, size, minimise,
    // maximise, stay on top, close).
    if (QMenu* menu = systemMenu()) {
        const QList<int> prompts = {AFX_IDS_SCRESTORE,  AFX_IDS_SCMOVE,     AFX_IDS_SCSIZE,
                                    AFX_IDS_SCMINIMIZE, AFX_IDS_SCMAXIMIZE, 0,
                                    AFX_IDS_SCCLOSE};
        int i = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            if (i < prompts.size() && prompts.at(i))
                action->setStatusTip(Res::String(prompts.at(i)));
            ++i;
        }
    }
}

bool CChildFrame::PreCreateWindow(QSize& size) {
    if (g_nChildFrameMode == 0)
        size = QSize(500, 350);
    else if (g_nChildFrameMode == 1)
        size = QSize(900, 400);
    return true;
}

void CChildFrame::SetView(CView* view) {
    m_pView = view;
    view->m_pFrame = this;
    setWidget(view->GetWidget());
}

CDocument* CChildFrame::GetActiveDocument() const {
    return m_pView ? m_pView->GetDocument() : nullptr;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // Nothing is ever saved, so nothing is asked: the window closes.
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted())
        emit frameClosing(this);
}
