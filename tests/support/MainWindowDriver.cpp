#include "support/MainWindowDriver.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "dialing/TForm4.h"
#include "serial/ZRTComm32.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace zvonmat_test {

namespace {

// The keypad's captions, in the order of its keys' names (RxSpeedButton1 ..).
const QString kKeypad = QStringLiteral("123456789D0#");

void click(QWidget& button, QPoint at = {12, 12}) {
    QTest::mouseClick(&button, Qt::LeftButton, {}, at);
}

Control describe(const QWidget& widget) {
    Control row;
    row.name = widget.objectName();
    row.parent = widget.parentWidget() != nullptr ? widget.parentWidget()->objectName() : QString();
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
        }
        if (const auto* copy = qobject_cast<const TGradButtonCopy*>(&widget)) {
            row.linked_to = copy->ButtonLink() != nullptr ? copy->ButtonLink()->objectName() : "";
        }
    } else if (const auto* tool = qobject_cast<const QToolButton*>(&widget)) {
        row.is_button = true;
        row.glyph_size = tool->iconSize();
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

}  // namespace

template <class T>
T& MainWindowDriver::find(const char* name) const {
    T* found = window_.findChild<T*>(QLatin1String(name));
    if (found == nullptr) {
        throw std::logic_error(std::string("the main window has no ") + name);
    }
    return *found;
}

QLineEdit& MainWindowDriver::field(Field which) const {
    return find<QLineEdit>(which == Field::Subscriber ? "ComboEdit1" : "Comboedit2");
}

QListWidget& MainWindowDriver::list() const {
    return find<QListWidget>("ListBox1");
}

std::vector<Control> MainWindowDriver::controls() const {
    std::vector<Control> rows;
    for (const QWidget* widget : window_.findChildren<QWidget*>()) {
        rows.push_back(describe(*widget));
    }
    return rows;
}

Control MainWindowDriver::control(const QString& name) const {
    return describe(find<QWidget>(name.toLatin1().constData()));
}

QStringList MainWindowDriver::child_names(const QString& parent) const {
    const QWidget& widget =
        parent == window_.objectName() ? window_ : find<QWidget>(parent.toLatin1().constData());
    QStringList names;
    for (const QObject* child : widget.children()) {
        if (child->isWidgetType()) {
            names << child->objectName();
        }
    }
    return names;
}

void MainWindowDriver::type_number(const QString& text) {
    field(Field::Number).setText(text);
}

void MainWindowDriver::type_subscriber(const QString& text) {
    field(Field::Subscriber).setText(text);
}

void MainWindowDriver::press_key(QChar caption) {
    const qsizetype index = kKeypad.indexOf(caption);
    if (index < 0) {
        throw std::logic_error("the keypad has no such key");
    }
    const QByteArray name = "RxSpeedButton" + QByteArray::number(index + 1);
    click(find<SpeedButton>(name.constData()));
}

void MainWindowDriver::key_click(Field which, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QLineEdit& target = field(which);
    target.setFocus();
    QTest::keyClick(&target, key, modifiers);
}

QString MainWindowDriver::number() const {
    return field(Field::Number).text();
}

QString MainWindowDriver::subscriber() const {
    return field(Field::Subscriber).text();
}

bool MainWindowDriver::number_has_selection() const {
    return field(Field::Number).hasSelectedText();
}

int MainWindowDriver::number_cursor() const {
    return field(Field::Number).cursorPosition();
}

MainWindowDriver::Field MainWindowDriver::focused_field() const {
    const QWidget* focus = QApplication::focusWidget();
    if (focus == &field(Field::Number)) {
        return Field::Number;
    }
    return focus == &field(Field::Subscriber) ? Field::Subscriber : Field::Other;
}

void MainWindowDriver::press_auto_dial() {
    click(find<SpeedButton>("GradButton1"), {40, 12});
}

void MainWindowDriver::press_reset() {
    click(find<SpeedButton>("GradButtonCopy2"), {20, 12});
}

