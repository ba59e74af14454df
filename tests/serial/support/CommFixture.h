#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "serial/ZRTComm32.h"
#include "serial/support/CommRecorder.h"
#include "support/Pty.h"

// A component wired to a fresh pseudo-terminal, set up as the dialler sets up its port (2400 bps,
// no parity, 8 data bits, 1 stop bit), with its events recorded.
class CommFixture : public testing::Test {
  protected:
    CommFixture() : comm(std::make_unique<serial::TZRTComm32>()), recorder(*comm) {
        comm->DeviceResolver = [this](serial::TCommPort) { return pty.slave_path(); };
        comm->CommPort = serial::TCommPort::Com4;
        comm->BaudRate = serial::TBaudRate::___2400;
        comm->Parity = serial::TParity::None;
        comm->DataBits = serial::TDataBits::_8;
        comm->StopBits = serial::TStopBits::_1;
    }

    // Writes `text` through the component.
    bool Send(std::string_view text) {
        return comm->WriteCommData(text.data(), static_cast<std::uint16_t>(text.size()));
    }

    Pty pty;
    std::unique_ptr<serial::TZRTComm32> comm;
    CommRecorder recorder;
};
