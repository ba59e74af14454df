#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <utility>

#include "serial/internal/IcountLineErrorCounter.h"
#include "serial/internal/ReadThread.h"
#include "serial/support/CommFixture.h"
#include "serial/support/InjectedLineErrors.h"
#include "serial/support/LogCapture.h"
#include "support/Hooks.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

using Receive = CommFixture;

// Bytes go out as one chunk once the line has been silent for 250 ms, or as soon as 2048 have
// come, each followed by a zero byte; every row's last chunk follows its last byte by 250 ms at
// least, and nothing comes twice.
TEST_F(Receive, ChunksEndAt2048BytesOrAfter250msOfSilence) {
    struct Row {
        const char* name;
        std::vector<std::pair<std::string, std::chrono::milliseconds>> writes;  // and pause after
        std::vector<std::string> chunks;
    };
    const std::string stream = Pattern(5000);
    const std::vector<Row> rows = {
        {"a reply followed by silence", {{"\r\nBUSY\r\n", 0ms}}, {"\r\nBUSY\r\n"}},
        {"a stream without pauses",
         {{stream, 0ms}},
         {stream.substr(0, 2048), stream.substr(2048, 2048), stream.substr(4096)}},
        {"a short pause does not split, a long one does",
         {{"AB", 20ms}, {"CD", 600ms}, {"EF", 0ms}},
         {"ABCD", "EF"}},
        {"a zero byte inside", {{std::string("NO\0CARRIER", 10), 0ms}}, {{"NO\0CARRIER", 10}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        recorder.events.clear();
        ASSERT_TRUE(comm->OpenComm());
        auto before_last_byte = Clock::now();
        for (const auto& [bytes, pause] : row.writes) {
            before_last_byte = Clock::now();
            pty.Write(bytes);
            std::this_thread::sleep_for(pause);
        }
        ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == row.chunks.size(); }));
        const auto delay = recorder.events.back().at - before_last_byte;
        EXPECT_GE(delay, 250ms);
        EXPECT_LE(delay, 2000ms);
        Pump(400ms);
        EXPECT_EQ(recorder.chunks(), row.chunks);
        for (const auto& event : recorder.events) {
            EXPECT_TRUE(event.zero_terminated);
        }
        comm->CloseComm();
    }
}

// One read takes whatever the terminal holds and the reader cuts it into chunks: however the
// reads fall, every chunk but the last is 2048 bytes, in order, nothing lost or repeated. The last
// chunk must still reach the handler when the stream stops exactly at a chunk's end, with nothing
// left for the silence rule to finish.
TEST_F(Receive, AFloodIsCutIntoWholeChunks) {
    constexpr std::size_t kChunk = TReadThread::kBufferSize;
    constexpr std::size_t kRead = TReadThread::kReadSize;
    for (const std::size_t size :
         {kChunk + 1, kRead - 1, kRead, kRead + kChunk / 2, 3 * kRead, kChunk * 67}) {
        SCOPED_TRACE(size);
        recorder.events.clear();
        ASSERT_TRUE(comm->OpenComm());
        const std::string sent = Pattern(size);
        pty.Write(sent);
        ASSERT_TRUE(WaitUntil([&] { return recorder.joined().size() == sent.size(); }));
        EXPECT_EQ(recorder.joined(), sent);
        for (std::size_t i = 0; i + 1 < recorder.events.size(); ++i) {
            EXPECT_EQ(recorder.events[i].bytes.size(), kChunk) << i;
        }
        EXPECT_EQ(recorder.events.back().bytes.size(), size % kChunk == 0 ? kChunk : size % kChunk);
        comm->CloseComm();
    }
}

TEST_F(Receive, WithoutAHandlerReceivedBlocksAreFreed) {
    const std::size_t blocks_before = LiveBlockCount();
    comm->OnReceiveData = nullptr;
    comm->OnRequestHangup = nullptr;
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("RING");
    std::this_thread::sleep_for(600ms);  // posted, not yet handled
    EXPECT_EQ(LiveBlockCount(), blocks_before + 1);
    EXPECT_TRUE(WaitUntil([&] { return LiveBlockCount() == blocks_before; }));
    EXPECT_TRUE(Carries());  // the component goes on
}

TEST_F(Receive, LineErrorsArriveAsTheirTextAheadOfTheDataThatCameWithThem) {
    auto errors = std::make_shared<InjectedLineErrors>();
    errors->Add({3, 0, 1, 0});  // errors from before the open are not reported
    comm->LineErrors = errors;
    ASSERT_TRUE(comm->OpenComm());

    pty.Write("before");
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 1; }));
    errors->Add({1, 1, 0, 0});
    pty.Write("after");
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 3; }));

    // An error in the middle of a chunk: the text goes ahead of the whole chunk.
    pty.Write("mid");
    std::this_thread::sleep_for(50ms);
    errors->Add({0, 0, 0, 1});
    pty.Write("dle");
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 5; }));

    EXPECT_EQ(recorder.chunks(),
              (std::vector<std::string>{
                  "before", "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10", "after",
                  "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1", "middle"}));
    EXPECT_TRUE(recorder.events[1].zero_terminated);
}

