#pragma once

#include <QMdiSubWindow>

class CDocument;
class CView;

// The frame of every document window inside the main frame. It sizes a new window from
// g_nChildFrameMode and holds exactly one view.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);

    // Called before the frame is placed: mode 0 makes the window 500 x 350, mode 1 900 x 400
    // (outer size); any other mode leaves the size as given (an invalid size lets the
    // main frame's window area choose). Returns true.
    virtual bool PreCreateWindow(QSize& size);

    // Puts the view into the frame; the frame owns it from then on.
    void SetView(CView* view);
    CView* GetActiveView() const { return m_pView; }
    CDocument* GetActiveDocument() const;

signals:
    // The window is closing and will be destroyed.
    void frameClosing(CChildFrame* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CView* m_pView = nullptr;
};
