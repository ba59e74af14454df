#include "platform/gui/WidgetReports.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
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

}  // namespace
