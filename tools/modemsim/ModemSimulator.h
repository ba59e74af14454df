#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "ModemOptions.h"
#include "platform/UniqueFd.h"

// A Hayes modem on a pseudo-terminal, for tests, benchmarks and the demo. It answers "AT" lines
// with OK and dial commands, after the dial delay, with the next configured reply. It keeps its
// own handle on the terminal's device so that the other side can close and reopen it. Everything
// runs in one poll() loop that also watches SIGINT, SIGTERM and SIGHUP; every buffer is bounded,
// and output that the other side does not take is dropped beyond a limit rather than waited for.
class ModemSimulator {
  public:
    explicit ModemSimulator(ModemOptions options);
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;
    ~ModemSimulator();

    // Creates the terminal and the link; false with `error` set when that fails.
    bool Setup(std::string& error);
    // Serves until a stop signal arrives; then removes the link. Returns the exit status.
    int Run();

  private:
    using Clock = std::chrono::steady_clock;
    struct PendingReply {
        Clock::time_point due;
        std::string text;
    };

    void HandleInput(std::string_view bytes);
    void HandleCommand(std::string_view line);
    void Send(std::string_view text);
    void Flush();
    // Writes one log record: the bytes of a line as received, escaped; `ended_by_cr` false marks
    // a piece that no CR ended (a long line goes on in the next record, or the run stopped).
    void Log(std::string_view bytes, bool ended_by_cr);
    int PollTimeoutMs() const;
    void SendDueReplies();
    void RemoveLink();

    ModemOptions options_;
    Clock::time_point start_;
    platform::UniqueFd master_;
    platform::UniqueFd slave_;
    platform::UniqueFd signals_;
    platform::UniqueFd log_;
    std::string device_name_;
    bool link_made_ = false;

    std::string line_;     // the received bytes since the last CR (or log piece), for the log
    std::string command_;  // the same line without line feeds, its first kMaxCommand bytes
    std::string output_;
    std::deque<PendingReply> pending_;
    std::size_t next_reply_ = 0;
};
