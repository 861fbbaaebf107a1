#include "ui/shell/WriteCheckWait.h"

#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/StatusBarProgress.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

void WaitForWriteCheck() {
    static bool waiting = false;
    if (waiting || !g_GeoDatabase.WriteCheckDue())
        return;
    waiting = true;
    const QString location = g_GeoDatabase.FilePath();
    const int timeoutMs = g_GeoDatabase.BusyTimeout();
    CGeoBackend::WriteCheck check;
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create(
        [&check, location, timeoutMs] { check = CGeoDatabase::CheckAhead(location, timeoutMs); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    {
        CStatusBarProgress progress(Qt::BusyCursor);
        progress.Start(QStringLiteral("Datenbank wird geprüft:"));
        thread->start();
        loop.exec();
        thread->wait();
    }
    g_GeoDatabase.TakeWriteCheck(check);
    waiting = false;
}
