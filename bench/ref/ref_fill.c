/* ref-fill DB: the reference for filling a table window. Runs the standard query
   (SELECT * FROM GEO ORDER BY Staat, PLZ) and copies every field of every row as UTF-8 into
   one buffer (fields ended by 0x1F), with the start of each row in an index. Prints
   "fill<TAB>ms" (from preparing the query to the last row), "fill-rows<TAB>rows" and
   "fill-bytes-per-row<TAB>bytes", the growth of the resident set while the rows are kept. */
#include "ref_common.h"

#include <sqlite3.h>

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "Aufruf: ref-fill DATENBANK\n");
        return 2;
    }
    sqlite3* db = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, NULL) !=
        SQLITE_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], sqlite3_errmsg(db));
        return 1;
    }
    const long rssBefore = ref_rss_bytes();
    const double start = ref_now_ms();
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, "SELECT * FROM GEO ORDER BY Staat, PLZ;", -1, &st, NULL) !=
        SQLITE_OK) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    size_t size = 0, capacity = 1 << 20, rows = 0, rowCapacity = 1 << 16;
    char* text = malloc(capacity);
    size_t* starts = malloc(rowCapacity * sizeof *starts);
    const int columns = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (rows == rowCapacity) {
            rowCapacity *= 2;
            starts = realloc(starts, rowCapacity * sizeof *starts);
        }
        starts[rows++] = size;
        for (int j = 0; j < columns; ++j) {
            const unsigned char* field = sqlite3_column_text(st, j);
            const size_t n = (size_t)sqlite3_column_bytes(st, j);
            if (size + n + 1 > capacity) {
                while (size + n + 1 > capacity)
                    capacity *= 2;
                text = realloc(text, capacity);
            }
            if (n)
                memcpy(text + size, field, n);
            size += n;
            text[size++] = 0x1F;
        }
    }
    sqlite3_finalize(st);
    const double elapsed = ref_now_ms() - start;
    const long rssAfter = ref_rss_bytes();
    if (rc != SQLITE_DONE) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    printf("fill\t%.1f\nfill-rows\t%zu\nfill-bytes-per-row\t%.0f\n", elapsed, rows,
           rows ? (double)(rssAfter - rssBefore) / (double)rows : 0.0);
    free(text);
    free(starts);
    sqlite3_close(db);
    return 0;
}
