#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

// Writes all of `bytes` to the non-blocking `fd`; fails the test when that takes longer than
// `limit`.
void WriteAll(int fd, std::string_view bytes, std::chrono::milliseconds limit);
// Whatever the non-blocking `fd` gives until `count` bytes have come or `limit` has passed.
std::string ReadUpTo(int fd, std::size_t count, std::chrono::milliseconds limit);

// A pseudo-terminal for serial tests, without flow control: the master is the far end (the
// modem), the slave's path is what the component opens. Like a real serial device, the terminal
// stays when the component closes it, because the pair keeps a handle of its own on the slave.
class Pty {
  public:
    Pty();

    int master() const { return master_.get(); }
    int held_slave() const { return slave_.get(); }
    const std::string& slave_path() const { return slave_path_; }

    // Writes all of `bytes` to the master; fails the test when that takes longer than `limit`.
    void Write(std::string_view bytes,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
        WriteAll(master(), bytes, limit);
    }
    // Whatever the master receives until `count` bytes have come or `limit` has passed.
    std::string Read(std::size_t count,
                     std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
        return ReadUpTo(master(), count, limit);
    }
    // Everything the master receives within `window`.
    std::string ReadFor(std::chrono::milliseconds window);
    // Takes whatever is there without waiting.
    std::string Drain();

    // The far end goes away: the slave is hung up.
    void CloseMaster() { master_.reset(); }

  private:
    platform::UniqueFd master_;
    platform::UniqueFd slave_;
    std::string slave_path_;
};

// The number of entries in a /proc/self directory ("fd", "task").
std::size_t CountProcEntries(const char* directory);
