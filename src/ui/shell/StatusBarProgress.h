#pragma once

#include "base/Progress.h"

#include <QCursor>
#include <QString>

// Shows a long operation of widget-free code in the main frame: the wait cursor and the
// status-bar progress (g_StatusProgress). Finish ends both; so does the destructor, should
// the operation leave early.
//
// Operations that run at the same time (two maps drawing on their threads) share the one
// bar: the one started last shows its caption and position; when it ends, the one started
// before it shows its own again, where it has got to.
class CStatusBarProgress : public CProgress {
public:
    // The cursor shows while it runs: the wait cursor, or the busy cursor of an operation
    // during which the window takes input.
    explicit CStatusBarProgress(Qt::CursorShape cursor = Qt::WaitCursor) : m_cursor(cursor) {}
    ~CStatusBarProgress() override;
    CStatusBarProgress(const CStatusBarProgress&) = delete;
    CStatusBarProgress& operator=(const CStatusBarProgress&) = delete;

    void Start(const QString& caption) override;
    void SetPos(int percent) override;
    void Finish() override;

    // Shows the caption and position of the operation still running that started last, after
    // something else has written into the message pane; false when none runs.
    static bool ShowRunning();

private:
    bool Shown() const;
    void Show() const;

    Qt::CursorShape m_cursor;
    bool m_bStarted = false;
    QString m_strCaption;
    int m_nPos = 0;
};
