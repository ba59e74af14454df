#include "platform/gui/WidgetReports.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "support/Hooks.h"

TEST(WidgetReportsTest, TheQuestionsButtonsAnswerToTheirFirstLetters) {
    const zvonmat_test::ScopedHooks restored;  // the reports as they were, afterwards
    platform::install_widget_reports();
    for (const auto& [typed, yes] : {std::pair{u"д"_qs, true}, std::pair{u"Н"_qs, false}}) {
        QTimer::singleShot(0, [typed] {
            QWidget* box = QApplication::activeModalWidget();
            QTest::sendKeyEvent(QTest::Click, box->focusWidget(), Qt::Key_unknown, typed, {});
            if (box->isVisible()) {
                ADD_FAILURE() << "still asked after " << typed.toStdString();
                box->close();
            }
        });
        EXPECT_EQ(platform::ask_yes_no(u"Выйти?"_qs), yes) << typed.toStdString();
    }
}
