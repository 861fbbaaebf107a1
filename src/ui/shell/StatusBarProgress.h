#pragma once

#include "base/Progress.h"

// Shows a long operation of widget-free code in the main frame: the wait cursor and the
// status-bar progress (g_StatusProgress). Finish ends both; so does the destructor, should
// the operation leave early.
class CStatusBarProgress : public CProgress {
public:
    CStatusBarProgress() = default;
    ~CStatusBarProgress() override;
    CStatusBarProgress(const CStatusBarProgress&) = delete;
    CStatusBarProgress& operator=(const CStatusBarProgress&) = delete;

    void Start(const QString& caption) override;
    void SetPos(int percent) override;
    void Finish() override;

private:
    bool m_bStarted = false;
};
