/* ref-fill DB: the reference for filling a table window. Reads every row in the order the
   table keeps them (SELECT * FROM GEO ORDER BY ID_Geo), copies every field as UTF-8 into one
   buffer (fields ended by 0x1F) with the start of each row in an index, and then puts the
   index in Staat, PLZ order in memory (A-Z folded, ties in the order read), as a program
   that sorts keys in memory would; the engine's ORDER BY is far slower. Prints
   "fill<TAB>ms" (from preparing the query to the last row), "fill.cpu<TAB>ms" (its CPU time),
   "fill-rows<TAB>rows", "fill-bytes-per-row<TAB>bytes", the growth of the resident set while
   the rows are kept, and "fill-peak-bytes-per-row<TAB>bytes", the most it grew meanwhile. */
#include "ref_common.h"

#include <sqlite3.h>

#include <stdlib.h>
#include <string.h>

static const char* g_text;

/* Field `field` of the row starting at `start`: its bytes up to the 0x1F. */
static const char* field_of(size_t start, int field, size_t* n) {
    const char* p = g_text + start;
    for (int j = 0; j < field; ++j)
        p = strchr(p, 0x1F) + 1;
    *n = (size_t)(strchr(p, 0x1F) - p);
    return p;
}

static int nocase_compare(const char* a, size_t na, const char* b, size_t nb) {
    for (size_t i = 0; i < na && i < nb; ++i) {
        int x = (unsigned char)a[i], y = (unsigned char)b[i];
        x += (x >= 'A' && x <= 'Z') ? 32 : 0;
        y += (y >= 'A' && y <= 'Z') ? 32 : 0;
        if (x != y)
            return x - y;
    }
    return na < nb ? -1 : na > nb;
}

/* Rows to sort: where each starts, Staat and PLZ found once, and the position read. */
struct key {
    const char* staat;
    const char* plz;
    unsigned staatSize, plzSize;
    size_t start;
};

static int key_compare(const void* pa, const void* pb) {
    const struct key* a = pa;
    const struct key* b = pb;
    int c = nocase_compare(a->staat, a->staatSize, b->staat, b->staatSize);
    if (!c)
        c = nocase_compare(a->plz, a->plzSize, b->plz, b->plzSize);
    return c ? c : (a->start > b->start) - (a->start < b->start);
}

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
    ref_peak_reset();
    const double start = ref_now_ms(), cpuStart = ref_cpu_ms();
    sqlite3_stmt* st = NULL;
    if (sqlite3_prepare_v2(db, "SELECT * FROM GEO ORDER BY ID_Geo;", -1, &st, NULL) != SQLITE_OK) {
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
    /* The standard order, in memory; the index then lists the rows in that order. */
    g_text = text;
    struct key* keys = malloc((rows ? rows : 1) * sizeof *keys);
    for (size_t i = 0; i < rows; ++i) {
        size_t n;
        keys[i].start = starts[i];
        keys[i].staat = field_of(starts[i], 1, &n);
        keys[i].staatSize = (unsigned)n;
        keys[i].plz = field_of(starts[i], 2, &n);
        keys[i].plzSize = (unsigned)n;
    }
    qsort(keys, rows, sizeof *keys, key_compare);
    for (size_t i = 0; i < rows; ++i)
        starts[i] = keys[i].start;
    free(keys);
    const double elapsed = ref_now_ms() - start, cpu = ref_cpu_ms() - cpuStart;
    const long rssAfter = ref_rss_bytes(), peak = ref_peak_bytes();
    if (rc != SQLITE_DONE) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    printf("fill\t%.1f\nfill.cpu\t%.1f\nfill-rows\t%zu\nfill-bytes-per-row\t%.0f\n"
           "fill-peak-bytes-per-row\t%.0f\n",
           elapsed, cpu, rows, rows ? (double)(rssAfter - rssBefore) / (double)rows : 0.0,
           rows ? (double)(peak - rssBefore) / (double)rows : 0.0);
    free(text);
    free(starts);
    sqlite3_close(db);
    return 0;
}
