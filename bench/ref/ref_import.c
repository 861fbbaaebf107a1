/* ref-import DB FILE...: the reference for importing GeoNames postal-code files. Appends the
   rows to table GEO of an existing database with one prepared INSERT in one transaction, the
   fields mapped as the program maps them (LI stored as FL, empty fields as NULL, coordinates
   trimmed), after the same checks: valid UTF-8, 12 columns, both coordinates numbers. Any
   invalid line rolls everything back (exit status 1). Prints "import<TAB>ms" and
   "import-rows<TAB>rows" on standard output, timed from opening the database to the commit. */
#include "ref_common.h"

#include <sqlite3.h>

#include <stdlib.h>
#include <string.h>

enum { COLUMNS = 12 };

static int valid_utf8(const unsigned char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        size_t len;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF)
            len = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            len = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            len = 4;
        else
            return 0;
        if (i + len > n)
            return 0;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return 0;
        }
        if ((c == 0xE0 && s[i + 1] < 0xA0) || (c == 0xED && s[i + 1] > 0x9F) ||
            (c == 0xF0 && s[i + 1] < 0x90) || (c == 0xF4 && s[i + 1] > 0x8F))
            return 0;
        i += len;
    }
    return 1;
}

static char* trim(char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        ++s;
    size_t n = strlen(s);
    while (n > 0 && (s[n - 1] == ' ' || (s[n - 1] >= '\t' && s[n - 1] <= '\r')))
        s[--n] = 0;
    return s;
}

static int is_number(const char* s) {
    char* end = NULL;
    if (!*s)
        return 0;
    strtod(s, &end);
    return end != s && *end == 0;
}

static void bind(sqlite3_stmt* st, int i, const char* v) {
    if (!v || !*v)
        sqlite3_bind_null(st, i);
    else
        sqlite3_bind_text(st, i, v, -1, SQLITE_STATIC);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "Aufruf: ref-import DATENBANK DATEI...\n");
        return 2;
    }
    const double start = ref_now_ms();
    sqlite3* db = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, NULL) !=
        SQLITE_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], sqlite3_errmsg(db));
        return 1;
    }
    sqlite3_stmt* insert = NULL;
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "INSERT INTO GEO ([Staat], [PLZ], [Bundesland], [Regierungsbezirk], "
                           "[Landkreis], [Verwaltung], [Ort], [Ortsteil], [KFZ], [Langengrad], "
                           "[Breitengrad], [Memo]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    long rows = 0, invalid = 0;
    char* line = NULL;
    size_t capacity = 0;
    for (int f = 2; f < argc; ++f) {
        FILE* in = fopen(argv[f], "rb");
        if (!in) {
            perror(argv[f]);
            return 1;
        }
        ssize_t n;
        while ((n = getline(&line, &capacity, in)) > 0) {
            while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
                line[--n] = 0;
            if (n == 0)
                continue;
            char* cols[COLUMNS];
            int count = 0;
            for (char* p = line;;) {
                char* tab = strchr(p, '\t');
                if (count < COLUMNS)
                    cols[count] = p;
                ++count;
                if (!tab)
                    break;
                *tab = 0;
                p = tab + 1;
            }
            if (count != COLUMNS || !valid_utf8((const unsigned char*)line, (size_t)n)) {
                ++invalid;
                continue;
            }
            char* lat = trim(cols[9]);
            char* lon = trim(cols[10]);
            if (!is_number(lat) || !is_number(lon)) {
                ++invalid;
                continue;
            }
            bind(insert, 1, strcmp(cols[0], "LI") == 0 ? "FL" : cols[0]);
            bind(insert, 2, cols[1]);
            bind(insert, 3, cols[3]);
            bind(insert, 4, cols[5]);
            bind(insert, 5, cols[7]);
            bind(insert, 6, NULL);
            bind(insert, 7, cols[2]);
            bind(insert, 8, NULL);
            bind(insert, 9, NULL);
            bind(insert, 10, lon);
            bind(insert, 11, lat);
            bind(insert, 12, NULL);
            if (sqlite3_step(insert) != SQLITE_DONE) {
                fprintf(stderr, "%s:%ld: %s\n", argv[f], rows + invalid + 1, sqlite3_errmsg(db));
                ++invalid;
            } else {
                ++rows;
            }
            sqlite3_reset(insert);
        }
        fclose(in);
    }
    free(line);
    sqlite3_finalize(insert);
    const int ok = invalid == 0 && sqlite3_exec(db, "COMMIT", NULL, NULL, NULL) == SQLITE_OK;
    if (!ok)
        sqlite3_exec(db, "ROLLBACK", NULL, NULL, NULL);
    sqlite3_close(db);
    const double elapsed = ref_now_ms() - start;
    if (!ok) {
        fprintf(stderr, "%ld ungültige Zeilen; nichts importiert\n", invalid);
        return 1;
    }
    printf("import\t%.1f\nimport-rows\t%ld\n", elapsed, rows);
    return 0;
}
