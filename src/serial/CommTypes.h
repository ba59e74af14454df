#pragma once

#include <cstdint>

namespace serial {

// The line properties of TZRTComm32. The enumerators keep the component's published names; each
// TBaudRate value is its rate padded with leading underscores to seven characters.
enum class TCommPort : std::uint8_t { Com1, Com2, Com3, Com4 };

enum class TBaudRate : std::uint8_t {
    ____110,
    ____300,
    ____600,
    ___1200,
    ___2400,
    ___4800,
    ___9600,
    __14400,
    __19200,
    __38400,
    __56000,
    _128000,
    _256000,
};

enum class TParity : std::uint8_t { None, Odd, Even, Mark, Space };

enum class TDataBits : std::uint8_t { _4, _5, _6, _7, _8 };

enum class TStopBits : std::uint8_t { _1, _1_5, _2 };

// Bits per second for each TBaudRate, in declaration order.
inline constexpr unsigned kBaudRateValues[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                               14400, 19200, 38400, 56000, 128000, 256000};

constexpr unsigned BaudRateValue(TBaudRate rate) {
    return kBaudRateValues[static_cast<unsigned>(rate)];
}

}  // namespace serial
