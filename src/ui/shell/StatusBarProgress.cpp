#include "ui/shell/StatusBarProgress.h"

#include "ui/shell/StatusProgress.h"

#include <QApplication>
#include <QList>

namespace {
// The operations running, in the order they started; the last one shows.
QList<CStatusBarProgress*> g_running;
} // namespace

CStatusBarProgress::~CStatusBarProgress() {
    Finish();
}

bool CStatusBarProgress::Shown() const {
    return !g_running.isEmpty() && g_running.last() == this;
}

void CStatusBarProgress::Show() const {
    g_StatusProgress.Start(m_strCaption, m_cursor != Qt::BusyCursor);
    g_StatusProgress.SetPos(m_nPos);
}

void CStatusBarProgress::Start(const QString& caption) {
    if (!m_bStarted)
        QApplication::setOverrideCursor(m_cursor);
    m_bStarted = true;
    g_running.removeOne(this);
    g_running.append(this);
    m_strCaption = caption;
    m_nPos = 0;
    // During an operation that takes input the event loop paints the bar.
    g_StatusProgress.Start(caption, m_cursor != Qt::BusyCursor);
}

void CStatusBarProgress::SetPos(int percent) {
    m_nPos = percent;
    if (!m_bStarted || Shown())
        g_StatusProgress.SetPos(percent);
}

void CStatusBarProgress::Finish() {
    if (!m_bStarted)
        return;
    m_bStarted = false;
    QApplication::restoreOverrideCursor();
    const bool shown = Shown();
    g_running.removeOne(this);
    if (!shown)
        return;
    g_StatusProgress.Destroy();
    ShowRunning();
}

bool CStatusBarProgress::ShowRunning() {
    if (g_running.isEmpty())
        return false;
    g_running.last()->Show();
    return true;
}
