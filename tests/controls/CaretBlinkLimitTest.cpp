#include "controls/CaretBlinkLimit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include "controls/ControlsTestSupport.h"

using namespace std::chrono_literals;

namespace {

int RepaintsWithin(EventCounter& paints, std::chrono::milliseconds span) {
    QApplication::processEvents();
    paints.count = 0;
    QTest::qWait(static_cast<int>(span.count()));
    return paints.count;
}

TEST(CaretBlinkLimit, TheCaretStopsBlinkingWhenIdleAndBlinksAgainAtTheNextKey) {
    const int system_flash_time = QApplication::cursorFlashTime();
    const int flash_time = 400;
    QApplication::setCursorFlashTime(flash_time);
    // Three turns of the caret fit in the span that measures it.
    const auto span = std::chrono::milliseconds(flash_time * 3 / 2);
    {
        QLineEdit field;
        field.show();
        field.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
        field.setFocus();
        EventCounter paints(&field);

        CaretBlinkLimit limit{std::chrono::milliseconds(flash_time)};
        EXPECT_GE(RepaintsWithin(paints, span), 1) << "the caret blinks at first";

        QTest::qWait(flash_time);
        ASSERT_TRUE(limit.Stopped());
        EXPECT_EQ(RepaintsWithin(paints, span), 0) << "an idle caret stays lit";

        QTest::keyClick(&field, Qt::Key_5);
        EXPECT_FALSE(limit.Stopped());
        EXPECT_EQ(field.text(), QStringLiteral("5"));
        EXPECT_GE(RepaintsWithin(paints, span), 1) << "a key brings the blinking back";

        QTest::qWait(flash_time * 2);
        ASSERT_TRUE(limit.Stopped());
    }
    EXPECT_EQ(QApplication::cursorFlashTime(), flash_time) << "the flash time is put back";
    QApplication::setCursorFlashTime(system_flash_time);
}

}  // namespace
