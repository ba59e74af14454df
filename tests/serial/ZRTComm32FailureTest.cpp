#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

#include "serial/support/CommFixture.h"
#include "serial/support/InjectedLineErrors.h"
#include "serial/support/LogCapture.h"
#include "support/Hooks.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using FailurePaths = CommFixture;

TEST_F(FailurePaths, ACloseEventThatCannotBeMadeLeavesThePortClosedAndALaterOpenWorks) {
    LogCapture log;
    const std::size_t fds_before = CountProcEntries("fd");
    {
        zvonmat_test::ScopedHooks hooks;
        hooks.fail_close_event([] { return EMFILE; });
        EXPECT_FALSE(comm->OpenComm());
    }
    EXPECT_TRUE(
        log.has_line("Unable to CreateEvent: GetLastError returned: \"Too many open files\""));
    EXPECT_EQ(CountProcEntries("fd"), fds_before);
    EXPECT_FALSE(Send("x"));
    // Closed again: another component may have the device.
    TZRTComm32 other;
    other.DeviceResolver = comm->DeviceResolver;
    EXPECT_TRUE(other.OpenComm());
    other.CloseComm();

    ASSERT_TRUE(comm->OpenComm());
    EXPECT_TRUE(Carries());
}

// A thread that cannot be started leaves the port held: every open is refused as already open
// until CloseComm, after which the port opens and works.
TEST_F(FailurePaths, AThreadThatCannotStartHoldsThePortUntilClosed) {
    struct Row {
        const char* name;
        int failing_start;  // the reader is started first, then the writer
        const char* error;
    };
    const std::vector<Row> rows = {
        {"reader", 1, "Unable to create Read thread"},
        {"writer", 2, "Unable to create Write thread"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t fds_before = CountProcEntries("fd");
        const std::size_t threads_before = CountProcEntries("task");
        {
            int starts = 0;
            zvonmat_test::ScopedHooks hooks;
            hooks.fail_thread_starts([&] { return ++starts == row.failing_start ? EAGAIN : 0; });
            EXPECT_EQ(OpenError(*comm), row.error);
        }
        EXPECT_EQ(OpenError(*comm), "Already have a comm file open");
        EXPECT_EQ(OpenError(*comm), "Already have a comm file open");
        EXPECT_FALSE(Send("x"));
        comm->CloseComm();
        EXPECT_EQ(CountProcEntries("fd"), fds_before);
        EXPECT_EQ(CountProcEntries("task"), threads_before);

        ASSERT_TRUE(comm->OpenComm());
        EXPECT_TRUE(Carries());
        EXPECT_TRUE(Delivers("OK"));
        comm->CloseComm();
    }
}

// The reader is held inside the line-error counter, so it cannot see the close event: CloseComm
// gives it ThreadStopLimit, says so and tells it to terminate, then waits for it. The counter is
// let go only once that has been said, so the order holds however loaded the machine is.
TEST_F(FailurePaths, AReaderThatDoesNotEndInTimeIsToldToTerminateAndThenWaitedFor) {
    auto errors = std::make_shared<InjectedLineErrors>();
    comm->LineErrors = errors;
    comm->ThreadStopLimit = 100ms;
    ASSERT_TRUE(comm->OpenComm());
    errors->Hold();
    ASSERT_TRUE(errors->WaitUntilHeld());

    zvonmat_test::ScopedHooks hooks;
    hooks.record_debug_log([&](std::string_view line) {
        if (line == "Read thread not exiting.  Terminating it.") {
            errors->Release();
        }
    });
    const auto start = std::chrono::steady_clock::now();
    comm->CloseComm();
    const auto took = std::chrono::steady_clock::now() - start;
    const std::vector<std::string> lines = hooks.debug_lines();

    EXPECT_GE(took, comm->ThreadStopLimit);
    EXPECT_TRUE(
        LoggedInOrder(lines, {"Closing Read Thread ", "Read thread not exiting.  Terminating it.",
                              "Read thread shutting down", "Closing Write Thread"}));
    EXPECT_FALSE(hooks.has_debug_line("Write thread not exiting.  Terminating it."));
    ASSERT_TRUE(comm->OpenComm());
    EXPECT_TRUE(Carries());
}

// Counters that could be read at the start and then fail are a failed line-error check: the bytes
// already read are delivered, the reader says why it stops before it asks for the hang-up.
TEST_F(FailurePaths, FailingLineErrorCountersEndTheReaderAfterTheBytesAlreadyRead) {
    auto errors = std::make_shared<InjectedLineErrors>();
    comm->LineErrors = errors;
    zvonmat_test::ScopedHooks hooks;
    std::atomic<int> failed_when_said{-1};
    hooks.record_debug_log([&](std::string_view line) {
        if (line.starts_with("Unable HandleCommEvent: ")) {
            failed_when_said = comm->LinkFailed();
        }
    });
    ASSERT_TRUE(comm->OpenComm());
    ASSERT_TRUE(errors->WaitForReads(1));  // the reader has started
    const int reads = errors->Reads();
    pty.Write("par");
    // Read: the reader has asked at its wake and after its read, and the terminal holds nothing.
    ASSERT_TRUE(WaitWithoutDelivering([&] {
        int waiting = -1;
        return errors->Reads() >= reads + 2 && ::ioctl(pty.held_slave(), FIONREAD, &waiting) == 0 &&
               waiting == 0;
    }));
    errors->Fail(EIO);
    ASSERT_TRUE(WaitUntil([&] { return recorder.hangup_count() >= 1; }));
    EXPECT_EQ(recorder.chunks().front(), "par");
    EXPECT_EQ(recorder.data_count(), 1u);
    EXPECT_TRUE(hooks.has_debug_line(
        "Unable HandleCommEvent: GetLastError returned: \"Input/output error\""));
    EXPECT_EQ(failed_when_said, 0);
}

// A hang-up notice of a failed opening that is delivered only after CloseComm, or after the port
// has been opened again, finds LinkFailed() false, so an owner that closes a failed link (as the
// dialler does) leaves the healthy one alone.
TEST_F(FailurePaths, ALeftoverHangupFindsTheLinkHealthyAndLeavesANewOpeningAlone) {
    struct Row {
        const char* name;
        bool reopen;
    };
    const std::vector<Row> rows = {{"after CloseComm", false}, {"after a reopen", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Pty failing;
        std::string path = failing.slave_path();
        comm->DeviceResolver = [&path](TCommPort) { return path; };
        int hangups = 0;
        int torn_down = 0;
        comm->OnRequestHangup = [&](TZRTComm32* sender) {
            ++hangups;
            if (sender->LinkFailed()) {
                ++torn_down;
                sender->CloseComm();
            }
        };
        ASSERT_TRUE(comm->OpenComm());
        failing.CloseMaster();
        ASSERT_TRUE(WaitWithoutDelivering([&] { return comm->LinkFailed(); }));
        comm->CloseComm();
        EXPECT_FALSE(comm->LinkFailed());
        if (row.reopen) {
            path = pty.slave_path();
            ASSERT_TRUE(comm->OpenComm());
        }
        // The reader may post its notice twice (at the failed read and as it leaves); each finds
        // the link healthy.
        ASSERT_TRUE(WaitUntil([&] { return hangups >= 1; }));
        Pump(100ms);
        EXPECT_EQ(torn_down, 0);
        if (row.reopen) {
            EXPECT_FALSE(comm->LinkFailed());
            EXPECT_TRUE(Carries());
            comm->CloseComm();
        } else {
            EXPECT_FALSE(Send("x"));
        }
    }
}

}  // namespace
