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
#include "ResponsivenessProbe.h"
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

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

// A mark for profilers: called once when a command's first paint was seen.
extern "C" __attribute__((noinline)) void KelvoProbeFirstPaint() {
    asm volatile("");
}

namespace {

// A person's time in the radius search's dialog: typing a centre and a radius takes longer.
constexpr int kTypingMs = 1000;

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

    // A radius search with no map open, given as a person gives it: a second in the dialog
    // to fill it in, timed from the Return. Its window goes again.
    const auto typedRadius = [&] {
        Probe::whenModal([&probe](QWidget* dialog) {
            auto* radius = qobject_cast<CDia_Radius*>(dialog);
            if (!radius)
                return;
            radius->m_editCentre->setText(QStringLiteral("DE 10115"));
            radius->m_editRadius->setText(QStringLiteral("50"));
            QTimer::singleShot(kTypingMs, radius, [&probe, radius] {
                Probe::takeList(radius);
                probe.fromHere();
                QTest::keyClick(radius->m_editRadius, Qt::Key_Return);
            });
        });
        probe.command(ID_RADIUS_SEARCH);
    };
    probe.measure("radius-typed", typedRadius);
    if (CListView_Table* table = probe.last<CListView_Table>()) {
        table->GetParentFrame()->close();
        QApplication::processEvents();
    }
    // The main window active again after the dialog, as a person would find it.
    probe.frame->activateWindow();
    QApplication::setActiveWindow(probe.frame);
    QApplication::processEvents();

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
