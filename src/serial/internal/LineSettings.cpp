#include "serial/internal/LineSettings.h"

#include <termios.h>

#include "serial/internal/LineRate.h"

namespace serial {

namespace {

// The Bxxx constant of a rate, or B0 for the rates that only termios2 can set.
speed_t StandardSpeed(TBaudRate rate) {
    switch (rate) {
        case TBaudRate::____110:
            return B110;
        case TBaudRate::____300:
            return B300;
        case TBaudRate::____600:
            return B600;
        case TBaudRate::___1200:
            return B1200;
        case TBaudRate::___2400:
            return B2400;
        case TBaudRate::___4800:
            return B4800;
        case TBaudRate::___9600:
            return B9600;
        case TBaudRate::__19200:
            return B19200;
        case TBaudRate::__38400:
            return B38400;
        case TBaudRate::__14400:
        case TBaudRate::__56000:
        case TBaudRate::_128000:
        case TBaudRate::_256000:
            break;
    }
    return B0;
}

tcflag_t CharacterSize(TDataBits data_bits) {
    switch (data_bits) {
        case TDataBits::_5:
            return CS5;
        case TDataBits::_6:
            return CS6;
        case TDataBits::_7:
            return CS7;
        case TDataBits::_4:
        case TDataBits::_8:
            break;
    }
    return CS8;
}

}  // namespace

LineSettings::LineSettings() = default;
LineSettings::~LineSettings() = default;

bool LineSettings::Save(int fd) {
    auto settings = std::make_unique<termios>();
    if (::tcgetattr(fd, settings.get()) != 0) {
        saved_.reset();
        return false;
    }
    saved_ = std::move(settings);
    return true;
}

void LineSettings::Restore(int fd) const {
    if (saved_) {
        termios settings = *saved_;
        settings.c_cflag |= HUPCL;
        ::tcsetattr(fd, TCSANOW, &settings);
    }
}

void LineSettings::Apply(int fd, TBaudRate rate, TParity parity, TDataBits data_bits,
                         TStopBits stop_bits) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return;
    }
    const bool rate_set = Configure(settings, rate, parity, data_bits, stop_bits);
    ::tcsetattr(fd, TCSANOW, &settings);
    if (!rate_set) {
        SetExactLineRate(fd, BaudRateValue(rate));
    }
}

bool LineSettings::Configure(termios& settings, TBaudRate rate, TParity parity, TDataBits data_bits,
                             TStopBits stop_bits) {
    // Flow control stays as the device had it, software (which raw mode would clear in part) and
    // hardware alike.
    constexpr tcflag_t kInputFlow = IXON | IXOFF | IXANY;
    const tcflag_t input_flow = settings.c_iflag & kInputFlow;
    const tcflag_t line_flow = settings.c_cflag & CRTSCTS;
    ::cfmakeraw(&settings);
    settings.c_iflag = (settings.c_iflag & ~kInputFlow) | input_flow;
    settings.c_cflag = (settings.c_cflag & ~CRTSCTS) | line_flow | CLOCAL | CREAD | HUPCL;

    const speed_t speed = StandardSpeed(rate);
    if (speed != B0) {
        ::cfsetispeed(&settings, speed);
        ::cfsetospeed(&settings, speed);
    }

    settings.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
        case TParity::None:
            break;
        case TParity::Odd:
            settings.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            settings.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            settings.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TParity::Space:
            settings.c_cflag |= PARENB | CMSPAR;
            break;
    }

    settings.c_cflag &= ~CSIZE;
    settings.c_cflag |= CharacterSize(data_bits);

    if (stop_bits == TStopBits::_1) {
        settings.c_cflag &= ~CSTOPB;
    } else {
        settings.c_cflag |= CSTOPB;
    }
    return speed != B0;
}

}  // namespace serial
