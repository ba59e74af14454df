#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "serial/internal/WriteThread.h"
#include "serial/support/CommFixture.h"
#include "serial/support/LogCapture.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

class Write : public CommFixture {
  protected:
    // Queues eight blocks of 65535 bytes, far more than the terminal buffers; what they hold.
    std::string SendBlocks() {
        std::string all;
        for (unsigned i = 0; i < 8; ++i) {
            all += Pattern(65535, i);
            EXPECT_TRUE(Send(all.substr(all.size() - 65535)));
        }
        return all;
    }
};

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

// Each block goes out in many partial writes, continued from the first unwritten byte, while the
// far end reads slowly.
TEST_F(Write, LargeBlocksAreWrittenCompletelyInParts) {
    ASSERT_TRUE(comm->OpenComm());
    const std::string expected = SendBlocks();
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
    SendBlocks();
    std::this_thread::sleep_for(200ms);  // the writer is now waiting for room on the line
    const auto start = Clock::now();
    comm->CloseComm();
    EXPECT_LE(Clock::now() - start, 2000ms);
    Pump(300ms);
    EXPECT_EQ(recorder.hangup_count(), 0u);
    EXPECT_EQ(LiveBlockCount(), blocks_before);
}

// The writer on its own, with a queue the test can post anything to.
class WriterThread : public WorkerFixture {
  protected:
    TWriteThread& MakeWriter(int device) {
        writer = std::make_unique<TWriteThread>(device, close_event.Fd(), notify);
        return *writer;
    }

    static CommMessage Request(std::string_view text) {
        CommMessage request{REQUEST_WRITE, text.size(), NewBlock(text.size() + 1)};
        std::memcpy(request.Block.get(), text.data(), text.size());
        return request;
    }

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
    EXPECT_TRUE(Posted().empty());
}

// A descriptor that is not open stands for a device handle that has become invalid.
TEST_F(WriterThread, AnInvalidDescriptorEndsTheWriterWithoutAHangupRequest) {
    LogCapture log;
    TWriteThread& w = MakeWriter(1 << 20);
    ASSERT_TRUE(w.Queue().Post(Request("lost")));
    w.Resume();
    ASSERT_TRUE(w.WaitFor(2000ms));
    EXPECT_TRUE(log.has_line(kInvalidHandleLogged));
    EXPECT_TRUE(Posted().empty());
    EXPECT_FALSE(w.Queue().Post(Request("later")));
}

}  // namespace
