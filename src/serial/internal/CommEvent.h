#pragma once

#include <cstdint>
#include <string>

#include "serial/LineErrorCounter.h"

namespace serial {

// Line-error flags as the reader reports them.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;    // input buffer overflow
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;   // character overrun
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;  // parity error
inline constexpr std::uint32_t CE_FRAME = 0x0008;     // framing error
inline constexpr std::uint32_t CE_BREAK = 0x0010;     // break received

// The flags for the counters that changed between two readings.
std::uint32_t LineErrorFlags(const LineErrorCounts& before, const LineErrorCounts& after);

// The text delivered for a line error, e.g. "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10"
// for CE_FRAME | CE_OVERRUN. Every bit other than frame, overrun and parity (input overflow and
// break among them) is reported as "EV_ERR Unknown EvtMask"; no flags give "NULL Error". The number
// is the flags, signed.
std::string CommEventText(std::uint32_t flags);

}  // namespace serial
