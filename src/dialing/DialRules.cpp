#include "dialing/DialRules.h"

#include <algorithm>

namespace {

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
