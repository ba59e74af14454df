#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts of the dialling engine: what it sends to the modem, what it recognises in the
// modem's replies, and how it shows times and attempts. Texts are Windows-1251 bytes.

// The dial commands: pulse and tone dialling.
inline constexpr std::string_view kPulseDial = "ATDP";
inline constexpr std::string_view kToneDial = "ATDT";

// The defaults of the dialling settings, which the settings file's defaults are too.
inline constexpr std::uint8_t kDefaultComPort = 4;  // COM4
inline constexpr std::string_view kDefaultInitCommand = "ATZ";
inline constexpr std::string_view kDefaultDialCommand = kPulseDial;
inline constexpr std::int32_t kDefaultWaitSeconds = 30;
inline constexpr std::uint8_t kDefaultMaxAttempts = 5;

// The replies that start the countdown, which are also the settings' reply texts by default.
inline constexpr std::string_view kBusyReply = "BUSY";
inline constexpr std::string_view kNoToneReply = "NO DIALTONE";

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

// The last of the modem's other result codes that a received chunk holds before its first zero
// byte: "CONNECT" (with the rate or whatever else of printable ASCII follows it on its line),
// "NO CARRIER", "NO ANSWER", "ERROR" or "RING", each a line of its own (CR and LF end lines,
// spaces around the code do not count). "OK", the modem's echo of a command, information lines
// and the component's line-error texts are none; empty when the chunk holds no result code.
// Each chunk is judged by itself, as for the countdown's replies.
std::string modem_result(std::string_view chunk);
