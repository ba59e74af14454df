#include "platform/gui/WidgetReports.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "support/Hooks.h"

namespace {

// In the first moments after start the main window is shown but not yet active: an error box
// then stands over it all the same, not where the window manager would put a box of no window.
TEST(WidgetReports, AnErrorBoxStandsOverTheMainWindowBeforeItIsActive) {
    const zvonmat_test::ScopedHooks hooks;
    platform::install_widget_reports();
    QWidget main;
    main.setGeometry(30, 40, 246, 339);
    main.show();
    QRect box;
    QTimer::singleShot(0, [&] {
        if (QWidget* shown = QApplication::activeModalWidget()) {
            box = shown->frameGeometry();
            shown->close();
        }
    });
    platform::report_error(QStringLiteral("Error opening com port"));
    EXPECT_LE((box.center() - main.frameGeometry().center()).manhattanLength(), 8)
        << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
}

TEST(WidgetReports, TheQuestionsButtonsAnswerToTheirFirstLetters) {
    const zvonmat_test::ScopedHooks restored;  // the reports as they were, afterwards
    platform::install_widget_reports();
    for (const auto& [typed, yes] : {std::pair{u"д"_qs, true}, std::pair{u"Н"_qs, false}}) {
        QTimer::singleShot(0, [typed = typed] {
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

}  // namespace
