#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "serial/internal/CloseEvent.h"
#include "serial/internal/WriteThread.h"
#include "serial/support/CommFixture.h"
#include "serial/support/LogCapture.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + seed) % 251);
    }
    return bytes;
}

using Write = CommFixture;

TEST_F(Write, RequestsAreWrittenInTheOrderQueued) {
    ASSERT_TRUE(comm->OpenComm());
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        const std::string line = "ATDP" + std::to_string(i) + "\r";
        ASSERT_TRUE(Send(line));
        expected += line;
    }
    EXPECT_EQ(pty.Read(expected.size()), expected);
}

TEST_F(Write, AZeroLengthRequestSucceedsAndSendsNothing) {
    ASSERT_TRUE(comm->OpenComm());
    EXPECT_TRUE(comm->WriteCommData(nullptr, 0));
    ASSERT_TRUE(Send("X"));
    EXPECT_EQ(pty.Read(2, 500ms), "X");
}

// Far more than the terminal buffers: each block goes out in many partial writes, continued from
// the first unwritten byte, while the far end reads slowly.
TEST_F(Write, LargeBlocksAreWrittenCompletelyInParts) {
    ASSERT_TRUE(comm->OpenComm());
    std::string expected;
    for (unsigned i = 0; i < 8; ++i) {
        const std::string block = Pattern(65535, i);
        ASSERT_TRUE(Send(block));
        expected += block;
    }
    std::this_thread::sleep_for(200ms);
    const std::string got = pty.Read(expected.size(), 20000ms);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    Pump(50ms);
    EXPECT_EQ(recorder.hangup_count(), 0u);
}

TEST_F(Write, ClosingWithAWritePendingReturnsPromptlyAndFreesQueuedBlocks) {
    const std::size_t blocks_before = LiveBlockCount();
    ASSERT_TRUE(comm->OpenComm());
    for (unsigned i = 0; i < 8; ++i) {
        ASSERT_TRUE(Send(Pattern(65535, i)));
    }
    std::this_thread::sleep_for(200ms);  // the writer is now waiting for room on the line
    const auto start = Clock::now();
    comm->CloseComm();
    EXPECT_LE(Clock::now() - start, 2000ms);
    Pump(300ms);
    EXPECT_EQ(recorder.hangup_count(), 0u);
    EXPECT_EQ(LiveBlockCount(), blocks_before);
}

TEST_F(Write, WritingToAClosedPortIsRefused) {
    LogCapture log;
    EXPECT_FALSE(Send("ATZ\r"));
    EXPECT_TRUE(log.has_line("Write thread not created"));
    ASSERT_TRUE(comm->OpenComm());
    comm->CloseComm();
    EXPECT_FALSE(Send("ATZ\r"));
}

// The writer on its own, with a queue the test can post anything to.
class WriterThread : public testing::Test {
  protected:
    WriterThread() { EXPECT_TRUE(close_event.Create()); }
    // The close event stops a writer a test left running before it is joined.
    ~WriterThread() override { close_event.Set(); }

    TWriteThread& MakeWriter(int device) {
        writer = std::make_unique<TWriteThread>(device, close_event.Fd(), notify);
        return *writer;
    }

    static CommMessage Request(std::string_view text) {
        CommMessage request{REQUEST_WRITE, text.size(), NewBlock(text.size() + 1)};
        std::memcpy(request.Block.get(), text.data(), text.size());
        return request;
    }

    Pty pty;
    CloseEvent close_event;
    PostQueue notify;
    std::unique_ptr<TWriteThread> writer;
};

TEST_F(WriterThread, AnUnexpectedMessageIsIgnoredAndLaterRequestsAreWritten) {
    LogCapture log;
    TWriteThread& w = MakeWriter(pty.held_slave());
    ASSERT_TRUE(w.Queue().Post(CommMessage{4242, 0, {}}));
    ASSERT_TRUE(w.Queue().Post(Request("OK")));
    w.Resume();
    EXPECT_EQ(pty.Read(2), "OK");
    EXPECT_TRUE(log.has_line("Unexpected message posted to Write thread: 4242"));
    close_event.Set();
    EXPECT_TRUE(w.WaitFor(2000ms));
}

TEST_F(WriterThread, TheCloseEventWinsOverQueuedRequests) {
    const std::size_t blocks_before = LiveBlockCount();
    TWriteThread& w = MakeWriter(pty.held_slave());
    ASSERT_TRUE(w.Queue().Post(Request("one")));
    ASSERT_TRUE(w.Queue().Post(Request("two")));
    close_event.Set();
    w.Resume();
    ASSERT_TRUE(w.WaitFor(2000ms));
    EXPECT_FALSE(w.Queue().Post(Request("three")));
    EXPECT_EQ(LiveBlockCount(), blocks_before);
    EXPECT_EQ(pty.ReadFor(200ms), "");
    CommMessage none;
    EXPECT_FALSE(notify.Take(none));
}

// A descriptor that is not open stands for a device handle that has become invalid.
TEST_F(WriterThread, AnInvalidDescriptorEndsTheWriterWithoutAHangupRequest) {
    LogCapture log;
    TWriteThread& w = MakeWriter(1 << 20);
    ASSERT_TRUE(w.Queue().Post(Request("lost")));
    w.Resume();
    ASSERT_TRUE(w.WaitFor(2000ms));
    EXPECT_TRUE(log.has_line(
        "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port."));
    CommMessage none;
    EXPECT_FALSE(notify.Take(none));
    EXPECT_FALSE(w.Queue().Post(Request("later")));
}

}  // namespace