TEST_F(Receive, ALineErrorWithNoByteAfterItIsReportedAndABreakAsAnUnnamedError) {
    struct Row {
        const char* name;
        LineErrorCounts more;
        const char* text;
    };
    const std::vector<Row> rows = {
        {"framing error", {1, 0, 0, 0, 0}, "Comm Event: CE_FRAME, EvtMask = 8"},
        {"break", {0, 0, 0, 0, 1}, "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 16"},
        {"break with a framing error",
         {1, 0, 0, 0, 2},
         "Comm Event: CE_FRAME and EV_ERR Unknown EvtMask, EvtMask = 24"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        recorder.events.clear();
        auto errors = std::make_shared<InjectedLineErrors>();
        comm->LineErrors = errors;
        ASSERT_TRUE(comm->OpenComm());
        ASSERT_TRUE(errors->WaitForReads(1));  // the reader has taken the totals as they stand
        errors->Add(row.more);
        ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 1; }, 3000ms));
        EXPECT_EQ(recorder.events[0].bytes, row.text);
        // Reported once; bytes after it arrive as usual.
        EXPECT_TRUE(Delivers("OK"));
        comm->CloseComm();
    }
}

// Without counters (a pseudo-terminal) the reader asks once, at the start, and never wakes to
// look again: an idle port costs nothing.
TEST_F(Receive, WithoutLineErrorCountersTheReaderAsksOnceAndNeverWakesToLook) {
    LineErrorCounts counts;
    EXPECT_FALSE(IcountLineErrorCounter().Read(pty.held_slave(), counts));
    auto errors = std::make_shared<InjectedLineErrors>(false);
    comm->LineErrors = errors;
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("RING");
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 1; }));
    Pump(4 * TReadThread::kLineErrorPoll);
    EXPECT_EQ(errors->Reads(), 1);
}

TEST_F(Receive, ClosingWhileTheReaderWaitsPostsNothingAndDropsUndeliveredBytes) {
    LogCapture log;
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("partial");
    std::this_thread::sleep_for(60ms);
    comm->CloseComm();
    Pump(500ms);
    EXPECT_TRUE(recorder.events.empty());
    // Stopped in order: the reader has ended before the writer is asked to stop. The close event
    // is shared, so the writer may well be on its way out already.
    EXPECT_TRUE(LoggedInOrder(log.lines(), {"Stopping the Comm", "Closing Read Thread ",
                                            "Read thread shutting down", "Closing Write Thread"}));
    EXPECT_TRUE(log.has_line("Write thread shutting down"));
    EXPECT_EQ(log.output(), std::vector<std::string>{"Time to Exit"});
}

// Data of an opening that CloseComm has ended never reaches the handler: neither what was posted
// while the main thread was busy (its block is freed) nor, in a flood, what was read after the
// close began. The next opening delivers its own bytes.
TEST_F(Receive, NoDataOfAnOpeningArrivesOnceCloseCommHasReturned) {
    const std::size_t blocks_before = LiveBlockCount();
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("CONNECT");
    std::this_thread::sleep_for(700ms);  // the chunk is posted; the main thread is busy
    comm->CloseComm();
    EXPECT_EQ(LiveBlockCount(), blocks_before);
    ASSERT_TRUE(comm->OpenComm());
    EXPECT_TRUE(Delivers("again"));
    EXPECT_EQ(recorder.chunks(), std::vector<std::string>{"again"});
    comm->CloseComm();

    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const std::string bytes = Pattern(4096);
        while (!stop) {
            if (::write(pty.master(), bytes.data(), bytes.size()) < 0) {
                std::this_thread::sleep_for(100us);
            }
        }
    });
    int late = 0;
    for (int i = 0; i < 200; ++i) {
        recorder.events.clear();
        ASSERT_TRUE(comm->OpenComm());
        ASSERT_TRUE(WaitUntil([&] { return !recorder.events.empty(); }));
        comm->CloseComm();
        const std::size_t at_close = recorder.data_count();
        Pump(2ms);  // a hang-up request may still come: the reader met the close between reads
        late += recorder.data_count() != at_close;
    }
    stop = true;
    flood.join();
    EXPECT_EQ(late, 0);
}

// In a steady stream too slow to fill a read, each full chunk reaches the handler at once, not
// when the stream pauses.
TEST_F(Receive, EachFullChunkOfASlowSteadyStreamArrivesAtOnce) {
    constexpr std::size_t kChunk = TReadThread::kBufferSize;
    constexpr std::size_t kChunks = 3;
    const std::string sent = Pattern(kChunks * kChunk + kChunk / 2);
    std::vector<Clock::time_point> chunk_written(kChunks);
    ASSERT_TRUE(comm->OpenComm());
    std::thread writer([&] {
        auto next = Clock::now();
        for (std::size_t i = 0; i < sent.size(); ++i) {
            pty.Write(sent.substr(i, 1));
            if ((i + 1) % kChunk == 0) {
                chunk_written[i / kChunk] = Clock::now();
            }
            next += 200us;
            std::this_thread::sleep_until(next);
        }
    });
    const bool arrived = WaitUntil([&] { return recorder.data_count() >= kChunks; }, 10s);
    writer.join();
    ASSERT_TRUE(arrived);
    for (std::size_t i = 0; i < kChunks; ++i) {
        EXPECT_EQ(recorder.events[i].bytes, sent.substr(i * kChunk, kChunk)) << i;
        EXPECT_LE(recorder.events[i].at - chunk_written[i], 100ms) << i;
    }
}

