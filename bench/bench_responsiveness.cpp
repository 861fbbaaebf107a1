// kelvo-bench responsiveness DB: how the real main window answers during its long commands.
// A 5 ms timer runs in the window's event loop; each command is given as a person gives it
// (keys, menu items, clicks on a header, a drag and a lasso on a map, dialogs filled in; the maps
// first, while their key opens them; "Exportieren..." of the sorted table as GeoJSON into a
// folder of its own), and for each one line is printed:
//   responsiveness<TAB>COMMAND<TAB>FIRST_MS<TAB>MAX_STALL_MS<TAB>TOTAL_MS<TAB>CPU_MS
// FIRST_MS: until the first rows (a table) or the first picture (a map) were painted;
// MAX_STALL_MS: the longest the timer waited meanwhile (the event loop was stalled);
// TOTAL_MS: until the command's work is over (no progress bar, no busy cursor); CPU_MS: the
// process's CPU time over all threads meanwhile.
// Then each command once more, stopped by Esc as soon as its first rows or picture are on the
// screen (or 50 ms after it was given, where nothing new shows first), one line each:
//   cancel<TAB>COMMAND<TAB>MS<TAB>STATE
// MS: from the Esc until the work is over and a window the command opened has gone; STATE
// "restored" when the windows are as they were before the command (the same windows, a
// table's rows in the same order, a map's same pixels), "changed" when not, "finished" when
// the command was over before the Esc could be given, "not-stopped" when it still ran 5 s
// after (MS is then "-").
// With KELVO_STALL_TRACE=1 every pass of the event loop over 30 ms is described on stderr:
// the program's own steps in it (StepTrace) and the events delivered meanwhile that took long;
// and per command the most CPU time the GUI thread spent between two ticks, which a loaded
// machine does not stretch as it stretches the stalls; and the way to each first paint in
// finer grain ("first"), with the steps of the program's other threads in it ("thread").
#include "ResponsivenessEventLog.h"
#include "base/CommandIds.h"
#include "base/GeoTableDesc.h"
#include "base/StepTrace.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/StatusProgress.h"
#include "ui/table/CDia_Export.h"
#include "ui/table/CDia_Find.h"
#include "ui/table/CDia_Radius.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryPanel.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

// A mark for profilers: called once when a command's first paint was seen.
extern "C" __attribute__((noinline)) void KelvoProbeFirstPaint() {
    asm volatile("");
}

