#include "ui/shell/StatusBarProgress.h"

#include "ui/shell/StatusProgress.h"

#include <QApplication>

CStatusBarProgress::~CStatusBarProgress() {
    Finish();
}

void CStatusBarProgress::Start(const QString& caption) {
    if (!m_bStarted)
        QApplication::setOverrideCursor(m_cursor);
    m_bStarted = true;
    g_StatusProgress.Start(caption);
}

void CStatusBarProgress::SetPos(int percent) {
    g_StatusProgress.SetPos(percent);
}

void CStatusBarProgress::Finish() {
    if (!m_bStarted)
        return;
    m_bStarted = false;
    QApplication::restoreOverrideCursor();
    g_StatusProgress.Destroy();
}
