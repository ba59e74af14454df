#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/ZRTComm32.h"
#include "serial/internal/CloseEvent.h"
#include "serial/internal/PostQueue.h"
#include "support/Pty.h"

// Records what a component raises on the main thread, in order, with the time of each event.
struct CommEvent {
    enum Kind { Data, Hangup } kind;
    std::string bytes;
    bool zero_terminated = false;
    std::chrono::steady_clock::time_point at;
};

class CommRecorder {
  public:
    explicit CommRecorder(serial::TZRTComm32& comm);

    std::vector<CommEvent> events;

    std::size_t data_count() const;
    std::size_t hangup_count() const;
    // All received bytes joined, line-error texts included.
    std::string joined() const;
    // Each event's bytes in turn, a hang-up request as "<hangup>".
    std::vector<std::string> chunks() const;
};

// Runs the main thread's event loop until `done` holds or `limit` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
// Whether `done` holds within `limit`, without running the event loop (so nothing is delivered).
bool WaitWithoutDelivering(const std::function<bool()>& done,
                           std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
// Runs the event loop for `period`.
void Pump(std::chrono::milliseconds period);

// `size` bytes of every value but in no short period, so that a lost or repeated piece shows.
inline std::string Pattern(std::size_t size, unsigned seed = 0) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + seed) % 251);
    }
    return bytes;
}

// What OpenComm raises ("no error" when it does not).
inline std::string OpenError(serial::TZRTComm32& comm) {
    try {
        comm.OpenComm();
    } catch (const serial::ECommsError& e) {
        return e.what();
    }
    return "no error";
}

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

    // `text` sent through the component reaches the far end.
    testing::AssertionResult Carries(std::string_view text = "AT\r") {
        if (!Send(text)) {
            return testing::AssertionFailure() << "the component refused to send";
        }
        const std::string got = pty.Read(text.size());
        if (got != text) {
            return testing::AssertionFailure() << "the far end read \"" << got << "\"";
        }
        return testing::AssertionSuccess();
    }

    // `text` written by the far end arrives as the next data event, on its own.
    testing::AssertionResult Delivers(const std::string& text) {
        const std::size_t count = recorder.data_count();
        const std::string before = recorder.joined();
        pty.Write(text);
        if (!WaitUntil([&] { return recorder.data_count() > count; })) {
            return testing::AssertionFailure() << "nothing delivered";
        }
        if (recorder.joined() != before + text) {
            return testing::AssertionFailure()
                   << "delivered \"" << recorder.joined().substr(before.size()) << "\"";
        }
        return testing::AssertionSuccess();
    }

    Pty pty;
    std::unique_ptr<serial::TZRTComm32> comm;
    CommRecorder recorder;
};

// A worker thread on its own: a pseudo-terminal, the close event it watches and the queue it
// posts notifications to. The close event stops a worker a test left running before it is joined.
class WorkerFixture : public testing::Test {
  protected:
    WorkerFixture() { EXPECT_TRUE(close_event.Create()); }
    ~WorkerFixture() override { close_event.Set(); }

    // The kinds of the notifications posted so far, taken off the queue.
    std::vector<unsigned> Posted() {
        std::vector<unsigned> kinds;
        for (serial::CommMessage record; notify.Take(record);) {
            kinds.push_back(record.Msg);
        }
        return kinds;
    }

    Pty pty;
    serial::CloseEvent close_event;
    serial::PostQueue notify;
};

// How the component logs a descriptor that has become invalid.
inline constexpr const char* kInvalidHandleLogged =
    "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.";
