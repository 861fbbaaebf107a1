/* ref-nearest DB [KM] [ROWS]: the reference for the first screen of a radius search. Opens the
   file, finds the centre DE 10115, reads the key and position of every row in the box around
   it (the rows within KM, 50 unless given), keeps the nearest ROWS (40 unless given) in a
   bounded heap and reads those rows, every field as UTF-8, by their keys: what a program
   that shows only the nearest screen's worth has to do. Prints "nearest<TAB>ms" from opening
   the file to the last row read. */
#include "ref_common.h"

#include <sqlite3.h>

#include <math.h>
#include <stdlib.h>

typedef struct {
    double km;
    sqlite3_int64 key;
} Near;

static const double kRad = 3.14159265358979323846 / 180.0;
static const double kEarthKm = 6371.0088;

static double haversine(double lon1, double lat1, double lon2, double lat2) {
    const double dLat = (lat2 - lat1) * kRad, dLon = (lon2 - lon1) * kRad;
    const double a = sin(dLat / 2) * sin(dLat / 2) +
                     cos(lat1 * kRad) * cos(lat2 * kRad) * sin(dLon / 2) * sin(dLon / 2);
    return 2 * kEarthKm * asin(sqrt(a < 1 ? a : 1));
}

/* A max-heap by distance of at most n entries. */
static void sift_down(Near* h, int n, int i) {
    for (;;) {
        int l = 2 * i + 1, r = l + 1, m = i;
        if (l < n && h[l].km > h[m].km)
            m = l;
        if (r < n && h[r].km > h[m].km)
            m = r;
        if (m == i)
            return;
        Near t = h[i];
        h[i] = h[m];
        h[m] = t;
        i = m;
    }
}

static void sift_up(Near* h, int i) {
    while (i > 0 && h[(i - 1) / 2].km < h[i].km) {
        Near t = h[i];
        h[i] = h[(i - 1) / 2];
        h[(i - 1) / 2] = t;
        i = (i - 1) / 2;
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: ref-nearest DB [KM] [ROWS]\n");
        return 2;
    }
    const double km = argc > 2 ? atof(argv[2]) : 50;
    const int rows = argc > 3 ? atoi(argv[3]) : 40;
    const double start = ref_now_ms();
    sqlite3* db = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK)
        return 1;
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db,
                           "SELECT CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) FROM GEO "
                           "WHERE Staat = 'DE' AND PLZ = '10115' LIMIT 1",
                           -1, &st, NULL) != SQLITE_OK ||
        sqlite3_step(st) != SQLITE_ROW)
        return 1;
    const double lon = sqlite3_column_double(st, 0), lat = sqlite3_column_double(st, 1);
    sqlite3_finalize(st);

    const double dLat = km / kEarthKm / kRad;
    const double dLon = asin(fmin(1.0, sin(km / kEarthKm) / cos(lat * kRad))) / kRad;
    if (sqlite3_prepare_v2(db,
                           "SELECT ID_Geo, CAST(Langengrad AS REAL), CAST(Breitengrad AS REAL) "
                           "FROM GEO WHERE CAST(Breitengrad AS REAL) BETWEEN ?1 AND ?2 AND "
                           "CAST(Langengrad AS REAL) BETWEEN ?3 AND ?4",
                           -1, &st, NULL) != SQLITE_OK)
        return 1;
    sqlite3_bind_double(st, 1, lat - dLat);
    sqlite3_bind_double(st, 2, lat + dLat);
    sqlite3_bind_double(st, 3, lon - dLon);
    sqlite3_bind_double(st, 4, lon + dLon);
    Near* heap = malloc(sizeof(Near) * (size_t)rows);
    int n = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        Near row = {haversine(lon, lat, sqlite3_column_double(st, 1), sqlite3_column_double(st, 2)),
                    sqlite3_column_int64(st, 0)};
        if (row.km > km)
            continue;
        if (n < rows) {
            heap[n] = row;
            sift_up(heap, n++);
        } else if (row.km < heap[0].km) {
            heap[0] = row;
            sift_down(heap, n, 0);
        }
    }
    sqlite3_finalize(st);

    if (sqlite3_prepare_v2(db, "SELECT * FROM GEO WHERE ID_Geo = ?1", -1, &st, NULL) != SQLITE_OK)
        return 1;
    size_t bytes = 0;
    for (int i = 0; i < n; ++i) {
        sqlite3_bind_int64(st, 1, heap[i].key);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                sqlite3_column_text(st, c);
                bytes += (size_t)sqlite3_column_bytes(st, c);
            }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    free(heap);
    printf("nearest\t%.2f\n", ref_now_ms() - start);
    fprintf(stderr, "%d rows, %zu bytes\n", n, bytes);
    return 0;
}
