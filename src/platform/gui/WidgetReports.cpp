#include "platform/gui/WidgetReports.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "platform/Beep.h"
#include "platform/ErrorReport.h"

namespace platform {
namespace {

bool have_widgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void show_message_box(const QString& message) {
    if (!have_widgets()) {
        print_error(message);  // no widgets to show a box with (a tool without a GUI)
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("zvonmat"), message);
}

// A question box whose buttons answer to the first letter of their captions, as typed (Д for
// «Да», Н for «Нет» on a Russian layout), without underlining it in the caption.
class AnswerBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QString typed = event->text().toUpper();
        for (QAbstractButton* button : typed.isEmpty() ? QList<QAbstractButton*>() : buttons()) {
            if (button->text().startsWith(typed)) {
                button->click();
                return;
            }
        }
        QMessageBox::keyPressEvent(event);
    }
};

bool ask_with_message_box(const QString& question) {
    if (!have_widgets()) {
        return false;
    }
    AnswerBox box(QMessageBox::Question, QStringLiteral("zvonmat"), question, QMessageBox::NoButton,
                  QApplication::activeWindow());
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

void desktop_beep() {
    if (have_widgets()) {
        QApplication::beep();
    }
}

}  // namespace

void install_widget_reports() {
    set_error_reporter(show_message_box);
    set_beep_handler(desktop_beep);
    set_questioner(ask_with_message_box);
}

}  // namespace platform
