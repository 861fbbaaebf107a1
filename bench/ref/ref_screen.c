/* ref-screen DB [ROWS]: the reference for the first rows of a table window. Opens the file
   and reads one screen of rows (40 unless given), every field as UTF-8, in the window's
   order: SELECT * FROM GEO ORDER BY Staat, PLZ, ID_Geo LIMIT n, as a program that reads only
   what it shows. Prints "screen<TAB>ms" from opening the file to the last row read. */
#include "ref_common.h"

#include <sqlite3.h>

#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: ref-screen DB [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? atoi(argv[2]) : 40;
    const double start = ref_now_ms();
    sqlite3* db = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK)
        return 1;
    char sql[128];
    snprintf(sql, sizeof sql, "SELECT * FROM GEO ORDER BY Staat, PLZ, ID_Geo LIMIT %d", rows);
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &st, NULL) != SQLITE_OK)
        return 1;
    size_t bytes = 0;
    int read = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            sqlite3_column_text(st, i);
            bytes += (size_t)sqlite3_column_bytes(st, i);
        }
        ++read;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    printf("screen\t%.2f\n", ref_now_ms() - start);
    fprintf(stderr, "%d rows, %zu bytes\n", read, bytes);
    return 0;
}
