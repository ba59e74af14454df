#include "ModemOptions.h"

#include <charconv>

const char* const kModemUsage =
    "usage: zvonmat-modemsim --link PATH [--replies LIST] [--dial-delay MS] [--log FILE] "
    "[--echo] [--silent]\n"
    "  --link PATH       make PATH a symbolic link to the simulated modem's device\n"
    "  --replies LIST    comma-separated answers to dial commands, the last repeats\n"
    "                    (default \"CONNECT 2400\")\n"
    "  --dial-delay MS   milliseconds before a dial command is answered (default 300)\n"
    "  --log FILE        one record per line received: <ms since start> <line>, every\n"
    "                    byte before the CR that ends it; a backslash is \\\\, CR and LF\n"
    "                    are \\r and \\n, other bytes outside printable ASCII \\xHH\n"
    "                    (so a line sent as CR LF shows its LF at the start of the next\n"
    "                    record); a record no CR ended ends in \\+: a line longer than\n"
    "                    65536 bytes goes on in the next record, and what came after the\n"
    "                    last CR is logged so when the simulator stops\n"
    "  --echo            echo received bytes, as a modem with E1 does\n"
    "  --silent          answer nothing, as a modem that is switched off\n";

namespace {

constexpr int kMaxDialDelayMs = 3600 * 1000;

std::vector<std::string> SplitReplies(const std::string& list) {
    std::vector<std::string> replies;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = list.find(',', start);
        replies.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos) {
            return replies;
        }
        start = comma + 1;
    }
}

}  // namespace

std::optional<ModemOptions> ParseModemOptions(const std::vector<std::string>& args,
                                              std::string& error) {
    ModemOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        auto take_value = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            error = name + " needs a value";
            return std::nullopt;
        };
        if (name == "--echo" && !value) {
            options.echo = true;
        } else if (name == "--silent" && !value) {
            options.silent = true;
        } else if (name == "--link" || name == "--replies" || name == "--log" ||
                   name == "--dial-delay") {
            const auto text = take_value();
            if (!text) {
                return std::nullopt;
            }
            if (name == "--link") {
                options.link = *text;
            } else if (name == "--replies") {
                options.replies = SplitReplies(*text);
            } else if (name == "--log") {
                options.log = *text;
            } else {
                int ms = -1;
                const auto [end, ec] =
                    std::from_chars(text->data(), text->data() + text->size(), ms);
                if (ec != std::errc() || end != text->data() + text->size() || ms < 0 ||
                    ms > kMaxDialDelayMs) {
                    error = "--dial-delay takes milliseconds from 0 to 3600000";
                    return std::nullopt;
                }
                options.dial_delay_ms = ms;
            }
        } else {
            error = "unknown argument: " + args[i];
            return std::nullopt;
        }
    }
    if (options.link.empty()) {
        error = "--link PATH is required";
        return std::nullopt;
    }
    return options;
}
