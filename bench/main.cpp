// kelvo-bench DBFILE REPEATS [GROUP [KEY]]: times every registered figure (of one group, or
// only the one with that key) on the
// database file and prints one tab-separated line per figure, its key and median in
// milliseconds, then "KEY.cpu" and the median CPU time of the process (all threads, user and
// system) in milliseconds, followed by the further values it reports. bench/run calls it with one
// repeat at a time, alternating with the reference programs.
//
// kelvo-bench check-order DBFILE: whether the standard order made in memory equals the
// engine's ORDER BY Staat, PLZ on every row.
// kelvo-bench responsiveness DBFILE: how the main window answers during its long commands
// (bench_responsiveness.cpp).
// kelvo-bench same-map FRAME.png PLACES.ppm MAP.png: whether MAP is FRAME with the places a
// reference program set drawn over it, pixel for pixel.
#include "BenchRegistry.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoStandardOrder.h"
#include "ui/shell/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

std::vector<BenchFigure>& BenchFigures() {
    static std::vector<BenchFigure> figures;
    return figures;
}

void BenchReport(const QString& key, double value) {
    std::printf("%s\t%.2f\n", qPrintable(key), value);
    std::fflush(stdout);
}

double ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) : 0;
}

double PeakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024;
    return 0;
}

void ResetPeakResident() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5"); // the peak starts again from the resident set now
}

namespace {

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

int checkOrder(const QString& path) {
    CGeoDatabase db;
    if (!db.Open(path))
        return 1;
    std::vector<qint64> engine;
    CGeoRecordset rs(db);
    if (!rs.Open(QStringLiteral("SELECT ID_Geo FROM GEO ORDER BY Staat, PLZ")))
        return 1;
    while (rs.MoveNext())
        engine.push_back(rs.FieldInt(0));
    CGeoTableModel model;
    FillTableModel(db, db.m_Table, CGeoFilter(), model, nullptr);
    std::vector<qint64> order;
    for (int i = 0; i < model.RowCount(); ++i)
        order.push_back(model.Cell(i, db.m_Table.m_nKeyField).toLongLong());
    for (size_t i = 0; i < order.size() && i < engine.size(); ++i) {
        if (order[i] != engine[i]) {
            std::printf("order-check\tdiffers at row %zu\n", i);
            return 1;
        }
    }
    std::printf("order-check\t%s on %zu rows (%s)\n",
                order.size() == engine.size() ? "equal" : "differs in length", engine.size(),
                CGeoOrderedRead(db).SortsInMemory() ? "sorted in memory" : "sorted by the engine");
    return order.size() == engine.size() ? 0 : 1;
}

int sameMap(const QString& framePath, const QString& placesPath, const QString& mapPath) {
    QImage expected(framePath), places(placesPath), map(mapPath);
    if (expected.isNull() || places.isNull() || map.isNull() || expected.size() != map.size() ||
        places.size() != map.size())
        return 1;
    expected = expected.convertToFormat(QImage::Format_RGB32);
    places = places.convertToFormat(QImage::Format_RGB32);
    map = map.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0, placed = 0;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            QRgb want = expected.pixel(x, y);
            if (places.pixel(x, y) != qRgb(255, 255, 255)) {
                want = places.pixel(x, y);
                ++placed;
            }
            differing += map.pixel(x, y) != want;
        }
    }
    std::printf("same-map\t%lld of %lld pixels differ (%lld set by the places)\n",
                (long long)differing, (long long)map.width() * map.height(), (long long)placed);
    return differing == 0 ? 0 : 1;
}

} // namespace

int RunResponsiveness(const QString& path);

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("check-order"))
        return checkOrder(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("responsiveness"))
        return RunResponsiveness(args[2]);
    if (args.size() == 5 && args[1] == QLatin1String("same-map"))
        return sameMap(args[2], args[3], args[4]);
    if (args.size() < 3) {
        std::fprintf(stderr, "Aufruf: kelvo-bench DATENBANK WIEDERHOLUNGEN [GRUPPE]\n");
        return 2;
    }
    if (!g_GeoDatabase.Open(args[1])) {
        std::fprintf(stderr, "%s\n", qPrintable(g_GeoDatabase.OpenError()));
        return 1;
    }
    const int repeats = std::max(1, args[2].toInt());
    const QString group = args.value(3), key = args.value(4);
    for (const BenchFigure& figure : BenchFigures()) {
        if ((!group.isEmpty() && figure.group != group) || (!key.isEmpty() && figure.key != key))
            continue;
        std::vector<double> times, cpu;
        if (figure.setUp)
            figure.setUp();
        for (int i = 0; i < repeats; ++i) {
            if (figure.prepare)
                figure.prepare(g_GeoDatabase);
            QElapsedTimer timer;
            const double cpuBefore = processCpuMs();
            timer.start();
            figure.run(g_GeoDatabase);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back(processCpuMs() - cpuBefore);
        }
        if (figure.tearDown)
            figure.tearDown();
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        BenchReport(figure.key, times[times.size() / 2]);
        BenchReport(figure.key + QStringLiteral(".cpu"), cpu[cpu.size() / 2]);
    }
    g_GeoDatabase.Close();
    return 0;
}
