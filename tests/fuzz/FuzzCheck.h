#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant in a fuzz target: say which and stop, so the fuzzer keeps the input
// and the corpus replay fails.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
