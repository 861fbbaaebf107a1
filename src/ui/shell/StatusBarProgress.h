#pragma once

#include "base/Progress.h"

#include <Qt>

// Shows a long operation of widget-free code in the main frame: the wait cursor and the
// status-bar progress (g_StatusProgress). Finish ends both; so does the destructor, should
// the operation leave early.
class CStatusBarProgress : public CProgress {
public:
    CStatusBarProgress() = default;
    // With another cursor than the wait cursor (the busy cursor of a window that stays usable).
    explicit CStatusBarProgress(Qt::CursorShape cursor) : m_cursor(cursor) {}
    ~CStatusBarProgress() override;
    CStatusBarProgress(const CStatusBarProgress&) = delete;
    CStatusBarProgress& operator=(const CStatusBarProgress&) = delete;

    void Start(const QString& caption) override;
    void SetPos(int percent) override;
    void Finish() override;

private:
    bool m_bStarted = false;
    Qt::CursorShape m_cursor = Qt::WaitCursor;
};
