/* import-reference DB FILE...: what importing GeoNames postal-code files costs with nothing but
   libsqlite3. Appends the rows to table GEO of an existing database with one prepared INSERT in
   one transaction, mapped as the program maps them (LI as FL, empty fields NULL, coordinates
   trimmed), after checks like the program's: valid UTF-8, 12 columns, no control characters,
   both coordinates numbers within their range. Timed from opening the database to the commit;
   prints "import<TAB>ms", "rows<TAB>n" and "peak-rss-kb<TAB>kb". */
#define _GNU_SOURCE
#include <sqlite3.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { COLUMNS = 12 };

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec / 1e6;
}

static long peak_rss_kb(void) {
    char line[256];
    long kb = 0;
    FILE* f = fopen("/proc/self/status", "r");
    while (f && fgets(line, sizeof line, f)) {
        if (strncmp(line, "VmHWM:", 6) == 0)
            kb = atol(line + 6);
    }
    if (f)
        fclose(f);
    return kb;
}

static int valid_utf8(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n;) {
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

static int has_control(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if ((s[i] < 0x20 && s[i] != '\t') || s[i] == 0x7F ||
            (s[i] == 0xC2 && i + 1 < n && (s[i + 1] & 0xE0) == 0x80))
            return 1;
    }
    return 0;
}

static char* trim(char* s) {
    while (*s == ' ')
        ++s;
    size_t n = strlen(s);
    while (n > 0 && s[n - 1] == ' ')
        s[--n] = 0;
    return s;
}

static int number_within(const char* s, double limit) {
    char* end = NULL;
    if (!*s)
        return 0;
    const double v = strtod(s, &end);
    return end != s && *end == 0 && isfinite(v) && v >= -limit && v <= limit;
}

static void bind(sqlite3_stmt* st, int i, const char* v) {
    if (!v || !*v)
        sqlite3_bind_null(st, i);
    else
        sqlite3_bind_text(st, i, v, -1, SQLITE_STATIC);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "Aufruf: import-reference DATENBANK DATEI...\n");
        return 2;
    }
    const double start = now_ms();
    sqlite3* db = NULL;
    sqlite3_stmt* insert = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, NULL) != SQLITE_OK ||
        sqlite3_exec(db, "BEGIN IMMEDIATE", NULL, NULL, NULL) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "INSERT INTO GEO ([Staat], [PLZ], [Bundesland], [Regierungsbezirk], "
                           "[Landkreis], [Verwaltung], [Ort], [Ortsteil], [KFZ], [Langengrad], "
                           "[Breitengrad], [Memo]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert, NULL) != SQLITE_OK) {
        fprintf(stderr, "%s: %s\n", argv[1], sqlite3_errmsg(db));
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
            if (!valid_utf8((const unsigned char*)line, (size_t)n) ||
                has_control((const unsigned char*)line, (size_t)n)) {
                ++invalid;
                continue;
            }
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
            char* lat = count == COLUMNS ? trim(cols[9]) : "";
            char* lon = count == COLUMNS ? trim(cols[10]) : "";
            if (!number_within(lat, 90) || !number_within(lon, 180)) {
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
            if (sqlite3_step(insert) != SQLITE_DONE)
                ++invalid;
            else
                ++rows;
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
    const double elapsed = now_ms() - start;
    if (!ok) {
        fprintf(stderr, "%ld ungültige Zeilen; nichts importiert\n", invalid);
        return 1;
    }
    printf("import\t%.1f\nrows\t%ld\npeak-rss-kb\t%ld\n", elapsed, rows, peak_rss_kb());
    return 0;
}