TEST_F(Receive, TheFarEndVanishingEndsTheThreadsWithAHangupRequest) {
    LogCapture log;
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("BYE");
    std::this_thread::sleep_for(100ms);
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return recorder.hangup_count() >= 1; }));
    // What had arrived is still delivered, ahead of the hang-up request.
    ASSERT_GE(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.chunks()[0], "BYE");
    EXPECT_EQ(recorder.chunks()[1], "<hangup>");

    // The writer learns of it at its next write and asks for a hang-up too; after that, writing is
    // refused. The component stays open until the owner closes it.
    const std::size_t hangups = recorder.hangup_count();
    ASSERT_TRUE(Send("ATH\r"));
    ASSERT_TRUE(WaitUntil([&] { return recorder.hangup_count() > hangups; }));
    ASSERT_TRUE(WaitUntil([&] { return !Send("x"); }));
    EXPECT_TRUE(log.has_line("Failed to Post to Write thread. "));
    EXPECT_EQ(OpenError(*comm), "Already have a comm file open");
    comm->CloseComm();
    EXPECT_EQ(recorder.data_count(), 1u);
}

// A flood while the main thread does not run its event loop fills the notify queue: the reader
// ends, and its hang-up request still reaches the owner, after the data queued before it, with
// the link reported failed. Closing and opening again brings the link back.
TEST_F(Receive, AFloodThatFillsTheQueueEndsTheReaderWithAHangupRequestAfterTheData) {
    constexpr std::size_t kChunks = 4;
    comm->SetNotifyCapacity(kChunks);
    bool failed_at_hangup = false;
    auto record = comm->OnRequestHangup;
    comm->OnRequestHangup = [&](TZRTComm32* sender) {
        failed_at_hangup = sender->LinkFailed();
        record(sender);
    };
    ASSERT_TRUE(comm->OpenComm());
    pty.Write(Pattern((kChunks + 1) * TReadThread::kBufferSize));
    ASSERT_TRUE(WaitWithoutDelivering([&] { return comm->LinkFailed(); }));

    ASSERT_TRUE(WaitUntil([&] { return recorder.hangup_count() >= 1; }));
    ASSERT_EQ(recorder.events.size(), kChunks + 1);
    EXPECT_EQ(recorder.joined(), Pattern(kChunks * TReadThread::kBufferSize));
    EXPECT_EQ(recorder.events.back().kind, CommEvent::Hangup);
    EXPECT_TRUE(failed_at_hangup);

    comm->CloseComm();
    ASSERT_TRUE(comm->OpenComm());
    EXPECT_FALSE(comm->LinkFailed());
    EXPECT_TRUE(Delivers("OK"));
}

TEST_F(Receive, AnExceptionFromTheHandlerIsReportedAndLaterRecordsStillArrive) {
    zvonmat_test::ScopedHooks hooks;
    int calls = 0;
    comm->OnReceiveData = [&](const void*, std::uint16_t) {
        if (++calls == 1) {
            throw std::runtime_error("handler failed");
        }
    };
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("one");
    ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
    pty.Write("two");
    EXPECT_TRUE(WaitUntil([&] { return calls == 2; }));
    EXPECT_EQ(hooks.errors, QStringList{QStringLiteral("handler failed")});
}

// The reader on its own, posting to a queue the test reads.
class ReaderThread : public WorkerFixture {
  protected:
    TReadThread& MakeReader(int device) {
        reader = std::make_unique<TReadThread>(device, close_event.Fd(), notify,
                                               std::make_shared<IcountLineErrorCounter>());
        return *reader;
    }

    std::unique_ptr<TReadThread> reader;
};

TEST_F(ReaderThread, TheCloseEventWinsOverDataAlreadyWaiting) {
    termios raw{};
    ASSERT_EQ(::tcgetattr(pty.held_slave(), &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(pty.held_slave(), TCSANOW, &raw), 0);
    pty.Write("waiting");
    close_event.Set();
    TReadThread& r = MakeReader(pty.held_slave());
    r.Resume();
    ASSERT_TRUE(r.WaitFor(2000ms));
    // Stopped before it ever waited: a hang-up request, and none of the bytes.
    EXPECT_EQ(Posted(), std::vector<unsigned>{NOTIFY_HANGUP});
}

TEST_F(ReaderThread, AnInvalidDescriptorEndsTheReaderWithAHangupRequest) {
    LogCapture log;
    TReadThread& r = MakeReader(1 << 20);
    r.Resume();
    ASSERT_TRUE(r.WaitFor(2000ms));
    EXPECT_EQ(Posted(), std::vector<unsigned>{NOTIFY_HANGUP});
    EXPECT_TRUE(log.has_line(kInvalidHandleLogged));
}

}  // namespace
