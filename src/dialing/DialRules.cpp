#include "dialing/DialRules.h"

#include <algorithm>

namespace {

// A CONNECT line longer than this is no result code (a modem reports its rate, its protocol and
// its compression in far less).
constexpr std::size_t kLongestResult = 40;

bool is_result_code(std::string_view line) {
    for (const std::string_view code : {"NO CARRIER", "NO ANSWER", "ERROR", "RING"}) {
        if (line == code) {
            return true;
        }
    }
    constexpr std::string_view kConnect = "CONNECT";
    if (!line.starts_with(kConnect) || line.size() > kLongestResult) {
        return false;
    }
    const std::string_view rest = line.substr(kConnect.size());
    return rest.empty() ||
           (rest.front() == ' ' &&
            std::all_of(rest.begin(), rest.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
}

std::string two_digits(std::int32_t value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

std::string cifir_text(std::int32_t seconds) {
    seconds = std::max(seconds, 0);
    return two_digits(seconds / 60) + ":" + two_digits(seconds % 60);
}

std::string attempts_text(std::uint8_t max_attempts, std::uint8_t attempts_left) {
    const int failed = int(max_attempts) - int(attempts_left);
    return std::to_string(max_attempts) + "/" + std::to_string(failed);
}

std::string init_line(std::string_view init_command) {
    std::string line(init_command);
    line += '\r';
    return line;
}

std::string dial_line(std::string_view dial_command, std::string_view dial_prefix,
                      std::string_view number) {
    std::string line;
    line.reserve(dial_command.size() + dial_prefix.size() + number.size() + 1);
    line.append(dial_command).append(dial_prefix).append(number);
    line += '\r';
    return line;
}

bool is_countdown_reply(std::string_view chunk) {
    chunk = chunk.substr(0, chunk.find('\0'));
    return chunk.find(kBusyReply) != std::string_view::npos ||
           chunk.find(kNoToneReply) != std::string_view::npos;
}

std::string modem_result(std::string_view chunk) {
    chunk = chunk.substr(0, chunk.find('\0'));
    std::string_view result;
    while (!chunk.empty()) {
        const auto end = std::min(chunk.find_first_of("\r\n"), chunk.size());
        std::string_view line = chunk.substr(0, end);
        chunk.remove_prefix(std::min(end + 1, chunk.size()));
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        line = line.substr(0, line.find_last_not_of(' ') + 1);
        if (is_result_code(line)) {
            result = line;
        }
    }
    return std::string(result);
}
