#include "platform/TerminationSignals.h"

#include <gtest/gtest.h>

#include <QTest>
#include <csignal>
#include <vector>

namespace {

// Each signal reaches the handler on the main thread, from the event loop, not from inside the
// signal handler; a second one before the program has ended kills it as that signal would.
TEST(TerminationSignals, ArriveOnTheMainThreadAndASecondOneEndsAtOnce) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::vector<int> seen;
        platform::TerminationSignals watcher([&](int received) { seen.push_back(received); });
        ASSERT_EQ(::raise(signal), 0);
        EXPECT_TRUE(seen.empty());  // not yet: only the event loop delivers it
        EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 2000));
        EXPECT_EQ(seen, std::vector<int>{signal}) << signal;
    }
    EXPECT_EXIT(
        {
            platform::TerminationSignals watcher([](int) {});
            ::raise(SIGTERM);
            ::raise(SIGTERM);
            std::exit(0);  // not reached
        },
        testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
