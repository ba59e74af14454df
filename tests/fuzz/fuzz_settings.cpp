#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "platform/IniFile.h"
#include "settings/Settings.h"

// The settings file as the program reads it, from a file holding the input. The limited texts
// are cut to their limits and every text to what a profile string holds, none with a NUL or a
// line end inside. Writing the settings into the same file and reading them again gives the same
// settings, unless a text held a lone CR, which the writer cuts (it would end the line for
// readers that end lines at CR).
namespace {

bool clean(const std::string& text, std::size_t limit) {
    return text.size() <= limit &&
           text.find_first_of(std::string_view("\0\n", 2)) == std::string::npos;
}

bool has_cr(const TSettings& s) {
    for (const std::string* text :
         {&s.dial_command, &s.dial_prefix, &s.init_command, &s.busy_reply, &s.no_tone_reply,
          &s.font_name, &s.speaker_min, &s.speaker_max}) {
        if (text->find('\r') != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

FUZZ_TARGET(bytes) {
    static const ScratchFile file("zvonmat.ini");
    file.write(bytes);
    const TSettings s = read_settings(file.path());

    constexpr std::size_t kText = platform::kProfileValueMax;
    FUZZ_CHECK(clean(s.dial_command, kText));
    FUZZ_CHECK(clean(s.dial_prefix, kText));
    FUZZ_CHECK(clean(s.init_command, kText));
    FUZZ_CHECK(clean(s.font_name, kText));
    FUZZ_CHECK(clean(s.busy_reply, kBusyReplyMax));
    FUZZ_CHECK(clean(s.no_tone_reply, kNoToneReplyMax));
    FUZZ_CHECK(clean(s.speaker_min, kSpeakerMax));
    FUZZ_CHECK(clean(s.speaker_max, kSpeakerMax));

    write_settings(s, file.path());
    if (!has_cr(s)) {
        FUZZ_CHECK(read_settings(file.path()) == s);
    }
}
