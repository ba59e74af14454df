#pragma once

#include <cstdint>
#include <string>

#include "dialing/DialRules.h"

// The dialling and display settings, section [PARAM] of the settings file. Texts are
// Windows-1251 bytes. The member initialisers are the built-in values, which stay in force only
// when start-up fails before the file is read; read_settings() gives the file's defaults for
// whatever the file lacks: the same values, but for the prefix and the speaker commands.
struct TSettings {
    std::uint8_t com_port = kDefaultComPort;          // port: 1..4 select COM1..COM4
    std::string dial_command{kDefaultDialCommand};    // ton_p: kPulseDial or kToneDial
    std::int32_t wait_seconds = kDefaultWaitSeconds;  // wait: seconds per attempt
    std::string dial_prefix = "9w9w";                 // pref_: between command and number
    std::string init_command{kDefaultInitCommand};    // init
    std::uint8_t max_attempts = kDefaultMaxAttempts;  // n_run
    std::string busy_reply{kBusyReply};               // busy_: at most 10 bytes
    std::string no_tone_reply{kNoToneReply};          // dial_: at most 15 bytes
    std::string font_name = "Arial";                  // fnt
    std::int32_t font_charset = 204;                  // countr: only the low 8 bits are applied
    std::string speaker_min = "ATL0";  // l_min: at most 10 bytes, kept and written back
    std::string speaker_max = "ATL3";  // l_max: at most 10 bytes, kept and written back

    friend bool operator==(const TSettings&, const TSettings&) = default;
};

inline constexpr std::size_t kBusyReplyMax = 10;
inline constexpr std::size_t kNoToneReplyMax = 15;
inline constexpr std::size_t kSpeakerMax = 10;

// Reads the twelve keys of [PARAM] from `settings_path`. A missing file, section or key gives
// that key's default; a number that is not a whole number gives its default; 8-bit fields keep
// the low 8 bits; the limited texts are cut. Nothing is written, nothing is reported.
TSettings read_settings(const std::string& settings_path);

// Writes all twelve keys of [PARAM] to `settings_path` in one whole-file write, keeping every
// other line of the file. Throws platform::Error "Unable to write to <path>" on failure.
void write_settings(const TSettings& settings, const std::string& settings_path);
