#include "ui/shell/WriteCheckWait.h"

#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/StatusBarProgress.h"

#include "ui/shell/StatusProgress.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

bool g_bChecking = false;

} // namespace

void RunWriteCheck(CProgress* progress) {
    if (g_bChecking || !g_GeoDatabase.WriteCheckDue())
        return;
    g_bChecking = true;
    const QString location = g_GeoDatabase.FilePath();
    const int timeoutMs = g_GeoDatabase.BusyTimeout();
    CGeoBackend::WriteCheck check;
    std::atomic<int> percent{0};
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create([&check, &percent, location, timeoutMs] {
        check =
            CGeoDatabase::CheckAhead(location, timeoutMs, [&percent](int read) { percent = read; });
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    // The bar follows the check as often as the eye sees a change.
    QTimer poll;
    poll.setInterval(CStatusProgress::kRepaintMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&percent, progress] {
        if (progress)
            progress->SetPos(percent);
    });
    poll.start();
    thread->start();
    loop.exec();
    thread->wait();
    g_GeoDatabase.TakeWriteCheck(check);
    g_bChecking = false;
}

void WaitForWriteCheck() {
    if (g_bChecking || !g_GeoDatabase.WriteCheckDue())
        return;
    CStatusBarProgress progress(Qt::BusyCursor);
    progress.Start(QStringLiteral("Datenbank wird geprüft:"));
    RunWriteCheck(&progress);
}
