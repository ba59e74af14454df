#pragma once

#include <cstdint>

namespace serial {

// Running totals of the line errors a device has met since it was set up.
struct LineErrorCounts {
    std::uint32_t Frame = 0;
    std::uint32_t Overrun = 0;
    std::uint32_t Parity = 0;
    std::uint32_t BufferOverrun = 0;
    std::uint32_t Break = 0;  // breaks received

    friend bool operator==(const LineErrorCounts&, const LineErrorCounts&) = default;
};

// Where the reader learns of line errors: it reads the totals when it starts; when they can be
// had, it reads them again whenever it wakes (for bytes, for the silence rule, for a hang-up, and
// at least every TReadThread::kLineErrorPoll) and after every read that brought bytes, and
// reports each change. Kept behind an interface so that tests can inject errors that a
// pseudo-terminal never has. Called from the reader thread only.
class LineErrorCounter {
  public:
    virtual ~LineErrorCounter() = default;

    // Fills `counts` for the open device `fd`; false when the device keeps no such counters.
    virtual bool Read(int fd, LineErrorCounts& counts) = 0;
};

}  // namespace serial
