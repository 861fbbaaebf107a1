/* Timing and memory for the reference programs: wall time in milliseconds and the resident
   set size, which counts every page the process holds (heap, mmap-backed blocks, the page
   cache of the engine), as the program's own figures do. */
#pragma once

#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static inline double ref_now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec / 1e6;
}

/* The CPU time of the process so far (all threads, user and system) in milliseconds. */
static inline double ref_cpu_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec / 1e6;
}

static inline long ref_rss_bytes(void) {
    long pages = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    fclose(f);
    return resident * sysconf(_SC_PAGESIZE);
}

/* The most the resident set has held since ref_peak_reset (or the start), in bytes. */
static inline long ref_peak_bytes(void) {
    char line[256];
    long kb = 0;
    FILE* f = fopen("/proc/self/status", "r");
    if (!f)
        return 0;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmHWM:", 6) == 0 && sscanf(line + 6, "%ld", &kb) == 1)
            break;
    fclose(f);
    return kb * 1024;
}

static inline void ref_peak_reset(void) {
    FILE* f = fopen("/proc/self/clear_refs", "w");
    if (f) {
        fputs("5", f); /* the peak starts again from the resident set now */
        fclose(f);
    }
}
