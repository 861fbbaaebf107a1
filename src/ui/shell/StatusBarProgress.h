#pragma once

#include "base/Progress.h"

#include <QCursor>

// Shows a long operation of widget-free code in the main frame: the wait cursor and the
// status-bar progress (g_StatusProgress). Finish ends both; so does the destructor, should
// the operation leave early.
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

private:
    Qt::CursorShape m_cursor;
    bool m_bStarted = false;
};
