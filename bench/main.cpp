// kelvo-bench DBFILE REPEATS: times every registered figure on the database file and prints
// one tab-separated line per figure (name, median ms, and the reference's median and name
// when the figure has one) for bench/run.
#include "BenchRegistry.h"

#include "app/Globals.h"
#include "db/GeoDatabase.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <map>

std::vector<BenchFigure>& BenchFigures() {
    static std::vector<BenchFigure> figures;
    return figures;
}

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: kelvo-bench DATENBANK WIEDERHOLUNGEN\n");
        return 2;
    }
    if (!g_GeoDatabase.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s\n", qPrintable(g_GeoDatabase.OpenError()));
        return 1;
    }
    const int repeats = std::max(1, atoi(argv[2]));
    std::map<QString, double> medians;
    for (const BenchFigure& figure : BenchFigures()) {
        std::vector<double> times;
        if (figure.setUp)
            figure.setUp();
        for (int i = 0; i < repeats; ++i) {
            if (figure.prepare)
                figure.prepare(g_GeoDatabase);
            QElapsedTimer timer;
            timer.start();
            figure.run(g_GeoDatabase);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        if (figure.tearDown)
            figure.tearDown();
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        medians[figure.name] = median;
        if (!figure.referenceFigure.isEmpty() && medians.count(figure.referenceFigure))
            std::printf("%s\t%.2f\t%.2f\t%s\n", qPrintable(figure.name), median,
                        medians[figure.referenceFigure], qPrintable(figure.referenceFigure));
        else
            std::printf("%s\t%.2f\n", qPrintable(figure.name), median);
        std::fflush(stdout);
    }
    g_GeoDatabase.Close();
    return 0;
}
