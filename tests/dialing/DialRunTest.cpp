#include "dialing/DialRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialing/DialRules.h"
#include "dialing/RunTitle.h"

namespace {

using State = DialRun::State;
using Lines = std::vector<std::string>;

// Plays the window and the modem: keeps the displays, the two tickers and the port, records the
// lines that reach the modem and, in order, everything the run asks for.
class FakeWindow : public DialRun::Listener {
  public:
    bool open_port(std::uint8_t com_port) override {
        trace.push_back("open " + std::to_string(com_port));
        if (open_throws) {
            throw std::runtime_error("Error opening com port");
        }
        port_is_open = open_finishes;
        return open_finishes;
    }
    void close_port() override {
        trace.push_back("close");
        port_is_open = false;
    }
    void send(std::string_view line) override {
        std::string text(line.substr(0, line.size() - 1));
        EXPECT_EQ(line.back(), '\r');
        trace.push_back("send " + text);
        if (port_is_open) {
            wire.push_back(std::move(text));
        }
    }
    void pause(std::chrono::milliseconds length) override {
        trace.push_back("pause " + std::to_string(length.count()));
    }
    std::string number() override { return number_field; }
    void set_countdown_ticking(bool on) override { countdown = on; }
    void set_conversation_ticking(bool on) override { conversation = on; }
    void show_clock(std::int32_t seconds) override { clock = cifir_text(seconds); }
    void show_caption(DialRun::Caption shown) override {
        caption = shown == DialRun::Caption::Waiting ? "ожидан." : "разгов.";
    }
    void show_attempts(std::string_view text) override { attempts = text; }
    void run_changed() override {
        if (run != nullptr) {
            titles.push_back(run_title(*run));
        }
    }

