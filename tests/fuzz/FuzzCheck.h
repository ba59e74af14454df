#pragma once

#include <cstdio>
#include <cstdlib>

// A property of a reader that does not hold is a finding like a crash: say which one and abort,
// so that libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                               \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, \
                         #condition);                                                       \
            std::abort();                                                                   \
        }                                                                                   \
    } while (false)
