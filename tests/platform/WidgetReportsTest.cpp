#include "platform/gui/WidgetReports.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "support/Hooks.h"

namespace {

// In the first moments after start the main window is shown but not yet active: a box then
// stands over it all the same, not where the window manager would put a box of no window. The
// question's buttons answer to their first letters.
TEST(WidgetReports, BoxesStandOverTheMainWindowAndTheQuestionAnswersToItsLetters) {
    const zvonmat_test::ScopedHooks restored;  // the reports as they were, afterwards
    platform::install_widget_reports();
    QWidget main;
    main.setGeometry(30, 40, 246, 339);
    main.show();
    QRect box;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        box = shown->frameGeometry();
        shown->close();
    });
    platform::report_error(QStringLiteral("Error opening com port"));
    EXPECT_LE((box.center() - main.frameGeometry().center()).manhattanLength(), 8)
        << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();

    for (const auto& [typed, yes] : {std::pair{u"д"_qs, true}, std::pair{u"Н"_qs, false}}) {
        QTimer::singleShot(0, [typed = typed] {
            QWidget* shown = QApplication::activeModalWidget();
            QTest::sendKeyEvent(QTest::Click, shown->focusWidget(), Qt::Key_unknown, typed, {});
            if (shown->isVisible()) {
                ADD_FAILURE() << "still asked after " << typed.toStdString();
                shown->close();
            }
        });
        EXPECT_EQ(platform::ask_yes_no(u"Выйти?"_qs), yes) << typed.toStdString();
    }
}

}  // namespace
