#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

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

// A target's body, run once for each input: FUZZ_TARGET(bytes) { ... }.
#define FUZZ_TARGET(bytes)                                                              \
    static void fuzz_one(std::string_view bytes);                                       \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        fuzz_one(std::string_view(reinterpret_cast<const char*>(data), size));          \
        return 0;                                                                       \
    }                                                                                   \
    static void fuzz_one(std::string_view bytes)
