#include <gtest/gtest.h>

#include <thread>

#include "serial/support/CommFixture.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using Cycles = CommFixture;

// Opening and closing with traffic both ways must leave no descriptor, thread or block behind.
TEST_F(Cycles, AThousandOpenCloseCyclesWithTrafficLeaveNothingBehind) {
    // One cycle first, so that whatever the toolkit sets up once is counted in the baseline.
    ASSERT_TRUE(comm->OpenComm());
    comm->CloseComm();
    Pump(300ms);
    const std::size_t fds_before = CountProcEntries("fd");
    const std::size_t threads_before = CountProcEntries("task");
    const std::size_t blocks_before = LiveBlockCount();

    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_TRUE(comm->OpenComm()) << cycle;
        ASSERT_TRUE(Send("ATZ\r"));
        pty.Write("\r\nOK\r\n");
        if (cycle % 40 == 0) {
            // Now and then long enough for the reply to be delivered as a chunk.
            pty.Read(4, 1000ms);
            std::this_thread::sleep_for(400ms);
        }
        comm->CloseComm();
        pty.Drain();
        if (cycle % 50 == 0) {
            Pump(10ms);
        }
    }
    Pump(300ms);
    EXPECT_GE(recorder.data_count(), 20u);
    EXPECT_EQ(CountProcEntries("fd"), fds_before);
    EXPECT_EQ(CountProcEntries("task"), threads_before);
    EXPECT_EQ(LiveBlockCount(), blocks_before);
}

TEST_F(Cycles, DestroyingTheComponentFreesUndeliveredNotifications) {
    ASSERT_TRUE(comm->OpenComm());  // see above: the baseline comes after one cycle
    comm->CloseComm();
    const std::size_t blocks_before = LiveBlockCount();
    const std::size_t threads_before = CountProcEntries("task");
    ASSERT_TRUE(comm->OpenComm());
    pty.Write("never delivered");
    std::this_thread::sleep_for(600ms);  // posted, but the event loop does not run
    EXPECT_GT(LiveBlockCount(), blocks_before);
    comm.reset();  // open: the destructor closes the port
    EXPECT_EQ(LiveBlockCount(), blocks_before);
    EXPECT_EQ(CountProcEntries("task"), threads_before);
    Pump(100ms);
    EXPECT_TRUE(recorder.events.empty());
}

}  // namespace
