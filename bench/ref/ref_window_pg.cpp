// ref-window-pg URL: ref-window on a PostgreSQL server over libpq (ref_window.h says what each
// command does and how it is timed), with the queries the program's server engine asks: the
// standard order as the server's order index holds it, a search that folds case as the
// program's LIKE does, positions read by the schema's own number function. One connection,
// made before the first command, as ref-window opens its file once.
#include "ref_window.h"

#include <libpq-fe.h>

namespace {

// The standard order on the server: Staat, PLZ without case, then the key (index geo_order).
const char* const kOrder =
    "lower(staat COLLATE \"C\") NULLS FIRST, lower(plz COLLATE \"C\") NULLS FIRST, id_geo";

class PgScreens : public RefWindow::ScreenSource {
public:
    explicit PgScreens(PGconn* db) : m_db(db) {}

    RefWindow::Rows Table(int n) override {
        return query(QStringLiteral("SELECT * FROM geo ORDER BY %1 LIMIT %2")
                         .arg(QLatin1String(kOrder))
                         .arg(n));
    }
    RefWindow::Rows SortedByOrt(int n) override {
        return query(QStringLiteral("SELECT * FROM geo ORDER BY lower(ort COLLATE \"C\") NULLS "
                                    "FIRST, %1 LIMIT %2")
                         .arg(QLatin1String(kOrder))
                         .arg(n));
    }
    RefWindow::Rows Search(const QString& word, int n) override {
        QString where;
        for (const char* field : {"staat", "plz", "bundesland", "regierungsbezirk", "landkreis",
                                  "verwaltung", "ort", "ortsteil", "kfz", "memo"})
            where += QLatin1String(where.isEmpty() ? "" : " OR ") + QLatin1String(field) +
                     QLatin1String(" ILIKE '%") + word + QLatin1String("%'");
        return query(QStringLiteral("SELECT * FROM geo WHERE %1 ORDER BY %2 LIMIT %3")
                         .arg(where, QLatin1String(kOrder))
                         .arg(n));
    }
    bool Centre(double* lon, double* lat) override {
        const RefWindow::Rows centre =
            query(QStringLiteral("SELECT kelvo.geonumber(langengrad), kelvo.geonumber(breitengrad) "
                                 "FROM geo WHERE staat = 'DE' AND plz = '10115' LIMIT 1"));
        if (centre.empty())
            return false;
        *lon = centre[0][0].toDouble();
        *lat = centre[0][1].toDouble();
        return true;
    }
    std::vector<std::pair<qint64, std::pair<double, double>>>
    InBox(double lat0, double lat1, double lon0, double lon1) override {
        std::vector<std::pair<qint64, std::pair<double, double>>> found;
        const RefWindow::Rows rows =
            query(QStringLiteral(
                      "SELECT id_geo, kelvo.geonumber(langengrad), "
                      "kelvo.geonumber(breitengrad) FROM geo WHERE kelvo.geonumber(breitengrad) "
                      "BETWEEN %1 AND %2 AND kelvo.geonumber(langengrad) BETWEEN %3 AND %4")
                      .arg(lat0, 0, 'f', 8)
                      .arg(lat1, 0, 'f', 8)
                      .arg(lon0, 0, 'f', 8)
                      .arg(lon1, 0, 'f', 8));
        for (const std::vector<QString>& row : rows)
            found.push_back({row[0].toLongLong(), {row[1].toDouble(), row[2].toDouble()}});
        return found;
    }
    RefWindow::Rows ByKey(qint64 key) override {
        return query(QStringLiteral("SELECT * FROM geo WHERE id_geo = %1").arg(key));
    }

private:
    RefWindow::Rows query(const QString& sql) {
        RefWindow::Rows rows;
        PGresult* result = PQexec(m_db, sql.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            std::fprintf(stderr, "%s\n", PQerrorMessage(m_db));
            PQclear(result);
            return rows;
        }
        for (int r = 0; r < PQntuples(result); ++r) {
            std::vector<QString> row;
            for (int c = 0; c < PQnfields(result); ++c)
                row.push_back(
                    QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
            rows.push_back(std::move(row));
        }
        PQclear(result);
        return rows;
    }

    PGconn* m_db;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ref-window-pg URL\n");
        return 2;
    }
    const char* keys[] = {"dbname", nullptr};
    const char* values[] = {argv[1], nullptr};
    PGconn* db = PQconnectdbParams(keys, values, 1);
    if (PQstatus(db) != CONNECTION_OK) {
        std::fprintf(stderr, "%s\n", PQerrorMessage(db));
        PQfinish(db);
        return 1;
    }
    PgScreens screens(db);
    const int status = RefWindow::Run(screens);
    PQfinish(db);
    return status;
}
