#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "dialing/DialRules.h"
#include "fuzz/FuzzCheck.h"

// The modem reply rule on received chunks, against a naive search: a chunk starts a countdown
// when "BUSY" or "NO DIALTONE" lies whole before its first zero byte. The input is judged whole
// and cut as the reader delivers it, in chunks of at most 2048 bytes. Any other result code taken
// from it, which the title shows, is short printable text that lies whole before that byte.
namespace {

bool occurs_before_nul(std::string_view chunk, const char* text) {
    const std::size_t n = std::strlen(text);
    for (std::size_t i = 0; i + n <= chunk.size(); ++i) {
        bool match = true;
        for (std::size_t j = 0; j < n && match; ++j) {
            if (chunk[i + j] == '\0') {
                return false;  // nothing from here on counts
            }
            match = chunk[i + j] == text[j];
        }
        if (match) {
            return true;
        }
        if (chunk[i] == '\0') {
            return false;
        }
    }
    return false;
}

bool reference(std::string_view chunk) {
    return occurs_before_nul(chunk, "BUSY") || occurs_before_nul(chunk, "NO DIALTONE");
}

}  // namespace

FUZZ_TARGET(received) {
    FUZZ_CHECK(is_countdown_reply(received) == reference(received));
    const std::string result = modem_result(received);
    FUZZ_CHECK(result.size() <= 40 && occurs_before_nul(received, result.c_str()));
    FUZZ_CHECK(
        std::all_of(result.begin(), result.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
    for (std::size_t at = 0; at < received.size(); at += 2048) {
        const std::string_view chunk = received.substr(at, 2048);
        FUZZ_CHECK(is_countdown_reply(chunk) == reference(chunk));
    }
}
