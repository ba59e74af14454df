#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <system_error>

#include "platform/UniqueFd.h"

// Follows the call journal as the dialler appends to it: each poll() tells which bytes have come
// since the last one; the file stays open for reading them. The file is only ever opened for
// reading, and a poll reads at most a few KiB, however large the file.
//
// A journal grows only at its end. When the file is replaced (another file under the name), cut
// shorter, or rewritten in place (its first bytes, or the bytes just before the end seen last,
// differ from what they were), everything is handed over again from the start; when it goes,
// nothing is left.
class JournalFollower {
  public:
    // How much of the end seen last is compared at each poll to notice a rewrite.
    static constexpr std::size_t kFingerprintBytes = 4096;

    struct Change {
        bool restart = false;            // forget what was handed over before
        std::uint64_t from = 0, to = 0;  // the bytes [from, to) are new; from 0: the whole file
        bool empty() const { return !restart && from == to; }
    };
    enum class State { Missing, Readable, Unreadable };

    explicit JournalFollower(std::string path);

    // What has changed since the last poll (everything, the first time).
    Change poll();

    // The file followed, open for reading, or -1 when there is none.
    int fd() const { return fd_.get(); }
    State state() const { return state_; }
    // Why the file could not be read, in state Unreadable.
    std::error_code error() const { return error_; }

  private:
    void forget(Change& change);
    bool unchanged(int fd) const;
    bool remember(int fd, std::uint64_t size);

    std::string path_;
    State state_ = State::Missing;
    std::error_code error_;

    platform::UniqueFd fd_;  // the file handed over so far, identified by dev_/ino_
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    std::uint64_t size_ = 0;  // bytes handed over
    std::string head_;        // its first bytes
    std::string end_;         // the bytes before size_
};
