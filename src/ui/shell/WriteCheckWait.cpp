#include "ui/shell/WriteCheckWait.h"

#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/StatusBarProgress.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

namespace {

bool g_bChecking = false;

} // namespace

void RunWriteCheck() {
    if (g_bChecking || !g_GeoDatabase.WriteCheckDue())
        return;
    g_bChecking = true;
    const QString location = g_GeoDatabase.FilePath();
    const int timeoutMs = g_GeoDatabase.BusyTimeout();
    CGeoBackend::WriteCheck check;
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create(
        [&check, location, timeoutMs] { check = CGeoDatabase::CheckAhead(location, timeoutMs); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
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
    // The engine tells nothing of how far its check has got.
    progress.SetBusy();
    RunWriteCheck();
}
