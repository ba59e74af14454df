#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "dialing/DialRules.h"

// One dialling run as a plain state machine: it dials, watches the modem's replies for a busy
// line or a missing dial tone, counts down the waiting time and redials until the attempts are
// used up, and it keeps the clock while a conversation is timed. It owns no timer, no port and no
// widget: its inputs are calls made by the main window (clicks, received chunks, the ticks of the
// two one-second clocks) and its outputs are calls on a Listener, which the window implements by
// driving the port, its timers and its displays. Everything runs on the main thread.
//
//   Idle     nothing counts: before a dial, while a dial awaits its reply, after a redial
//   Waiting  a busy or no-dial-tone reply came: the countdown ticks towards the next redial
//   Spent    the last waiting period has ended; replies are ignored until a new run
//   Talking  the port is let go and the conversation clock ticks until the prompt is closed
class DialRun {
  public:
    enum class State { Idle, Waiting, Spent, Talking };

    // The clock's caption: whose time the clock shows.
    enum class Caption { Conversation, Waiting };

    // What the run reads of the settings, at each use. Texts are Windows-1251 bytes.
    struct Settings {
        // 1..4 select COM1..COM4; anything else keeps the last port.
        std::uint8_t com_port = kDefaultComPort;
        std::string init_command{kDefaultInitCommand};
        std::string dial_command{kDefaultDialCommand};
        std::string dial_prefix;
        std::int32_t wait_seconds = kDefaultWaitSeconds;
        std::uint8_t max_attempts = kDefaultMaxAttempts;
    };

    // The world around the run. The calls come in the order the window must carry them out.
    class Listener {
      public:
        virtual ~Listener() = default;
        // Opens the configured port. Returns whether it finished opening; throws when the port
        // cannot be opened at all, which ends the dial there.
        virtual bool open_port(std::uint8_t com_port) = 0;
        virtual void close_port() = 0;
        // Hands a line to the port; a closed port sends nothing.
        virtual void send(std::string_view line) = 0;
        // Blocks the caller: the modem needs the time, and what arrives meanwhile waits.
        virtual void pause(std::chrono::milliseconds length) = 0;
        // The number field's text as it stands now: a redial dials whatever it holds then.
        virtual std::string number() = 0;

        // Starting and stopping the one-second ticks of the countdown and of the conversation.
        virtual void set_countdown_ticking(bool on) = 0;
        virtual void set_conversation_ticking(bool on) = 0;

        // The displays: the clock (a number of seconds, shown as MM:SS), its caption and the
        // attempt display (N/K).
        virtual void show_clock(std::int32_t seconds) = 0;
        virtual void show_caption(Caption caption) = 0;
        virtual void show_attempts(std::string_view text) = 0;

        // Called after each input that may have changed the state, the clock, the attempts or
        // the number dialled, so that whatever shows the run as a whole can follow it.
        virtual void run_changed() {}
    };

    static constexpr std::chrono::milliseconds kModemPause{500};

    explicit DialRun(Listener& listener) : listener_(listener) {}

    State state() const { return state_; }
    const Settings& settings() const { return settings_; }

    // The engine's variables. port_open: the run opened the port and nothing has closed it since.
    // elapsed_seconds: the seconds counted by whichever clock runs. attempts_left: the waiting
    // periods that may still end in a redial.
    bool port_open() const { return port_open_; }
    std::int32_t elapsed_seconds() const { return elapsed_seconds_; }
    std::uint8_t attempts_left() const { return attempts_left_; }
    // The number of the last dial line sent (whatever the number field held then); empty until
    // the first dial.
    const std::string& dialled_number() const { return dialled_number_; }
    // The port the run had opened failed (the modem went away) and has not been opened since,
    // nor the run started again.
    bool modem_lost() const { return modem_lost_; }
    // The modem's last result code that started nothing while the run waited for a reply
    // (NO CARRIER, NO ANSWER, ERROR, CONNECT ..., RING: see modem_result()); empty again at the
    // next reset, which every dial starts with, and when a countdown starts.
    const std::string& modem_reply() const { return modem_reply_; }

    // Inputs.
    void settings_changed(const Settings& settings) {
        settings_ = settings;
        listener_.run_changed();
    }
    // Resets the run: no countdown, clock "00:00", attempt display N/0, caption "conversation".
    void ishodnoe();
    // Dials the number: opens the port first if the run has not (then pauses and initialises the
    // modem), pauses, sends the dial line. An error opening the port leaves it at that. The
    // auto-dial button starts a run with ishodnoe() and then dials.
    void dial_number();
    // "Reset": the init line (a closed port sends nothing), then a new run that dials nothing.
    void reset();
    // A chunk of received bytes: a busy or no-dial-tone reply starts the countdown; another
    // result code is kept as the modem's reply.
    void receive(std::string_view chunk);
    // A second of the countdown, or of the conversation.
    void countdown_tick();
    void conversation_tick();
    // The conversation: the run ends, the port is let go and the conversation clock starts;
    // then, once the prompt is closed, the clock stops and the run is idle with the port closed.
    void conversation_started();
    void conversation_ended();
    // The port is let go from outside the run (the settings are being changed) or has failed
    // (its threads ended). A countdown goes on; the next dial opens the port again.
    void release_port();
    // The port's threads ended on a failure: let go as above; a port the run had opened counts
    // as the modem lost, which the run tells until the port opens again or a new run starts.
    void port_failed();

  private:
    Listener& listener_;
    Settings settings_;
    State state_ = State::Idle;
    bool port_open_ = false;
    std::int32_t elapsed_seconds_ = 0;
    std::uint8_t attempts_left_ = 0;
    std::string dialled_number_;
    bool modem_lost_ = false;
    std::string modem_reply_;
};

const char* state_name(DialRun::State state);
