#include "settings/Settings.h"

#include "platform/FileError.h"
#include "platform/IniFile.h"

namespace {

constexpr std::string_view kSection = "PARAM";

std::string cut(std::string text, std::size_t limit) {
    if (text.size() > limit) {
        text.resize(limit);
    }
    return text;
}

}  // namespace

TSettings read_settings(const std::string& settings_path) {
    using platform::parse_profile_int;
    const platform::IniFile ini = platform::IniFile::load(settings_path);
    const auto text = [&ini](std::string_view key, std::string_view fallback) {
        return platform::read_profile_string(ini, kSection, key, fallback);
    };
    const auto integer = [&text](std::string_view key, std::int32_t fallback) {
        return parse_profile_int(text(key, ""), fallback);
    };

    const TSettings built_in;
    TSettings s;
    s.com_port = static_cast<std::uint8_t>(integer("port", built_in.com_port));
    s.dial_command = text("ton_p", built_in.dial_command);
    s.wait_seconds = integer("wait", built_in.wait_seconds);
    s.dial_prefix = text("pref_", "");
    s.init_command = text("init", built_in.init_command);
    s.max_attempts = static_cast<std::uint8_t>(integer("n_run", built_in.max_attempts));
    s.busy_reply = cut(text("busy_", built_in.busy_reply), kBusyReplyMax);
    s.no_tone_reply = cut(text("dial_", built_in.no_tone_reply), kNoToneReplyMax);
    s.font_name = text("fnt", built_in.font_name);
    s.font_charset = integer("countr", built_in.font_charset);
    s.speaker_min = cut(text("l_min", "L0"), kSpeakerMax);
    s.speaker_max = cut(text("l_max", "L3"), kSpeakerMax);
    return s;
}

void write_settings(const TSettings& s, const std::string& settings_path) {
    const auto fail = [&settings_path] {
        return platform::file_error(platform::FileMessage::UnableToWrite, settings_path);
    };
    auto loaded = platform::IniFile::load_for_update(settings_path);
    if (loaded.error) {
        throw fail();  // never replace contents that could not be read
    }
    platform::IniFile& ini = loaded.ini;
    const auto put = [&ini](std::string_view key, std::string_view value) {
        ini.set_value(kSection, key, value);
    };
    put("port", std::to_string(unsigned(s.com_port)));
    put("ton_p", s.dial_command);
    put("wait", std::to_string(s.wait_seconds));
    put("pref_", s.dial_prefix);
    put("init", s.init_command);
    put("n_run", std::to_string(unsigned(s.max_attempts)));
    put("busy_", s.busy_reply);
    put("dial_", s.no_tone_reply);
    put("fnt", s.font_name);
    put("countr", std::to_string(s.font_charset));
    put("l_min", s.speaker_min);
    put("l_max", s.speaker_max);
    if (ini.save(settings_path)) {
        throw fail();
    }
}
