/* Timing and memory for the reference programs: wall time in milliseconds and the resident
   set size, which counts every page the process holds (heap, mmap-backed blocks, the page
   cache of the engine), as the program's own figures do. */
#pragma once

#include <stdio.h>
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
