#include "platform/gui/WidgetReports.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "platform/Beep.h"
#include "platform/ErrorReport.h"

namespace platform {
namespace {

bool have_widgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// The window a box belongs over: the active one, or else the first shown window. Right after
// start the main window is shown but not yet active.
QWidget* owner_window() {
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() &&
            (window->windowType() == Qt::Window || window->windowType() == Qt::Dialog)) {
            return window;
        }
    }
    return nullptr;
}

// A message box that places itself, centred over its owner (over the screen when there is none
// yet: the main window will be centred there). Left to it, a window manager puts a box whose
// owner has not been mapped yet wherever it likes, often in a corner of the screen.
class PlacedMessageBox : public QMessageBox {
  public:
    PlacedMessageBox(Icon icon, const QString& text)
        : QMessageBox(icon, QStringLiteral("zvonmat"), text, NoButton, owner_window()) {}

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // sizes the box to its text
        const QWidget* owner = parentWidget();
        const QRect over = owner != nullptr      ? owner->frameGeometry()
                           : screen() != nullptr ? screen()->availableGeometry()
                                                 : QRect();
        if (over.isValid()) {
            move(over.center() - rect().center());
        }
    }
};

void show_box(QMessageBox::Icon icon, const QString& message) {
    if (!have_widgets()) {
        print_error(message);  // no widgets to show a box with (a tool without a GUI)
        return;
    }
    PlacedMessageBox box(icon, message);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void show_message_box(const QString& message) {
    show_box(QMessageBox::Critical, message);
}

void show_information_box(const QString& message) {
    show_box(QMessageBox::Information, message);
}

// A question box whose buttons answer to the first letter of their captions, as typed (Д for
// «Да», Н for «Нет» on a Russian layout), without underlining it in the caption.
class AnswerBox : public PlacedMessageBox {
  public:
    using PlacedMessageBox::PlacedMessageBox;

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
    AnswerBox box(QMessageBox::Question, question);
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
    set_informer(show_information_box);
}

}  // namespace platform