    bool open_throws = false;
    bool open_finishes = true;
    bool port_is_open = false;
    std::string number_field = "123";
    bool countdown = false;
    bool conversation = false;
    std::string clock = "00:00";
    std::string caption = "разгов.";
    std::string attempts = "0/0";
    Lines wire;
    Lines trace;
    Lines errors;
    const DialRun* run = nullptr;
    Lines titles;  // the title after each change the run told of
};

// Runs one input of the little language the rows are written in:
//   dial, reset, talk, hang up       the buttons «Автодозвон», «Сброс», «Разговор», the prompt's OK
//   reply <text>                     a received chunk
//   tick [N], talk tick [N]          N seconds of the countdown or of the conversation clock
//   settings button, exit button     the port let go from outside the run
//   port failed                      the port's threads have ended
//   number <text>, wait <s>, attempts <n>, port <n>, init <cmd>   what the user changes
//   open throws, open unfinished     how the next opening of the port goes
// A tick arrives only while its ticker runs, as a timer's would.
void apply(DialRun& run, FakeWindow& window, const std::string& input) {
    const auto space = input.rfind(' ');
    const std::string word = input.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : input.substr(space + 1);
    const auto count = [&] { return arg.empty() ? 1 : std::stoi(arg); };
    DialRun::Settings settings = run.settings();
    try {
        if (input == "dial") {
            run.ishodnoe();
            run.dial_number();
        } else if (input == "reset") {
            run.reset();
        } else if (input == "talk") {
            run.conversation_started();
        } else if (input == "hang up") {
            run.conversation_ended();
        } else if (input == "settings button" || input == "exit button") {
            run.release_port();
        } else if (input == "port failed") {
            window.port_is_open = false;
            run.port_failed();
        } else if (input.starts_with("reply ")) {
            run.receive(input.substr(6));
        } else if (input == "tick" || word == "tick") {
            for (int i = count(); i > 0 && window.countdown; --i) {
                run.countdown_tick();
            }
        } else if (input == "talk tick" || word == "talk tick") {
            for (int i = count(); i > 0 && window.conversation; --i) {
                run.conversation_tick();
            }
        } else if (word == "number") {
            window.number_field = arg;
        } else if (input == "open throws") {
            window.open_throws = true;
        } else if (input == "open unfinished") {
            window.open_finishes = false;
        } else {
            if (word == "wait") {
                settings.wait_seconds = std::stoi(arg);
            } else if (word == "attempts") {
                settings.max_attempts = std::uint8_t(std::stoi(arg));
            } else if (word == "port") {
                settings.com_port = std::uint8_t(std::stoi(arg));
            } else if (word == "init") {
                settings.init_command = arg;
            } else {
                FAIL() << "unknown input: " << input;
            }
            run.settings_changed(settings);
        }
    } catch (const std::exception& e) {
        window.errors.push_back(e.what());  // the window reports it and the handler ends
    }
}

// One named run: its inputs, separated by "; ", and how it ends: the state and the three displays
// (clock, caption, attempts), the lines the modem received, whether the run holds the port, and
// the error the window reported, if any.
struct Row {
    std::string name;
    std::string inputs;
    std::string displays;
    std::string wire;
    bool port_open = true;
    std::string error = {};
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

std::string joined(const Lines& lines, const std::string& separator = " ") {
    std::string text;
    for (const std::string& line : lines) {
        text += (text.empty() ? "" : separator) + line;
    }
    return text;
}

// `count` times `separator` and `text`.
std::string times(int count, const std::string& text, const std::string& separator = "; ") {
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += separator + text;
    }
    return result;
}

void run_inputs(DialRun& run, FakeWindow& window, const std::string& inputs) {
    for (std::string::size_type from = 0; from < inputs.size();) {
        const auto end = std::min(inputs.find("; ", from), inputs.size());
        apply(run, window, inputs.substr(from, end - from));
        from = end + 2;
    }
}

// Every row starts as the window does once shown: the default settings (30 s, 5 attempts,
// "ATZ", "ATDP", no prefix), "123" in the number field, and the first reset.
class DialRunTable : public testing::TestWithParam<Row> {};

TEST_P(DialRunTable, EndsWithTheseDisplaysAndModemLines) {
    const Row& row = GetParam();
    FakeWindow window;
    DialRun run(window);
    run.ishodnoe();
    run_inputs(run, window, row.inputs);
    EXPECT_EQ(std::string(state_name(run.state())) + " " + window.clock + " " + window.caption +
                  " " + window.attempts,
              row.displays);
    EXPECT_EQ(joined(window.wire), row.wire);
    EXPECT_EQ(run.port_open(), row.port_open);
    EXPECT_EQ(joined(window.errors), row.error);
    EXPECT_EQ(window.countdown, run.state() == State::Waiting);
    EXPECT_EQ(window.conversation, run.state() == State::Talking);
}

const std::string kBusy = "dial; reply BUSY";
const std::string kSpent = "attempts 1; " + kBusy + "; tick 30";

const Row kRows[] = {
    // Start-up and the first dial.
    {"activation_shows_N_of_0", "", "Idle 00:00 разгов. 5/0", "", false},
    {"dial_opens_the_port_and_initialises_the_modem_first", "dial", "Idle 00:00 разгов. 5/0",
     "ATZ ATDP123"},
    {"a_second_dial_on_the_open_port_only_dials", "dial; dial", "Idle 00:00 разгов. 5/0",
     "ATZ ATDP123 ATDP123"},
    {"the_dial_line_joins_command_prefix_and_number", "init AT&F; number 84951234567; dial",
     "Idle 00:00 разгов. 5/0", "AT&F ATDP84951234567"},
    {"a_port_that_cannot_be_opened_sends_nothing_and_keeps_the_reset", "open throws; dial",
     "Idle 00:00 разгов. 5/0", "", false, "Error opening com port"},
    {"a_port_that_does_not_finish_opening_stays_unmarked", "open unfinished; dial",
     "Idle 00:00 разгов. 5/0", "", false},

    // Replies: the displays change only at the countdown's first tick.
    {"busy_starts_the_countdown", "dial; reply \r\nBUSY\r\n", "Waiting 00:00 разгов. 5/0",
     "ATZ ATDP123"},
    {"no_dialtone_starts_it_too", "dial; reply \r\nNO DIALTONE\r\n", "Waiting 00:00 разгов. 5/0",
     "ATZ ATDP123"},
    {"other_replies_leave_the_run_idle",
     "dial; reply \r\nCONNECT 2400\r\n; reply busy; reply BU; reply SY; tick 5",
     "Idle 00:00 разгов. 5/0", "ATZ ATDP123"},
    {"a_second_reply_does_not_restart_the_countdown", kBusy + "; tick 2; reply BUSY; tick",
     "Waiting 00:27 ожидан. 5/0", "ATZ ATDP123"},

    // The countdown.
    {"a_tick_counts_down_the_waiting_time", kBusy + "; tick", "Waiting 00:29 ожидан. 5/0",
     "ATZ ATDP123"},
    {"the_period_ends_in_a_redial_of_whatever_the_field_holds",
     kBusy + "; tick 29; number 556; tick", "Idle 00:00 ожидан. 5/1", "ATZ ATDP123 ATDP556"},
    {"after_a_redial_the_next_busy_counts_from_the_full_time",
     kBusy + "; tick 30; reply BUSY; tick", "Waiting 00:29 ожидан. 5/1", "ATZ ATDP123 ATDP123"},
    {"the_last_period_is_counted_in_full_and_the_run_is_spent",
     "attempts 3; wait 10; dial" + times(3, "reply BUSY; tick 10"), "Spent 00:00 ожидан. 3/3",
     "ATZ ATDP123 ATDP123 ATDP123"},
    {"ten_attempts_of_four_minutes_make_ten_dials",
     "attempts 10; wait 240; dial" + times(10, "reply BUSY; tick 240"), "Spent 00:00 ожидан. 10/10",
     "ATZ" + times(10, "ATDP123", " ")},
    {"a_reply_in_a_spent_run_is_ignored", kSpent + "; reply BUSY", "Spent 00:00 ожидан. 1/1",
     "ATZ ATDP123"},
    {"a_waiting_time_lowered_below_the_count_ends_the_period_at_the_next_tick",
     kBusy + "; tick 5; wait 2; tick", "Idle 00:00 ожидан. 5/1", "ATZ ATDP123 ATDP123"},
    {"no_attempts_spend_the_run_after_one_period_without_wrapping",
     "attempts 0; wait 0; reset; reply BUSY; tick", "Spent 00:00 ожидан. 0/0", "", false},
    {"a_redial_whose_port_cannot_be_opened_leaves_the_run_idle",
     kBusy + "; settings button; open throws; tick 30; tick 30", "Idle 00:00 ожидан. 5/1",
     "ATZ ATDP123", false, "Error opening com port"},

    // The buttons during a run.
    {"dial_during_a_countdown_resets_and_dials_at_once", kBusy + "; tick 3; dial",
     "Idle 00:00 разгов. 5/0", "ATZ ATDP123 ATDP123"},
    {"dial_in_a_spent_run_starts_a_new_one", kSpent + "; " + kBusy, "Waiting 00:00 разгов. 1/0",
     "ATZ ATDP123 ATDP123"},
    {"reset_during_a_countdown_initialises_the_modem_and_stops_it",
     kBusy + "; tick 3; reset; tick 40", "Idle 00:00 разгов. 5/0", "ATZ ATDP123 ATZ"},
    {"reset_in_a_spent_run", kSpent + "; reset", "Idle 00:00 разгов. 1/0", "ATZ ATDP123 ATZ"},
    {"reset_with_the_port_closed_sends_nothing", "reset", "Idle 00:00 разгов. 5/0", "", false},

    // The conversation.
    {"the_conversation_lets_go_of_the_port_and_times_the_call", "dial; talk; talk tick 65",
     "Talking 01:05 разгов. 5/0", "ATZ ATDP123", false},
    {"closing_the_prompt_stops_the_clock_at_the_duration",
     "dial; talk; talk tick 65; hang up; talk tick 3", "Idle 01:05 разгов. 5/0", "ATZ ATDP123",
     false},
    {"a_conversation_closed_before_its_first_tick_lasts_00_00", "talk; hang up",
     "Idle 00:00 разгов. 5/0", "", false},
    {"whole_minutes_of_a_long_call", "talk; talk tick 6000", "Talking 100:00 разгов. 5/0", "",
     false},
    {"the_conversation_ends_a_countdown_for_good", kBusy + "; tick 3; talk; hang up; tick 60",
     "Idle 00:00 разгов. 5/0", "ATZ ATDP123", false},
    {"the_next_dial_after_a_conversation_initialises_the_modem_again", "dial; talk; hang up; dial",
     "Idle 00:00 разгов. 5/0", "ATZ ATDP123 ATZ ATDP123"},
    {"a_spent_run_can_be_talked_in", kSpent + "; talk", "Talking 00:00 разгов. 1/0", "ATZ ATDP123",
     false},
    {"no_reply_counts_during_a_conversation", "talk; reply BUSY; tick 5; hang up",
     "Idle 00:00 разгов. 5/0", "", false},

    // The port let go from outside the run.
    {"the_settings_button_lets_go_and_the_countdown_goes_on", kBusy + "; settings button; tick 10",
     "Waiting 00:20 ожидан. 5/0", "ATZ ATDP123", false},
    {"a_redial_after_the_settings_button_reopens_the_port_it_names",
     kBusy + "; settings button; port 2; tick 30", "Idle 00:00 ожидан. 5/1",
     "ATZ ATDP123 ATZ ATDP123"},
    {"a_port_failure_clears_port_open", kBusy + "; port failed", "Waiting 00:00 разгов. 5/0",
     "ATZ ATDP123", false},
    {"the_exit_button_lets_go_of_the_port", kBusy + "; exit button", "Waiting 00:00 разгов. 5/0",
     "ATZ ATDP123", false},
    {"the_dial_after_a_port_failure_opens_it_again", "dial; port failed; dial",
     "Idle 00:00 разгов. 5/0", "ATZ ATDP123 ATZ ATDP123"},
};

INSTANTIATE_TEST_SUITE_P(Run, DialRunTable, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

// The title's Windows-1251 letters as UTF-8: Cyrillic letters, the dash and ASCII are all it has.
std::string utf8(const std::string& cp1251) {
    std::string text;
    for (const unsigned char byte : cp1251) {
        if (byte < 0x80) {
            text += char(byte);
        } else if (byte == 0x97) {
            text += "—";
        } else if (byte == 0xB8) {
            text += "ё";
        } else if (byte >= 0xC0) {
            const char32_t letter = U'А' + (byte - 0xC0);
            text += char(0xC0 | (letter >> 6));
            text += char(0x80 | (letter & 0x3F));
        } else {
            text += "?";
        }
    }
    return text;
}

// The title the window shows at the end of each row's inputs, and that the run told of each
// change that made a new title.
TEST(DialRun, TheTitleFollowsTheRun) {
    const struct {
        std::string inputs;
        std::string title;
    } kRows[] = {
        {"", "zvonmat"},
        {"dial", "zvonmat"},  // a dial awaiting its reply
        {kBusy, "123 — ожидание 00:30, попытка 1/5"},
        {kBusy + "; tick 4", "123 — ожидание 00:26, попытка 1/5"},
        // The number the redial dialled, not what the field holds now.
        {kBusy + "; tick 29; number 556; tick; number 7; reply BUSY; tick 10",
         "556 — ожидание 00:20, попытка 2/5"},
        {"attempts 2; wait 10; dial; reply BUSY; tick 10; reply BUSY; tick 9",
         "123 — ожидание 00:01, попытка 2/2"},
        {"attempts 2; wait 10; dial; reply BUSY; tick 10; reply BUSY; tick 10",
         "123 — попытки исчерпаны"},
        {kSpent + "; number 9; reset", "zvonmat"},
        {kSpent + "; " + kBusy, "123 — ожидание 00:30, попытка 1/1"},
        {"dial; talk; talk tick 65", "123 — разговор 01:05"},
        {"dial; talk; talk tick 65; hang up", "zvonmat"},
        // No dial in this run yet: the state alone.
        {"attempts 0; wait 0; reset; reply BUSY; tick", "попытки исчерпаны"},
        {"talk; talk tick 3", "разговор 00:03"},
        // Attempts lowered during a countdown: the attempt shown never drops below 1.
        {kBusy + "; attempts 2", "123 — ожидание 00:30, попытка 1/2"},
        // A redial whose port cannot be opened leaves an idle run.
        {kBusy + "; settings button; open throws; tick 30", "zvonmat"},
        // The modem gone away is told until its port opens again.
        {kBusy + "; port failed; tick 10", "123 — модем отключён"},
        {kBusy + "; port failed; open throws; tick 30", "123 — модем отключён"},
        {kBusy + "; port failed; tick 30", "zvonmat"},
        {"dial; port failed; reset", "zvonmat"},
        // What the modem said that started nothing, until the next reset or countdown.
        {"dial; reply \r\nNO CARRIER\r\n; reply \r\nOK\r\n", "123 — модем: NO CARRIER"},
        {"dial; reply ERROR; reset", "zvonmat"},
        {"dial; reply ERROR; reply BUSY", "123 — ожидание 00:30, попытка 1/5"},
        {kBusy + "; reply NO CARRIER; tick 30", "zvonmat"},
        {"dial; reply ERROR; port failed", "123 — модем отключён"},
        // A result code is a line of its own, and the last one counts; the echo does not.
        {"dial; reply ATDP123\r\r\nNO ANSWER\r\n", "123 — модем: NO ANSWER"},
        {"dial; reply \r\nERROR\r\n\r\nRING\r\n", "123 — модем: RING"},
        {"dial; reply  CONNECT 2400/V42BIS \r", "123 — модем: CONNECT 2400/V42BIS"},
        {"dial; reply NO CARRIERS", "zvonmat"},
    };
    for (const auto& row : kRows) {
        FakeWindow window;
        DialRun run(window);
        window.run = &run;
        run.ishodnoe();
        run_inputs(run, window, row.inputs);
        EXPECT_EQ(utf8(run_title(run)), row.title) << row.inputs;
        EXPECT_EQ(utf8(window.titles.back()), row.title) << row.inputs;
    }
}

// Each second of a countdown and of a conversation is told, so the title never lags the clock.
TEST(DialRun, EverySecondIsTold) {
    FakeWindow window;
    DialRun run(window);
    window.run = &run;
    run.ishodnoe();
    run_inputs(run, window, "attempts 1; wait 2");
    window.titles.clear();
    run_inputs(run, window, "dial; reply BUSY; tick 2");
    EXPECT_EQ(utf8(joined(window.titles, " | ")),
              "zvonmat | zvonmat | 123 — ожидание 00:02, попытка 1/1 | "
              "123 — ожидание 00:01, попытка 1/1 | 123 — попытки исчерпаны");
}

// The order of what one dial asks of the window: the pauses come between the lines, so the modem
// has the time it needs and nothing else runs meanwhile.
TEST(DialRun, TheDialProcedurePausesBeforeEachLine) {
    const std::string kFirstDial = "open 4; pause 500; send ATZ; pause 500; send ATDP123";
    const struct {
        std::string inputs;
        std::string trace;
    } kRows[] = {
        {"port 3; dial", "open 3; pause 500; send ATZ; pause 500; send ATDP123"},
        {"dial; dial", kFirstDial + "; pause 500; send ATDP123"},
        {"open unfinished; dial", kFirstDial},
        {"open throws; dial", "open 4"},
        {"dial; reset", kFirstDial + "; send ATZ"},
        {"dial; talk", kFirstDial + "; close"},
    };
    for (const auto& row : kRows) {
        FakeWindow window;
        DialRun run(window);
        run.ishodnoe();
        run_inputs(run, window, row.inputs);
        EXPECT_EQ(joined(window.trace, "; "), row.trace) << row.inputs;
    }
}

}  // namespace
