#include "platform/gui/SingleInstance.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <future>

namespace {

using platform::SingleInstance;

// A later start in the same directory is not the first, and asks the first (from a thread of its
// own, as a second process would, while this thread serves the first) to raise its window.
TEST(SingleInstance, ALaterStartInItsDirectoryRaisesTheFirstsWindow) {
    QTemporaryDir dir, other;
    auto first = std::make_unique<SingleInstance>(dir.path().toStdString());
    QWidget window;
    first->onRaiseRequest([&](const auto& answer) { platform::raise_window(&window, answer); });
    EXPECT_TRUE(first->isFirst());
    EXPECT_TRUE(SingleInstance(other.path().toStdString()).isFirst());
    const SingleInstance second(dir.path().toStdString());
    EXPECT_FALSE(second.isFirst());
    auto asked = std::async(std::launch::async, [&] { return second.askToRaise(3000); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(asked.get());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &window);
    first.reset();
    EXPECT_TRUE(SingleInstance(dir.path().toStdString()).isFirst());  // held until it ends
}

}  // namespace
