#pragma once

#include "ui/shell/CmdTarget.h"

class CChildFrame;
class CDocument;
class QWidget;

// The part every document view shares, mixed into a widget class:
//     class CMyView : public QWidget, public CView
// A view belongs to one document and one child frame. Commands reach the active view first;
// a view claims them through OnCommand/OnUpdateCommand (CCmdTarget).
class CView : public CCmdTarget {
public:
    CView() = default;
    ~CView() override; // leaves its document, which goes with its last view
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    CDocument* GetDocument() const { return m_pDocument; }
    CChildFrame* GetParentFrame() const { return m_pFrame; }
    // The widget this view is (the class it is mixed into).
    QWidget* GetWidget();

    // Called once after the document is new or loaded and before the window is shown.
    virtual void OnInitialUpdate() {}
    // The rows in the database have changed (an import): the view shows them afresh.
    virtual void OnUpdate() {}
    // Called once the window has been shown and made the active one, with the focus in the
    // view (which may then write its status).
    virtual void OnFrameShown() {}
    // Its window has become the active one (opened, clicked, chosen in the window menu),
    // whether or not the focus went into the view (it may stay in a panel beside the windows).
    virtual void OnActivateView() {}

private:
    friend class CDocument;
    friend class CChildFrame;
    CDocument* m_pDocument = nullptr;
    CChildFrame* m_pFrame = nullptr;
};
