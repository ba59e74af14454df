#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts of the dialling engine: what it sends to the modem, what it recognises in the
// modem's replies, and how it shows times and attempts. Texts are Windows-1251 bytes.

// The clock's MM:SS: whole minutes and the seconds, each at least two digits ("00:07", "01:05",
// "100:00" for 6000 s). Negative times never reach the clock; they show as "00:00".
std::string cifir_text(std::int32_t seconds);

// The attempt display N/K: N the configured attempts, K the waiting periods that have ended.
std::string attempts_text(std::uint8_t max_attempts, std::uint8_t attempts_left);

// The init line: the command and one carriage return.
std::string init_line(std::string_view init_command);

// The dial line: command, prefix and number joined without separators, and one carriage return.
std::string dial_line(std::string_view dial_command, std::string_view dial_prefix,
                      std::string_view number);

// Whether a received chunk holds "BUSY" or "NO DIALTONE" (exact bytes) before its first zero
// byte. Each chunk is judged by itself: a reply split over two chunks is not recognised.
bool is_countdown_reply(std::string_view chunk);
