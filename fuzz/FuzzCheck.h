#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property of the code under fuzzing: say which one, then abort so that libFuzzer keeps the
// input as a crash file.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
