#include "support/MainWindowDriver.h"

#include <QToolButton>
#include <QWindow>

#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "dialing/TForm4.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace zvonmat_test {

namespace {

Control describe(const QWidget& widget) {
    Control row;
    row.name = widget.objectName();
    row.parent = widget.parentWidget() ? widget.parentWidget()->objectName() : "";
    row.kind = QString::fromLatin1(widget.metaObject()->className());
    row.geometry = widget.geometry();
    row.font = widget.font();
    row.enabled = widget.isEnabled();
    row.hidden = widget.isHidden();
    row.takes_focus = widget.focusPolicy() != Qt::NoFocus;
    row.tooltip = widget.toolTip();
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        row.text = label->text();
        row.text_color = label->palette().color(QPalette::WindowText);
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        row.text = edit->text();
        row.base_color = edit->palette().color(QPalette::Base);
        row.read_only = edit->isReadOnly();
    } else if (const auto* button = qobject_cast<const SpeedButton*>(&widget)) {
        row.is_button = true;
        row.text = button->Caption();
        row.text_color = button->FontColor();
        row.tag = button->Tag;
        row.glyph_size = button->Glyph().size();
        if (const auto* grad = qobject_cast<const TGradButton*>(&widget)) {
            row.grad_color = grad->GradColor();
            row.face_color = grad->FaceColor();
        } else if (const auto* copy = qobject_cast<const TGradButtonCopy*>(&widget)) {
            row.linked_to = copy->ButtonLink() ? copy->ButtonLink()->objectName() : "";
        }
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        row.is_button = qobject_cast<const QToolButton*>(&widget) != nullptr;
        row.text = button->text();
        row.glyph_size = button->iconSize();
    }
    if (QAccessibleInterface* described =
            QAccessible::queryAccessibleInterface(const_cast<QWidget*>(&widget))) {
        row.role = described->role();
        row.accessible_name = described->text(QAccessible::Name);
        row.accessible_description = described->text(QAccessible::Description);
        if (QAccessibleTextInterface* text = described->textInterface()) {
            row.accessible_text = text->text(0, text->characterCount());
        }
    }
    return row;
}

// Runs `inside` on the modal window that `open` brings up, once it is shown; the window is closed
// afterwards, whatever `inside` did, so that the modal loop ends.
template <class Window, class Driver>
void with_modal(const std::function<void()>& open, const std::function<void(Driver&)>& inside) {
    bool ran = false;
    QTimer::singleShot(200, [&] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            ADD_FAILURE() << "no modal " << Window::staticMetaObject.className() << " is shown";
            return;
        }
        Driver driver(*window);
        inside(driver);
        ran = true;
        window->close();
    });
    open();
    EXPECT_TRUE(ran);
}

}  // namespace

std::vector<Control> controls_of(const QWidget& window) {
    std::vector<Control> rows;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        rows.push_back(describe(*widget));
    }
    return rows;
}

MainWindowDriver::MainWindowDriver(TForm1& window) : window_(window), root_(window) {}

Control MainWindowDriver::control(const QString& name) const {
    return describe(find(name));
}

QStringList MainWindowDriver::child_names(const QString& parent) const {
    QStringList names;
    for (const QObject* child : (parent == root_.objectName() ? root_ : find(parent)).children()) {
        if (child->isWidgetType()) {
            names << child->objectName();
        }
    }
    return names;
}

void MainWindowDriver::press_key(QChar caption) {
    const qsizetype index = QStringLiteral("123456789D0#").indexOf(caption);  // RxSpeedButton1..
    if (index < 0) {
        throw std::logic_error("the keypad has no such key");
    }
    click(QStringLiteral("RxSpeedButton%1").arg(index + 1), {12, 12});
}

void MainWindowDriver::key_click(Field which, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    field(which).setFocus();
    QTest::keyClick(&field(which), key, modifiers);
}

MainWindowDriver::Field MainWindowDriver::focused_field() const {
    for (Field which : {Field::Number, Field::Subscriber}) {
        if (QApplication::focusWidget() == &field(which)) {
            return which;
        }
    }
    return Field::Other;
}

QString MainWindowDriver::press_conversation(
    int end_after_ms, const std::function<void(const Prompt&)>& while_shown) {
    QString clock_at_end;
    bool ended = false;
    QTimer::singleShot(end_after_ms, [&] {
        auto* prompt = qobject_cast<TForm4*>(QApplication::activeModalWidget());
        if (prompt == nullptr) {
            ADD_FAILURE() << "the end-of-conversation prompt is not shown";
            return;
        }
        if (while_shown) {
            while_shown({prompt->geometry(),
                         prompt->windowFlags().testFlag(Qt::FramelessWindowHint),
                         prompt->StaticText1->text()});
        }
        clock_at_end = clock();
        ended = true;
        QTest::mouseClick(prompt->GradButton1, Qt::LeftButton, {}, {20, 20});
    });
    click("GradButton2", {40, 12});
    EXPECT_TRUE(ended);
    return clock_at_end;
}

void MainWindowDriver::open_settings(const std::function<void(SettingsDialogDriver&)>& inside) {
    with_modal<TForm3>([this] { click("GradButtonCopy1", {15, 12}); }, inside);
}

void MainWindowDriver::open_phone_book(const std::function<void(PhoneBookDriver&)>& inside) {
    with_modal<TForm2>([this] { click("BitBtn2"); }, inside);
}

QStringList MainWindowDriver::quick_list() const {
    QStringList entries;
    for (int i = 0; i < list().count(); ++i) {
        entries << list().item(i)->text();
    }
    return entries;
}

void MainWindowDriver::remember_number() {
    window_.insert_to_list();
}

void MainWindowDriver::pick_from_quick_list(int row) {
    const QPoint at = list().visualItemRect(list().item(row)).center();
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, at);
    double_click_quick_list(at);
}

void MainWindowDriver::drag(QPoint from, QPoint to) {
    QWindow* handle = root_.windowHandle();
    ASSERT_NE(handle, nullptr);
    const QPoint origin = root_.pos();
    QTest::mousePress(handle, Qt::LeftButton, {}, from);
    QTest::mouseMove(handle, to - (root_.pos() - origin));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, to - (root_.pos() - origin));
}

void MainWindowDriver::activate() {
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&root_, &activate);
}

}  // namespace zvonmat_test
