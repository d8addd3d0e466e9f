// The fuzz targets' check: a broken property prints where and what, then stops the run so that
// libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(condition, what)                                                        \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: property broken: %s\n  (failed: %s)\n", __FILE__, \
                         __LINE__, what, #condition);                                      \
            __builtin_trap();                                                              \
        }                                                                                  \
    } while (false)
