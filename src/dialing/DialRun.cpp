#include "dialing/DialRun.h"

#include <utility>

#include "dialing/DialRules.h"

// The transitions, in the order a run meets them.

void DialRun::ishodnoe() {
    listener_.set_countdown_ticking(false);
    listener_.show_clock(0);
    elapsed_seconds_ = 0;
    listener_.show_attempts(attempts_text(settings_.max_attempts, settings_.max_attempts));
    attempts_left_ = settings_.max_attempts;
    listener_.show_caption(Caption::Conversation);
    state_ = State::Idle;
    modem_lost_ = false;
    modem_reply_.clear();
    listener_.run_changed();
}

void DialRun::dial_number() {
    if (!port_open_) {
        // A port that opens but does not finish opening stays unmarked, so the next dial tries
        // again; what is sent to it meanwhile goes nowhere.
        if (listener_.open_port(settings_.com_port)) {
            port_open_ = true;
            modem_lost_ = false;
        }
        listener_.pause(kModemPause);
        listener_.send(init_line(settings_.init_command));
    }
    listener_.pause(kModemPause);
    dialled_number_ = listener_.number();
    listener_.send(dial_line(settings_.dial_command, settings_.dial_prefix, dialled_number_));
    listener_.run_changed();
}

void DialRun::receive(std::string_view chunk) {
    // Only a run that waits for a reply listens: a countdown already running goes on without
    // starting again, and a spent run stays spent until the user starts a new one.
    if (state_ != State::Idle) {
        return;
    }
    if (!is_countdown_reply(chunk)) {
        // What the modem said instead (no carrier, no answer, an error, a connection) is kept
        // for the title until the user acts; OK, echoes and anything unknown change nothing.
        std::string reply = modem_result(chunk);
        if (!reply.empty() && reply != modem_reply_) {
            modem_reply_ = std::move(reply);
            listener_.run_changed();
        }
        return;
    }
    state_ = State::Waiting;
    modem_reply_.clear();
    listener_.set_countdown_ticking(true);
    listener_.run_changed();
}

void DialRun::countdown_tick() {
    if (state_ != State::Waiting) {
        return;
    }
    ++elapsed_seconds_;
    listener_.show_caption(Caption::Waiting);
    listener_.show_clock(settings_.wait_seconds - elapsed_seconds_);
    // The period ends when the count reaches the waiting time or has passed it: the time may
    // have been lowered meanwhile.
    if (elapsed_seconds_ < settings_.wait_seconds) {
        listener_.run_changed();
        return;
    }
    if (attempts_left_ > 0) {
        --attempts_left_;
    }
    listener_.show_attempts(attempts_text(settings_.max_attempts, attempts_left_));
    listener_.set_countdown_ticking(false);
    if (attempts_left_ == 0) {
        state_ = State::Spent;
        listener_.run_changed();
        return;
    }
    // Idle before dialling: a port that cannot be opened leaves the run there, with the count
    // at the waiting time, and the user starts again.
    state_ = State::Idle;
    listener_.show_clock(0);
    listener_.run_changed();  // told before the dial, which may fail to open the port
    dial_number();
    elapsed_seconds_ = 0;
    listener_.run_changed();
}

void DialRun::reset() {
    listener_.send(init_line(settings_.init_command));
    ishodnoe();
}

void DialRun::conversation_started() {
    ishodnoe();
    // No hang-up command: letting go of the port is how the modem is released. The next dial
    // opens it again and initialises the modem first.
    release_port();
    listener_.set_conversation_ticking(true);
    state_ = State::Talking;
    listener_.run_changed();
}

void DialRun::conversation_tick() {
    if (state_ != State::Talking) {
        return;
    }
    ++elapsed_seconds_;
    listener_.show_caption(Caption::Conversation);
    listener_.show_clock(elapsed_seconds_);
    listener_.run_changed();
}

void DialRun::conversation_ended() {
    listener_.set_conversation_ticking(false);
    if (state_ == State::Talking) {
        state_ = State::Idle;
    }
    listener_.run_changed();
}

void DialRun::release_port() {
    listener_.close_port();
    port_open_ = false;
}

void DialRun::port_failed() {
    const bool lost = port_open_;
    release_port();
    if (lost && !modem_lost_) {
        modem_lost_ = true;
        listener_.run_changed();
    }
}

const char* state_name(DialRun::State state) {
    switch (state) {
        case DialRun::State::Idle:
            return "Idle";
        case DialRun::State::Waiting:
            return "Waiting";
        case DialRun::State::Spent:
            return "Spent";
        case DialRun::State::Talking:
            return "Talking";
    }
    return "?";
}
