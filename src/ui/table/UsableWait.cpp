#include "ui/table/UsableWait.h"

#include "base/StepTrace.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace {

// The waits running on the GUI thread, the one begun last at the end.
std::vector<CUsableWait*>& runningWaits() {
    static std::vector<CUsableWait*> waits;
    return waits;
}

} // namespace

bool CUsableWait::Run(const std::function<bool()>& poll, QWidget* closing) {
    QEventLoop loop;
    m_pLoop = &loop;
    m_pClosing = closing;
    m_bCancelled = false;
    m_bCloseRefused = false;
    bool done = false;
    // The first time at once, after the events already waiting.
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timer.setInterval(kPollMs);
        const StepTrace::Step step("wait.poll");
        if (!m_bCancelled && poll()) {
            done = true;
            loop.quit();
        }
    });
    m_pPoll = &timer;
    runningWaits().push_back(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    qApp->installEventFilter(this);
    if (closing)
        closing->installEventFilter(this);
    timer.start();
    loop.exec();
    timer.stop();
    std::erase(runningWaits(), this);
    m_pPoll = nullptr;
    if (m_pClosing)
        m_pClosing->removeEventFilter(this);
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    m_pLoop = nullptr;
    return done && !m_bCancelled;
}

void CUsableWait::Wake() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [] {
            for (CUsableWait* wait : runningWaits())
                wait->m_pPoll->start(0);
        },
        Qt::QueuedConnection);
}

void CUsableWait::Cancel() {
    m_bCancelled = true;
    if (m_pLoop)
        m_pLoop->quit();
}

bool CUsableWait::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == m_pClosing) {
        event->ignore();
        m_bCloseRefused = true;
        Cancel();
        return true;
    }
    // Esc in a dialog or a menu belongs to it.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !QApplication::activeModalWidget() && !QApplication::activePopupWidget()) {
        Cancel();
        return true;
    }
    return false;
}
