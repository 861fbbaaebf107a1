// The responsiveness probe: the main window watched by a 5 ms timer while a command is given
// as a person gives it, and the figures of one command (see bench_responsiveness.cpp).
#pragma once

#include "ResponsivenessEventLog.h"
#include "base/GeoTableDesc.h"
#include "base/StepTrace.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusProgress.h"
#include "ui/table/CListView_Table.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

// A mark for profilers: called once when a command's first paint was seen.
extern "C" void KelvoProbeFirstPaint();

inline double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The GUI thread's time waiting for a processor while it could run (Linux's schedstat), in ns.
inline qint64 runDelayNs() {
    qint64 onCpu = 0, waiting = 0;
    if (FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
        if (std::fscanf(f, "%lld %lld", &onCpu, &waiting) != 2)
            waiting = 0;
        std::fclose(f);
    }
    return waiting;
}

// Watches paints: the first paint of a new table window's rows or a new map window.
class PaintWatch : public QObject {
public:
    QList<QWidget*> known;     // windows that were there before the command
    QWidget* target = nullptr; // a window whose rows count once in their new order (the sort)
    bool reordered = false;
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || painted || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        for (QWidget* w = widget; w; w = w->parentWidget()) {
            if (auto* table = dynamic_cast<CListView_Table*>(w)) {
                if (table == target ? reordered
                                    : !known.contains(table) && table->GetModel().RowCount() > 0)
                    painted = true;
                break;
            }
            if (auto* map = dynamic_cast<CKelvoView*>(w)) {
                if (!known.contains(map))
                    painted = true;
                break;
            }
        }
        return false;
    }
};

struct Probe {
    EventLog* events = nullptr; // with the trace on
    CMainFrame* frame = nullptr;
    PaintWatch watch;

    QList<QWidget*> views() const {
        QList<QWidget*> list;
        for (QMdiSubWindow* window : frame->MdiArea()->subWindowList())
            if (auto* child = qobject_cast<CChildFrame*>(window); child && child->GetActiveView())
                list << child->GetActiveView()->GetWidget();
        return list;
    }
    template <typename T> T* first() const {
        for (QWidget* view : views())
            if (auto* typed = dynamic_cast<T*>(view))
                return typed;
        return nullptr;
    }
    template <typename T> T* last() const {
        const QList<QWidget*> list = views();
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            if (auto* view = dynamic_cast<T*>(*it))
                return view;
        return nullptr;
    }

    // KELVO_PROBE_COMMANDS=map,zoom: only these commands.
    static bool chosen(const char* name) {
        const QStringList only =
            qEnvironmentVariable("KELVO_PROBE_COMMANDS").split(',', Qt::SkipEmptyParts);
        return only.isEmpty() || only.contains(QLatin1String(name));
    }

    // The paints watched for from now on: a new window's, or the rows of `target` in their
    // new order (the connection that tells of it, to be let go once the command is over).
    QMetaObject::Connection watchFor(CListView_Table* target) {
        watch.known = views();
        watch.target = target;
        watch.reordered = watch.painted = false;
        if (!target)
            return {};
        return QObject::connect(&target->GetModel(), &QAbstractItemModel::layoutChanged,
                                [this] { watch.reordered = true; });
    }

