#include "platform/gui/SingleInstance.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <future>

namespace {

using platform::SingleInstance;

std::string path_of(const QTemporaryDir& dir) {
    return dir.path().toStdString();
}

// Asks from a thread of its own, as a second process would, while this thread serves the first.
bool ask_to_raise(const SingleInstance& second) {
    auto asked = std::async(std::launch::async, [&] { return second.askToRaise(3000); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return asked.get();
}

TEST(SingleInstance, HoldsItsDirectoryUntilItEnds) {
    QTemporaryDir dir, other;
    auto first = std::make_unique<SingleInstance>(path_of(dir));
    EXPECT_TRUE(first->isFirst());
    EXPECT_FALSE(SingleInstance(path_of(dir)).isFirst());
    EXPECT_TRUE(SingleInstance(path_of(other)).isFirst());
    first.reset();
    EXPECT_TRUE(SingleInstance(path_of(dir)).isFirst());
    EXPECT_TRUE(SingleInstance("/no/such/dir").isFirst());  // unprotected, never refused
}

TEST(SingleInstance, LaterStartLearnsWhetherTheFirstRaisedItsWindow) {
    for (const bool raised : {true, false}) {
        SCOPED_TRACE(raised);
        QTemporaryDir dir;
        SingleInstance first(path_of(dir));
        int requests = 0;
        first.onRaiseRequest([&](const SingleInstance::Answer& answer) {
            ++requests;
            answer(raised);
        });
        EXPECT_EQ(ask_to_raise(SingleInstance(path_of(dir))), raised);
        EXPECT_EQ(requests, 1);
    }
}

TEST(SingleInstance, RaisesAndActivatesAHiddenWindow) {
    QTemporaryDir dir;
    SingleInstance first(path_of(dir));
    QWidget window;
    first.onRaiseRequest([&](const auto& answer) { platform::raise_window(&window, answer); });
    EXPECT_TRUE(ask_to_raise(SingleInstance(path_of(dir))));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &window);
}

}  // namespace
