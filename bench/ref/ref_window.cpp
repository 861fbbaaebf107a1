// ref-window DB: the reference for the first screen of the main window's commands, done the
// cheapest honest way on libsqlite3 and Qt Widgets. A main window of the probe's size; for
// each command the same visible work, timed as the probe times FIRST (a 5 ms timer in the
// event loop, from the command to the tick after the first paint that shows it):
//   table     a new window inside the main one, with one screen of rows in the standard order
//             (SELECT * ... ORDER BY Staat, PLZ, ID_Geo LIMIT n, from the order's index);
//   sort-ort  that window repainted with the screen of rows first by Ort (ORDER BY Ort, Staat,
//             PLZ, ID_Geo LIMIT n: no index, the engine keeps the n first while it scans);
//   search    a new window with the first screen of rows holding "berg" in one of the ten
//             fields, in the standard order (the order's index, until n have matched);
//   map       a new window painted without rows: what a first picture costs at the least;
//   zoom      that window painted again;
//   radius    a new window with the screen of rows nearest DE 10115 within 50 km: key and
//             position of every row in the box, the nearest n kept, those read by key.
// n is the rows the window's height holds. Rows are painted as text, one cell per field.
// Prints "window<TAB>COMMAND<TAB>ms" per command.
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::vector<QString>>;

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

Rows query(sqlite3* db, const QByteArray& sql,
           const std::function<void(sqlite3_stmt*)>& bind = {}) {
    Rows rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return rows;
    }
    if (bind)
        bind(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<QString> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            row.push_back(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                  sqlite3_column_bytes(st, i)));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
}

constexpr double kRad = 3.14159265358979323846 / 180.0;
constexpr double kEarthKm = 6371.0088;

double haversine(double lon1, double lat1, double lon2, double lat2) {
    const double dLat = (lat2 - lat1) * kRad, dLon = (lon2 - lon1) * kRad;
    const double a =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthKm * std::asin(std::sqrt(std::min(a, 1.0)));
}

// The n rows nearest DE 10115 within km, nearest first.
Rows nearest(sqlite3* db, double km, int n) {
    Rows centre = query(db, "SELECT CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) FROM GEO "
                            "WHERE Staat = 'DE' AND PLZ = '10115' LIMIT 1");
    if (centre.empty())
        return {};
    const double lon = centre[0][0].toDouble(), lat = centre[0][1].toDouble();
    const double dLat = km / kEarthKm / kRad;
    const double dLon =
        std::asin(std::min(1.0, std::sin(km / kEarthKm) / std::cos(lat * kRad))) / kRad;
    std::vector<std::pair<double, sqlite3_int64>> near;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT ID_Geo, CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) "
                           "FROM GEO WHERE CAST(Breitengrad AS REAL) BETWEEN ?1 AND ?2 AND "
                           "CAST(Langengrad AS REAL) BETWEEN ?3 AND ?4",
                           -1, &st, nullptr) != SQLITE_OK)
        return {};
    sqlite3_bind_double(st, 1, lat - dLat);
    sqlite3_bind_double(st, 2, lat + dLat);
    sqlite3_bind_double(st, 3, lon - dLon);
    sqlite3_bind_double(st, 4, lon + dLon);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const double d =
            haversine(lon, lat, sqlite3_column_double(st, 1), sqlite3_column_double(st, 2));
        if (d <= km)
            near.push_back({d, sqlite3_column_int64(st, 0)});
    }
    sqlite3_finalize(st);
    const size_t kept = std::min(near.size(), size_t(n));
    std::partial_sort(near.begin(), near.begin() + ptrdiff_t(kept), near.end());
    Rows rows;
    for (size_t i = 0; i < kept; ++i) {
        const Rows one = query(db, "SELECT * FROM GEO WHERE ID_Geo = ?1",
                               [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, near[i].second); });
        rows.insert(rows.end(), one.begin(), one.end());
    }
    return rows;
}

QString berg() {
    QString where;
    for (const char* field : {"Staat", "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis",
                              "Verwaltung", "Ort", "Ortsteil", "KFZ", "Memo"})
        where += QLatin1String(where.isEmpty() ? "" : " OR ") + QLatin1String(field) +
                 QLatin1String(" LIKE '%berg%'");
    return where;
}

// Runs `give` from the event loop as the probe does and returns the ms until the tick after
// `window` has painted.
double measure(const std::function<RowsWindow*()>& give) {
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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ref-window DB\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    QWidget main;
    main.resize(1200, 900);
    main.show();
    QApplication::processEvents();
    const int n = main.height() / (main.fontMetrics().height() + 2);
    const QByteArray limit = QByteArray::number(n);

    auto open = [&](Rows rows) {
        auto* window = new RowsWindow(&main);
        window->rows = std::move(rows);
        window->setGeometry(main.rect());
        window->show();
        return window;
    };
    RowsWindow* table = nullptr;
    const auto report = [](const char* command, double ms) {
        std::printf("window\t%s\t%.1f\n", command, ms);
        std::fflush(stdout);
    };
    report("table", measure([&] {
               return table = open(query(
                          db, "SELECT * FROM GEO ORDER BY Staat, PLZ, ID_Geo LIMIT " + limit));
           }));
    report("sort-ort", measure([&] {
               table->rows =
                   query(db, "SELECT * FROM GEO ORDER BY Ort, Staat, PLZ, ID_Geo LIMIT " + limit);
               table->painted = false;
               table->update();
               return table;
           }));
    report("search", measure([&] {
               return open(query(db, ("SELECT * FROM GEO WHERE " + berg() +
                                      " ORDER BY Staat, PLZ, ID_Geo LIMIT " + limit)
                                         .toUtf8()));
           }));
    RowsWindow* map = nullptr;
    report("map", measure([&] { return map = open({}); }));
    report("zoom", measure([&] {
               map->painted = false;
               map->update();
               return map;
           }));
    report("radius", measure([&] { return open(nearest(db, 50, n)); }));
    sqlite3_close(db);
    return 0;
}
