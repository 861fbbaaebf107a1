// ref-window DB: the reference for the first screen of the main window's commands, done the
// cheapest honest way on libsqlite3 and Qt Widgets (ref_window.h says what each command does
// and how it is timed), with the queries the program's file engine asks.
#include "ref_window.h"

#include <sqlite3.h>

namespace {

class SqliteScreens : public RefWindow::ScreenSource {
public:
    explicit SqliteScreens(sqlite3* db) : m_db(db) {}

    RefWindow::Rows Table(int n) override {
        return query("SELECT * FROM GEO ORDER BY Staat, PLZ, ID_Geo LIMIT " +
                     QByteArray::number(n));
    }
    RefWindow::Rows SortedByOrt(int n) override {
        return query("SELECT * FROM GEO ORDER BY Ort, Staat, PLZ, ID_Geo LIMIT " +
                     QByteArray::number(n));
    }
    RefWindow::Rows Search(const QString& word, int n) override {
        QString where;
        for (const char* field : {"Staat", "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis",
                                  "Verwaltung", "Ort", "Ortsteil", "KFZ", "Memo"})
            where += QLatin1String(where.isEmpty() ? "" : " OR ") + QLatin1String(field) +
                     QLatin1String(" LIKE '%") + word + QLatin1String("%'");
        return query(("SELECT * FROM GEO WHERE " + where + " ORDER BY Staat, PLZ, ID_Geo LIMIT " +
                      QString::number(n))
                         .toUtf8());
    }
    bool Centre(double* lon, double* lat) override {
        const RefWindow::Rows centre =
            query("SELECT CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) FROM GEO "
                  "WHERE Staat = 'DE' AND PLZ = '10115' LIMIT 1");
        if (centre.empty())
            return false;
        *lon = centre[0][0].toDouble();
        *lat = centre[0][1].toDouble();
        return true;
    }
    std::vector<std::pair<qint64, std::pair<double, double>>>
    InBox(double lat0, double lat1, double lon0, double lon1) override {
        std::vector<std::pair<qint64, std::pair<double, double>>> found;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db,
                               "SELECT ID_Geo, CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) "
                               "FROM GEO WHERE CAST(Breitengrad AS REAL) BETWEEN ?1 AND ?2 AND "
                               "CAST(Langengrad AS REAL) BETWEEN ?3 AND ?4",
                               -1, &st, nullptr) != SQLITE_OK)
            return found;
        sqlite3_bind_double(st, 1, lat0);
        sqlite3_bind_double(st, 2, lat1);
        sqlite3_bind_double(st, 3, lon0);
        sqlite3_bind_double(st, 4, lon1);
        while (sqlite3_step(st) == SQLITE_ROW)
            found.push_back({sqlite3_column_int64(st, 0),
                             {sqlite3_column_double(st, 1), sqlite3_column_double(st, 2)}});
        sqlite3_finalize(st);
        return found;
    }
    RefWindow::Rows ByKey(qint64 key) override {
        return query("SELECT * FROM GEO WHERE ID_Geo = " + QByteArray::number(key));
    }

private:
    RefWindow::Rows query(const QByteArray& sql) {
        RefWindow::Rows rows;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(m_db));
            return rows;
        }
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

    sqlite3* m_db;
};

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
    SqliteScreens screens(db);
    const int status = RefWindow::Run(screens);
    sqlite3_close(db);
    return status;
}