void MainWindowDriver::press_journal() {
    click(find<SpeedButton>("GradButtonCopy3"), {40, 12});
}

void MainWindowDriver::press_exit() {
    click(find<SpeedButton>("GradButton3"), {44, 12});
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
        click(*prompt->GradButton1, {20, 20});
    });
    click(find<SpeedButton>("GradButton2"), {40, 12});
    EXPECT_TRUE(ended);
    return clock_at_end;
}

void MainWindowDriver::open_settings(const std::function<void(SettingsDialogDriver&)>& inside) {
    with_modal<TForm3>(
        [this] {
            click(find<SpeedButton>("GradButtonCopy1"), {15, 12});
        },
        [&](TForm3& dialog) {
            SettingsDialogDriver driver(dialog);
            inside(driver);
        });
}

void MainWindowDriver::open_phone_book(const std::function<void(PhoneBookDriver&)>& inside) {
    with_modal<TForm2>([this] { QTest::mouseClick(&find<QToolButton>("BitBtn2"), Qt::LeftButton); },
                       [&](TForm2& book) {
                           PhoneBookDriver driver(book);
                           inside(driver);
                       });
}

void MainWindowDriver::press_quick_list() {
    QTest::mouseClick(&find<QToolButton>("BitBtn1"), Qt::LeftButton);
}

bool MainWindowDriver::quick_list_shown() const {
    return list().isVisible();
}

QStringList MainWindowDriver::quick_list() const {
    QStringList entries;
    for (int i = 0; i < list().count(); ++i) {
        entries << list().item(i)->text();
    }
    return entries;
}

void MainWindowDriver::set_quick_list(const QStringList& entries) {
    list().clear();
    list().addItems(entries);
}

void MainWindowDriver::remember_number() {
    window_.insert_to_list();
}

void MainWindowDriver::pick_from_quick_list(int row) {
    const QPoint at = list().visualItemRect(list().item(row)).center();
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, at);
}

void MainWindowDriver::double_click_quick_list(QPoint at) {
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, at);
}

void MainWindowDriver::right_click_quick_list(QPoint at) {
    QTest::mouseClick(list().viewport(), Qt::RightButton, {}, at);
}

bool MainWindowDriver::quick_list_has_selection() const {
    return !list().selectedItems().isEmpty();
}

QString MainWindowDriver::clock() const {
    return find<QLabel>("Label1").text();
}

QString MainWindowDriver::caption() const {
    return find<QLabel>("Label3").text();
}

QString MainWindowDriver::attempts() const {
    return find<QLabel>("Label5").text();
}

QString MainWindowDriver::title() const {
    return window_.windowTitle();
}

bool MainWindowDriver::countdown_ticking() const {
    return find<QTimer>("Timer1").isActive();
}

bool MainWindowDriver::conversation_ticking() const {
    return find<QTimer>("Timer2").isActive();
}

std::vector<int> MainWindowDriver::tick_intervals() const {
    return {find<QTimer>("Timer1").interval(), find<QTimer>("Timer2").interval()};
}

void MainWindowDriver::drag(QPoint from, QPoint to) {
    QWindow* handle = window_.windowHandle();
    ASSERT_NE(handle, nullptr);
    const QPoint origin = window_.pos();
    QTest::mousePress(handle, Qt::LeftButton, {}, from);
    QTest::mouseMove(handle, to - (window_.pos() - origin));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, to - (window_.pos() - origin));
}

void MainWindowDriver::activate() {
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&window_, &activate);
}

bool MainWindowDriver::shown() const {
    return window_.isVisible();
}

serial::TZRTComm32& MainWindowDriver::port() const {
    return find<serial::TZRTComm32>("Comm321");
}

void MainWindowDriver::route_port_to(const std::string& device) {
    port().DeviceResolver = [device](serial::TCommPort) { return device; };
}

}  // namespace zvonmat_test
