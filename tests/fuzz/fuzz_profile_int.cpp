#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/IniFile.h"

// The integer rule of the settings file, against a reference written from the rule: "0x"/"0X"
// or "$" and one to eight hex digits, or a decimal with an optional sign that fits 32 bits.
// Whatever the fallback, a text either has its number or gives the fallback. Numbers printed
// the way the program writes them read back.
namespace {

std::optional<std::int32_t> reference(std::string_view text) {
    std::string_view hex;
    if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
        hex = text.substr(2);
    } else if (text.starts_with('$')) {
        hex = text.substr(1);
    } else {
        bool negative = false;
        if (text.starts_with('+') || text.starts_with('-')) {
            negative = text[0] == '-';
            text.remove_prefix(1);
        }
        if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        text = text.substr(std::min(text.find_first_not_of('0'), text.size()));
        if (text.size() > 10) {
            return std::nullopt;
        }
        std::int64_t magnitude = 0;
        std::from_chars(text.data(), text.data() + text.size(), magnitude);
        const std::int64_t v = negative ? -magnitude : magnitude;
        if (v < INT32_MIN || v > INT32_MAX) {
            return std::nullopt;
        }
        return std::int32_t(v);
    }
    if (hex.empty() || hex.size() > 8 ||
        hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint32_t v = 0;
    std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    return std::int32_t(v);
}

}  // namespace

FUZZ_TARGET(text) {
    const auto expected = reference(text);
    const std::int32_t a = platform::parse_profile_int(text, 7);
    const std::int32_t b = platform::parse_profile_int(text, -7);
    if (expected) {
        FUZZ_CHECK(a == *expected && b == *expected);
    } else {
        FUZZ_CHECK(a == 7 && b == -7);
    }

    if (text.size() >= 4) {
        std::int32_t n;
        std::memcpy(&n, text.data(), 4);
        FUZZ_CHECK(platform::parse_profile_int(std::to_string(n), 0) == n);
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(n));
        FUZZ_CHECK(platform::parse_profile_int(hex, 0) == n);
        std::snprintf(hex, sizeof hex, "$%x", static_cast<unsigned>(n));
        FUZZ_CHECK(platform::parse_profile_int(hex, 0) == n);
    }
}
