#pragma once

#include <QList>
#include <QString>

#include <functional>

class CChildFrame;
class CDocument;
class CView;
class QMdiArea;
class QMdiSubWindow;

// Makes document windows of one kind: a document class, the child frame and a view class.
//
// OpenDocumentFile follows the framework's order: the document is constructed; the child
// frame (sized by its PreCreateWindow) and the view are constructed; then the document's
// OnNewDocument runs (or the file is opened and loaded); then the view's OnInitialUpdate;
// then the window is shown and activated. Any failure leaves no window behind.
class CMultiDocTemplate {
public:
    using DocumentFactory = std::function<CDocument*()>;
    using ViewFactory = std::function<CView*()>;

    // menuId: the menu that the template's windows put up when they become active, or 0 to
    // keep whatever menu is showing.
    CMultiDocTemplate(int resourceId, int menuId, DocumentFactory makeDocument,
                      ViewFactory makeView);
    ~CMultiDocTemplate(); // destroys documents still open
    CMultiDocTemplate(const CMultiDocTemplate&) = delete;
    CMultiDocTemplate& operator=(const CMultiDocTemplate&) = delete;

    // The window area the frames go into (the main frame's).
    void SetMdiArea(QMdiArea* area) { m_pMdiArea = area; }

    // Opens a new, untitled document (empty path) or the given file, in a new window.
    // A file already open in a window of this template is not read again: its window comes
    // forward and its document is returned. Returns null on failure (no window is left).
    CDocument* OpenDocumentFile(const QString& path = QString(), bool bMakeVisible = true);

    // A further window on an open document (the window command "Neues Fenster").
    CChildFrame* CreateNewFrame(CDocument* document);
    // Gives the frame's view its initial update and shows the frame.
    void InitialUpdateFrame(CChildFrame* frame, bool bMakeVisible = true);
    // During the initial update of a frame that is to be shown: shows it now, placed and
    // active as it would be afterwards (a view that fills for long shows its first rows).
    // False for any other frame.
    bool RevealFrame(CChildFrame* frame);

    // The open document read from the file, or null.
    CDocument* FindOpenDocument(const QString& path) const;
    const QList<CDocument*>& GetDocuments() const { return m_docList; }
    void RemoveDocument(CDocument* document);

    int GetResourceId() const { return m_nIDResource; }
    int GetMenuId() const { return m_nMenuId; }

private:
    void PlaceFrame(CChildFrame* frame, QMdiSubWindow* active) const;

    int m_nIDResource;
    int m_nMenuId;
    DocumentFactory m_makeDocument;
    ViewFactory m_makeView;
    QMdiArea* m_pMdiArea = nullptr;
    QList<CDocument*> m_docList;
    CChildFrame* m_pRevealing = nullptr;    // the frame in its initial update, to be shown
    QMdiSubWindow* m_pRevealFrom = nullptr; // the window it cascades from
};