namespace {

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The GUI thread's time waiting for a processor while it could run (Linux's schedstat), in ns.
qint64 runDelayNs() {
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
        const qint64 startNs = StepTrace::Now(), startCpu = lastCpu, startWait = lastWait;
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
        const double cpu = cpuMs();
        clock.start();
        tick.start();
        QTimer::singleShot(0, &loop, [&] {
            give();
            given = true;
        });
        loop.exec();
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
        bool started = false, returned = false;
        QEventLoop loop;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            const bool working = g_StatusProgress.m_wndProgress || QApplication::overrideCursor();
            const bool modal = QApplication::activeModalWidget() != nullptr;
            started = started || working;
            if (givenAt < 0 || modal)
                return;
            if (escAt < 0 && !working) {
                if (started || returned)
                    loop.quit(); // over before the Esc
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
                loop.quit();
            } else if (escAt >= 0 && now - escAt > kGiveUpMs) {
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
            std::printf("cancel\t%s\t-\tnot-stopped\n", name);
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

// A zoom band dragged from `from` to `to`.
void band(CKelvoView* map, QPoint from, QPoint to) {
    QTest::mousePress(map, Qt::LeftButton, {}, from);
    QTest::mouseMove(map, (from + to) / 2);
    QTest::mouseMove(map, to);
    QTest::mouseRelease(map, Qt::LeftButton, {}, to);
}

// A click on the header of Ort.
void clickOrt(CListView_Table* table) {
    QHeaderView* header = table->horizontalHeader();
    const int x = header->sectionViewportPosition(GEO_ORT) + header->sectionSize(GEO_ORT) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

} // namespace

int RunResponsiveness(const QString& path) {
    if (!g_GeoDatabase.Open(path)) {
        std::fprintf(stderr, "%s\n", qPrintable(g_GeoDatabase.OpenError()));
        return 1;
    }
    theApp.InitInstance();
    Probe probe;
    probe.frame = theApp.GetMainFrame();
    probe.frame->resize(1200, 900);
    probe.frame->show();
    QApplication::processEvents();
    qApp->installEventFilter(&probe.watch);
    EventLog events;
    if (qEnvironmentVariableIntValue("KELVO_STALL_TRACE")) {
        StepTrace::Enable(true);
        qApp->installEventFilter(&events);
        probe.events = &events;
    }

    probe.measure("map", [&] { QTest::keyClick(probe.frame, Qt::Key_K, Qt::ControlModifier); });
    if (CKelvoView* map = probe.last<CKelvoView>()) {
        // A lasso dragged with Ctrl held round the middle of the map, one pointer move every
        // 3 pixels as a hand gives them; timed is its end, from the button let go until the
        // places inside are counted (on a worker thread): without and with the "Gebiete" panel
        // open, which then shows them in its balancing part.
        const QPointF centre(map->width() / 2.0, map->height() / 2.0);
        const double radius = std::min(map->width(), map->height()) / 3.0;
        const int steps = int(2 * M_PI * radius / 3);
        auto at = [&](int i) {
            const double a = 2 * M_PI * i / steps;
            // A wavy ring: concave in places, as a drawn lasso is.
            const double r = radius * (1 + 0.15 * std::sin(5 * a));
            return (centre + QPointF(r * std::cos(a), r * std::sin(a))).toPoint();
        };
        auto lasso = [&](const char* name) {
            QTest::mousePress(map, Qt::LeftButton, Qt::ControlModifier, at(0));
            for (int i = 1; i <= steps; ++i)
                QTest::mouseMove(map, at(i));
            probe.measure(
                name,
                [&] { QTest::mouseRelease(map, Qt::LeftButton, Qt::ControlModifier, at(steps)); },
                nullptr, [map] { return map->LassoCounting(); });
            QTest::keyClick(map, Qt::Key_Escape);
        };
        lasso("lasso");
        // Timed until the panel has counted the places, which it does on a worker thread.
        probe.measure(
            "territory-panel", [&] { probe.command(ID_TERRITORY_PANEL); }, nullptr,
            [] { return CTerritoryPanel::Find() && CTerritoryPanel::Find()->Counting(); });
        map->setFocus();
        lasso("lasso-panel");
        // The commands below are timed as before, without the panel.
        if (CTerritoryPanel* panel = CTerritoryPanel::Find())
            panel->close();
        // A band over the middle of the map.
        const QPoint from(map->width() * 2 / 5, map->height() * 2 / 5);
        const QPoint to(map->width() * 3 / 5, map->height() * 3 / 5);
        probe.measure("zoom", [&] { band(map, from, to); });
    }
    probe.measure("table", [&] { QTest::keyClick(probe.frame, Qt::Key_T, Qt::ControlModifier); });
    if (CListView_Table* table = probe.last<CListView_Table>()) {
        probe.measure(
            "sort-ort", [&] { clickOrt(table); }, table);
        const QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("orte.geojson"));
        probe.measure("export", [&] {
            Probe::whenModal([path](QWidget* dialog) {
                auto* dlg = qobject_cast<CDia_Export*>(dialog);
                if (!dlg)
                    return;
                dlg->m_radioGeoJson->setChecked(true);
                Probe::whenModal([path](QWidget* files) {
                    if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                        name->setText(path);
                        QTest::keyClick(name, Qt::Key_Return);
                    }
                });
                QTest::keyClick(dlg, Qt::Key_Return);
            });
            probe.command(ID_FILE_EXPORT);
        });
    }
    const auto search = [&] {
        Probe::whenModal([](QWidget* dialog) {
            if (auto* find = qobject_cast<CDia_Find*>(dialog)) {
                find->m_editSearch->setText(QStringLiteral("berg"));
                QTest::keyClick(find->m_editSearch, Qt::Key_Return);
            }
        });
        probe.command(ID_SEARCH);
    };
    probe.measure("search", search);
    const auto radius = [&] {
        Probe::whenModal([](QWidget* dialog) {
            if (auto* radius = qobject_cast<CDia_Radius*>(dialog)) {
                radius->m_editCentre->setText(QStringLiteral("DE 10115"));
                radius->m_editRadius->setText(QStringLiteral("50"));
                Probe::takeList(radius);
                QTest::keyClick(radius->m_editRadius, Qt::Key_Return);
            }
        });
        probe.command(ID_RADIUS_SEARCH);
    };
    probe.measure("radius", radius);

    // Each command again, stopped by Esc.
    const auto openMap = [&] { QTest::keyClick(probe.frame, Qt::Key_K, Qt::ControlModifier); };
    probe.cancel("map", openMap);
    if (CKelvoView* map = probe.last<CKelvoView>()) {
        const QPoint from(map->width() * 2 / 5, map->height() * 2 / 5);
        const QPoint to(map->width() * 3 / 5, map->height() * 3 / 5);
        probe.cancel("zoom", [&] { band(map, from, to); });
    }
    probe.cancel("table", [&] { QTest::keyClick(probe.frame, Qt::Key_T, Qt::ControlModifier); });
    if (CListView_Table* table = probe.first<CListView_Table>())
        probe.cancel(
            "sort-ort", [&] { clickOrt(table); }, table);
    probe.cancel("search", search);
    probe.cancel("radius", radius);
    qApp->removeEventFilter(&probe.watch);
    qApp->removeEventFilter(&events);
    StepTrace::Enable(false);
    theApp.ExitInstance();
    QApplication::processEvents();
    g_GeoDatabase.Close();
    return 0;
}