    // Runs `give` (the person's action) from the event loop and measures until its work ends.
    // `busy`: work the command goes on with in the background (the window usable meanwhile)
    // that is timed until it ends.
    void measure(const char* name, const std::function<void()>& give,
                 CListView_Table* target = nullptr, const std::function<bool()>& busy = {}) {
        if (!chosen(name))
            return;
        const QMetaObject::Connection reorder = watchFor(target);
        QElapsedTimer clock;
        double first = -1, stall = 0, last = 0;
        qint64 lastCpu = StepTrace::ThreadCpu(), lastWait = runDelayNs();
        qint64 busiest = 0; // the GUI thread's most CPU time between two ticks
        qint64 startNs = StepTrace::Now(), startCpu = lastCpu, startWait = lastWait;
        double cpu = 0;
        bool given = false;
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            if (events && now - last > 30)
                events->Describe(name, StepTrace::Now() - qint64((now - last) * 1e6),
                                 StepTrace::Now(), StepTrace::ThreadCpu() - lastCpu,
                                 runDelayNs() - lastWait);
            if (events) {
                busiest = std::max(busiest, StepTrace::ThreadCpu() - lastCpu);
                lastCpu = StepTrace::ThreadCpu();
                lastWait = runDelayNs();
            }
            stall = std::max(stall, now - last);
            last = now;
            if (first < 0 && watch.painted) {
                first = now;
                KelvoProbeFirstPaint();
                if (events)
                    events->Describe(name, startNs, StepTrace::Now(),
                                     StepTrace::ThreadCpu() - startCpu, runDelayNs() - startWait,
                                     "first");
            }
            const bool working = g_StatusProgress.m_wndProgress || QApplication::overrideCursor();
            if (given && !working && !QApplication::activeModalWidget() && !(busy && busy()))
                loop.quit();
        });
        cpu = cpuMs();
        clock.start();
        fromHere = [&] {
            clock.restart();
            first = -1;
            stall = last = 0;
            busiest = 0;
            startNs = StepTrace::Now();
            startCpu = lastCpu = StepTrace::ThreadCpu();
            startWait = lastWait = runDelayNs();
            cpu = cpuMs();
            watch.painted = false;
        };
        tick.start();
        QTimer::singleShot(0, &loop, [&] {
            give();
            given = true;
        });
        loop.exec();
        fromHere = {};
        QObject::disconnect(reorder);
        const double total = double(clock.nsecsElapsed()) / 1e6;
        if (first < 0)
            first = total;
        std::printf("responsiveness\t%s\t%.0f\t%.0f\t%.0f\t%.0f\n", name, first, stall, total,
                    cpuMs() - cpu);
        std::fflush(stdout);
        if (events)
            std::fprintf(stderr, "busiest\t%s\tCPU %.1f ms\n", name, busiest / 1e6);
    }

    // Called by a command's action: the command is timed from now on (what came before was
    // the person filling in a dialog).
    std::function<void()> fromHere;

    // What a cancelled command must leave as it was: the windows with their titles, each
    // table's rows in their order (and the sort indicator where it shows), each map's pixels.
    QByteArray windowsState() const {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (QMdiSubWindow* window : frame->MdiArea()->subWindowList()) {
            hash.addData(QByteArray::number(quintptr(window)) + window->windowTitle().toUtf8());
            auto* child = qobject_cast<CChildFrame*>(window);
            QWidget* view =
                child && child->GetActiveView() ? child->GetActiveView()->GetWidget() : nullptr;
            if (auto* table = dynamic_cast<CListView_Table*>(view)) {
                const CGeoTableModel& model = table->GetModel();
                for (int row = 0; row < model.RowCount(); ++row)
                    hash.addData(model.CellUtf8(row, GEO_ID));
                const QHeaderView* header = table->horizontalHeader();
                if (header->isSortIndicatorShown())
                    hash.addData(QByteArray::number(header->sortIndicatorSection()) +
                                 QByteArray::number(int(header->sortIndicatorOrder())));
            } else if (auto* map = dynamic_cast<CKelvoView*>(view)) {
                const QImage image = map->grab().toImage();
                hash.addData(QByteArrayView(image.constBits(), image.sizeInBytes()));
            }
        }
        return hash.result();
    }

    // Gives the command as `measure` does and presses Esc once its first rows or picture are
    // painted (a person who sees them and changes their mind), or 50 ms after it was given.
    void cancel(const char* name, const std::function<void()>& give,
                CListView_Table* target = nullptr) {
        constexpr double kGiveUpMs = 5000; // a command still at work then was not stopped
        if (!chosen(name))
            return;
        // The main window active again after the dialogs before, as a person would find it.
        frame->activateWindow();
        QApplication::setActiveWindow(frame);
        QApplication::processEvents();
        const QList<QWidget*> before = views();
        const QByteArray stateBefore = windowsState();
        const QMetaObject::Connection reorder = watchFor(target);
        QElapsedTimer clock;
        // The command may run its work inside `give` (a wait with an event loop of its own).
        double givenAt = -1, escAt = -1, over = -1;
        QString stillThere;
        bool started = false, returned = false, ending = false;
        int idleTicks = 0; // ticks without work since `give` returned
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            const bool working = g_StatusProgress.m_wndProgress || QApplication::overrideCursor();
            const bool modal = QApplication::activeModalWidget() != nullptr;
            started = started || working;
            // Once the loop is told to end, ticks from an event loop the command runs inside
            // it (its work posted from the event loop) change nothing.
            if (ending || givenAt < 0 || modal)
                return;
            if (escAt < 0 && !working) {
                // Over before the Esc: seen at work, or returned with nothing begun for two
                // ticks (a header click starts its sort from the event loop, after a tick
                // that may come first).
                idleTicks = returned ? idleTicks + 1 : 0;
                if (started || idleTicks >= 2) {
                    ending = true;
                    loop.quit();
                }
                return;
            }
            if (escAt < 0 && (watch.painted || now - givenAt >= 50)) {
                QWidget* focus = QApplication::focusWidget();
                escAt = now;
                QTest::keyClick(focus ? focus : frame, Qt::Key_Escape);
                return;
            }
            if (escAt >= 0 && !working && views().size() == before.size()) {
                over = now;
                ending = true;
                loop.quit();
            } else if (escAt >= 0 && now - escAt > kGiveUpMs) {
                // What was still there: the bar, the busy cursor, a window more or less.
                stillThere = QString::asprintf("bar %d, cursor %d, %d windows of %d",
                                               g_StatusProgress.m_wndProgress ? 1 : 0,
                                               QApplication::overrideCursor() ? 1 : 0,
                                               int(views().size()), int(before.size()));
                ending = true;
                loop.quit(); // not stopped
            }
        });
        clock.start();
        tick.start();
        QTimer::singleShot(0, &loop, [&] {
            givenAt = double(clock.nsecsElapsed()) / 1e6;
            give();
            returned = true;
        });
        loop.exec();
        QObject::disconnect(reorder);
        // What the Esc left behind is settled (a window's close is posted).
        QApplication::processEvents();
        if (escAt < 0) {
            std::printf("cancel\t%s\t-\tfinished\n", name);
        } else if (over < 0) {
            std::printf("cancel\t%s\t-\tnot-stopped\t%s\n", name, qPrintable(stillThere));
        } else {
            std::printf("cancel\t%s\t%.0f\t%s\n", name, over - escAt,
                        windowsState() == stateBefore ? "restored" : "changed");
        }
        std::fflush(stdout);
    }

    // Fills in the modal dialog the next action opens, once it is there.
    static void whenModal(const std::function<void(QWidget*)>& act) {
        QTimer::singleShot(10, [act] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                act(dialog);
            else
                whenModal(act);
        });
    }

    // Where several places fit the centre, the list offers the best one first: taken.
    static void takeList(QWidget* dialog) {
        QTimer::singleShot(10, [guard = QPointer<QWidget>(dialog)] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!guard || !guard->isVisible())
                return;
            if (modal && modal != guard)
                QTest::keyClick(modal, Qt::Key_Return);
            else
                takeList(guard);
        });
    }

    void command(int id) {
        frame->UpdateCommandUI();
        const QList<QAction*> actions = frame->GetActions(id);
        if (!actions.isEmpty())
            actions.first()->trigger();
    }
};
