#include "ui/shell/DocTemplate.h"

#include "ui/res/Resources.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Document.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/View.h"

#include <QFileInfo>
#include <QIcon>
#include <QMdiArea>
#include <QStyle>

CMultiDocTemplate::CMultiDocTemplate(int resourceId, int menuId, DocumentFactory makeDocument,
                                     ViewFactory makeView)
    : m_nIDResource(resourceId), m_nMenuId(menuId), m_makeDocument(std::move(makeDocument)),
      m_makeView(std::move(makeView)) {}

CMultiDocTemplate::~CMultiDocTemplate() {
    const QList<CDocument*> docs = m_docList;
    for (CDocument* doc : docs) {
        doc->m_pDocTemplate = nullptr;
        delete doc;
    }
}

CDocument* CMultiDocTemplate::FindOpenDocument(const QString& path) const {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (CDocument* doc : m_docList) {
        if (!doc->IsClosing() && !doc->GetPathName().isEmpty() &&
            QFileInfo(doc->GetPathName()).absoluteFilePath() == wanted)
            return doc;
    }
    return nullptr;
}

void CMultiDocTemplate::RemoveDocument(CDocument* document) {
    m_docList.removeAll(document);
}

CChildFrame* CMultiDocTemplate::CreateNewFrame(CDocument* document) {
    QSize size; // invalid: the window area's default
    auto* frame = new CChildFrame;
    frame->setWindowIcon(QIcon(Res::DocumentIconPath(m_nIDResource)));
    frame->PreCreateWindow(size);
    CView* view = m_makeView();
    document->AddView(view);
    frame->SetView(view);
    if (m_pMdiArea)
        m_pMdiArea->addSubWindow(frame);
    if (size.isValid())
        frame->resize(size);
    document->UpdateFrameTitles();
    return frame;
}

void CMultiDocTemplate::InitialUpdateFrame(CChildFrame* frame, bool bMakeVisible) {
    // The window the new one cascades from: the active one before the view's initial update,
    // during which the new window may already become the active one (a table window does
    // while it reads its rows).
    QMdiSubWindow* active = m_pMdiArea ? m_pMdiArea->currentSubWindow() : nullptr;
    m_pRevealing = bMakeVisible ? frame : nullptr;
    m_pRevealFrom = active;
    if (CView* view = frame->GetActiveView())
        view->OnInitialUpdate();
    const bool revealed = bMakeVisible && m_pRevealing != frame;
    m_pRevealing = nullptr;
    if (!bMakeVisible)
        return;
    if (!revealed) {
        if (m_pMdiArea)
            PlaceFrame(frame, active);
        frame->show();
        if (m_pMdiArea)
            m_pMdiArea->setActiveSubWindow(frame);
    }
    if (CView* view = frame->GetActiveView()) {
        // A window shown early keeps the focus where the user put it meanwhile.
        if (!revealed || !m_pMdiArea || m_pMdiArea->currentSubWindow() == frame)
            view->GetWidget()->setFocus();
        view->OnFrameShown();
    }
}

bool CMultiDocTemplate::RevealFrame(CChildFrame* frame) {
    if (!frame || frame != m_pRevealing)
        return false;
    m_pRevealing = nullptr;
    if (m_pMdiArea)
        PlaceFrame(frame, m_pRevealFrom);
    frame->show();
    if (m_pMdiArea)
        m_pMdiArea->setActiveSubWindow(frame);
    if (CView* view = frame->GetActiveView())
        view->GetWidget()->setFocus();
    return true;
}

void CMultiDocTemplate::PlaceFrame(CChildFrame* frame, QMdiSubWindow* active) const {
    // New windows cascade from the active one, one title-bar height down and right, and
    // start again at the top left corner when they would reach past the window area.
    QPoint pos(0, 0);
    if (active && active != frame && active->isVisible() && !active->isMaximized() &&
        !active->isMinimized()) {
        const int step = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
        pos = active->pos() + QPoint(step, step);
        const QSize area = m_pMdiArea->viewport()->size();
        if (pos.x() + frame->width() > area.width() || pos.y() + frame->height() > area.height())
            pos = QPoint(0, 0);
    }
    frame->move(pos);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const QString& path, bool bMakeVisible) {
    QString file;
    if (!path.isEmpty()) {
        file = QFileInfo(path).absoluteFilePath();
        if (CDocument* open = FindOpenDocument(file)) {
            // Already open: bring its first window forward, read nothing.
            if (CView* view = open->GetFirstView()) {
                if (CChildFrame* frame = view->GetParentFrame()) {
                    if (frame->isMinimized())
                        frame->showNormal();
                    if (m_pMdiArea)
                        m_pMdiArea->setActiveSubWindow(frame);
                }
            }
            return open;
        }
    }

    CDocument* document = m_makeDocument();
    document->m_pDocTemplate = this;
    m_docList.append(document);
    CChildFrame* frame = CreateNewFrame(document);

    const bool ok = file.isEmpty() ? document->OnNewDocument() : document->OnOpenDocument(file);
    if (!ok) {
        // Destroying the frame destroys the view and with it the document.
        delete frame;
        return nullptr;
    }
    if (!file.isEmpty()) {
        document->SetPathName(file);
        theApp.AddToRecentFileList(file);
    }
    InitialUpdateFrame(frame, bMakeVisible);
    return document;
}
