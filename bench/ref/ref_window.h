// The window side of ref-window and ref-window-pg: a main window of the probe's size and, per
// command, the same visible work, timed as the probe times FIRST (a 5 ms timer in the event
// loop, from the command to the tick after the first paint that shows it). Where the rows
// come from is the engine's part (ScreenSource).
//   table     a new window inside the main one, with one screen of rows in the standard order
//             (from the order's index);
//   sort-ort  that window repainted with the screen of rows first by Ort (no index: the
//             engine keeps the n first while it scans);
//   search    the search dialog ("berg" typed and confirmed with Return once it shows, as
//             the probe does), then a new window with the first screen of rows holding "berg"
//             in one of the ten fields, in the standard order (the order's index, until n
//             have matched);
//   map       a new window painted without rows: what a first picture costs at the least;
//   zoom      that window painted again;
//   radius    a new window with the screen of rows nearest DE 10115 within 50 km: key and
//             position of every row in the box, the nearest n kept, those read by key.
// n is the rows the window's height holds. Rows are painted as text, one cell per field.
// Prints "window<TAB>COMMAND<TAB>ms" per command.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace RefWindow {

using Rows = std::vector<std::vector<QString>>;

// The rows of each command's first screen, read by one engine.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    virtual Rows Table(int n) = 0;
    virtual Rows SortedByOrt(int n) = 0;
    virtual Rows Search(const QString& word, int n) = 0;
    // (lon, lat) of DE 10115, or false.
    virtual bool Centre(double* lon, double* lat) = 0;
    // Key, lon, lat of every row in the box.
    virtual std::vector<std::pair<qint64, std::pair<double, double>>>
    InBox(double lat0, double lat1, double lon0, double lon1) = 0;
    virtual Rows ByKey(qint64 key) = 0;
};

// A window that paints rows of text, or (without rows) only its background.
class RowsWindow : public QWidget {
public:
    explicit RowsWindow(QWidget* parent) : QWidget(parent) {}
    Rows rows;
    bool painted = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const int line = fontMetrics().height() + 2;
        constexpr int kCell = 100;
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t c = 0; c < rows[r].size(); ++c)
                painter.drawText(QRect(int(c) * kCell, int(r) * line, kCell - 4, line),
                                 Qt::AlignLeft | Qt::AlignVCenter, rows[r][c]);
        }
        painted = true;
    }
};

constexpr double kRad = 3.14159265358979323846 / 180.0;
constexpr double kEarthKm = 6371.0088;

inline double Haversine(double lon1, double lat1, double lon2, double lat2) {
    const double dLat = (lat2 - lat1) * kRad, dLon = (lon2 - lon1) * kRad;
    const double a =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthKm * std::asin(std::sqrt(std::min(a, 1.0)));
}

// The n rows nearest DE 10115 within km, nearest first.
inline Rows Nearest(ScreenSource& source, double km, int n) {
    double lon = 0, lat = 0;
    if (!source.Centre(&lon, &lat))
        return {};
    const double dLat = km / kEarthKm / kRad;
    const double dLon =
        std::asin(std::min(1.0, std::sin(km / kEarthKm) / std::cos(lat * kRad))) / kRad;
    std::vector<std::pair<double, qint64>> near;
    for (const auto& [key, at] : source.InBox(lat - dLat, lat + dLat, lon - dLon, lon + dLon)) {
        const double d = Haversine(lon, lat, at.first, at.second);
        if (d <= km)
            near.push_back({d, key});
    }
    const size_t kept = std::min(near.size(), size_t(n));
    std::partial_sort(near.begin(), near.begin() + ptrdiff_t(kept), near.end());
    Rows rows;
    for (size_t i = 0; i < kept; ++i) {
        const Rows one = source.ByKey(near[i].second);
        rows.insert(rows.end(), one.begin(), one.end());
    }
    return rows;
}

// Runs `give` from the event loop as the probe does and returns the ms until the tick after
// the window it gives has painted.
inline double Measure(const std::function<RowsWindow*()>& give) {
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(5);
    RowsWindow* window = nullptr;
    double first = -1;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (window && window->painted) {
            first = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        }
    });
    clock.start();
    tick.start();
    QTimer::singleShot(0, &loop, [&] { window = give(); });
    loop.exec();
    return first;
}

// A dialog with a line for the word, confirmed with Return: true when it was.
inline bool AskWord(QWidget* parent, const QString& word) {
    QDialog dialog(parent);
    auto* edit = new QLineEdit(&dialog);
    edit->setGeometry(10, 10, 200, 24);
    QObject::connect(edit, &QLineEdit::returnPressed, &dialog, &QDialog::accept);
    // Filled in once it shows, as the probe fills in the program's dialog.
    QTimer::singleShot(10, &dialog, [edit, word] {
        edit->setText(word);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    return dialog.exec() == QDialog::Accepted;
}

inline int Run(ScreenSource& source) {
    QWidget main;
    main.resize(1200, 900);
    main.show();
    QApplication::processEvents();
    const int n = main.height() / (main.fontMetrics().height() + 2);

    auto open = [&](Rows rows) {
        auto* window = new RowsWindow(&main);
        window->rows = std::move(rows);
        window->setGeometry(main.rect());
        window->show();
        return window;
    };
    const auto report = [](const char* command, double ms) {
        std::printf("window\t%s\t%.1f\n", command, ms);
        std::fflush(stdout);
    };
    RowsWindow* table = nullptr;
    report("table", Measure([&] { return table = open(source.Table(n)); }));
    report("sort-ort", Measure([&] {
               table->rows = source.SortedByOrt(n);
               table->painted = false;
               table->update();
               return table;
           }));
    report("search", Measure([&]() -> RowsWindow* {
               if (!AskWord(&main, QStringLiteral("berg")))
                   return nullptr;
               return open(source.Search(QStringLiteral("berg"), n));
           }));
    RowsWindow* map = nullptr;
    report("map", Measure([&] { return map = open({}); }));
    report("zoom", Measure([&] {
               map->painted = false;
               map->update();
               return map;
           }));
    report("radius", Measure([&] { return open(Nearest(source, 50, n)); }));
    return 0;
}

} // namespace RefWindow
