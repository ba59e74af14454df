#include "windows/TForm3.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextDocument>
#include <QToolButton>
#include <QValidator>
#include <QWhatsThis>
#include <algorithm>
#include <utility>

#include "controls/FormLayout.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "controls/PictureButton.h"
#include "platform/Beep.h"
#include "platform/Cp1251.h"
#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "platform/PortMap.h"
#include "platform/gui/Fonts.h"

// The font symbol of the font chooser's button, compiled in.
#include "font.xpm"

namespace {

using namespace form_layout;

const QColor kNavy{0, 0, 128};
// The text fields' "menu colour": a neutral light grey where the platform has no menu colour.
const QColor kMenu{240, 240, 240};

const QString kDefaultFace = QStringLiteral("MS Sans Serif");
constexpr int kComPixelSize = 13;  // 10 points
constexpr int kChooserPointSize = 8;

// The dynamic property that holds a control's help context number.
constexpr const char* kHelpContext = "HelpContext";

constexpr int kRussianCharset = 204;
constexpr int kAnsiCharset = 0;

// Every letter as its capital, Cyrillic too. A letter whose capital has no Windows-1251 form
// (the micro sign's is Greek) stays as it is, so that capitals never turn a stored character
// into '?'. Capitals are taken one character for one, so the caret keeps its place.
QString capitals(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        const QChar upper = c.toUpper();
        if (upper != c && platform::fromCp1251(platform::toCp1251(QStringView(&upper, 1))) ==
                              QStringView(&upper, 1)) {
            c = upper;
        }
    }
    return result;
}

// Turns whatever is typed or pasted into a text field into capitals.
class CapitalsValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        input = capitals(input);
        return Acceptable;
    }
};

// A numeric field that lets any whole number be typed, inside its range or not (300 in a field
// of 10..240 may be typed and counts as 240). Taking the value (interpretText) turns a number
// outside the range into its nearest bound and an empty field into the minimum.
class SpinEdit : public QSpinBox {
  public:
    SpinEdit(QWidget* parent, int minimum, int maximum, int step) : QSpinBox(parent) {
        setRange(minimum, maximum);
        setSingleStep(step);
    }

  protected:
    QValidator::State validate(QString& input, int& /*pos*/) const override {
        if (input.isEmpty()) {
            return QValidator::Intermediate;
        }
        if (input.size() > kMaxDigits ||
            !std::all_of(input.begin(), input.end(), [](QChar c) { return c.isDigit(); })) {
            return QValidator::Invalid;
        }
        const int value = input.toInt();
        return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                        : QValidator::Intermediate;
    }

    void fixup(QString& input) const override {
        bool ok = false;
        const int value = input.toInt(&ok);
        input = QString::number(ok ? std::clamp(value, minimum(), maximum()) : minimum());
    }

  private:
    static constexpr int kMaxDigits = 9;  // always fits an int
};

// The value the dialog takes from a numeric field, always within its range.
int takenValue(QSpinBox* field) {
    field->interpretText();
    return field->value();
}

QSpinBox* makeSpinEdit(QWidget* parent, const char* name, QRect geometry, int minimum, int maximum,
                       int step, int help_context) {
    auto* field = new SpinEdit(parent, minimum, maximum, step);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(geometry);
    field->setFont(layoutFont(kDefaultPixelSize, true));
    setColors(field, Qt::black, kSilver);
    field->setProperty(kHelpContext, help_context);
    return field;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect geometry, int help_context) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    edit->setFont(layoutFont(kDefaultPixelSize, true));
    setColors(edit, Qt::black, kMenu);
    edit->setValidator(new CapitalsValidator(edit));
    edit->setProperty(kHelpContext, help_context);
    return edit;
}

QRadioButton* makeRadioButton(QWidget* parent, const char* name, QRect geometry,
                              const QString& caption) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(layoutFont());
    setColors(button, kNavy, kGray);
    return button;
}

// Leaves only the face to choose in the toolkit's font dialog: its style and size columns and
// its effects are hidden (the size stays at the 8 points it opens with); the sample stays. The
// dialog's grid puts the face, style and size columns side by side in its first three rows.
void limitToFaces(QFontDialog& dialog) {
    if (auto* grid = dialog.findChild<QGridLayout*>(QString(), Qt::FindDirectChildrenOnly)) {
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0;
            int column = 0;
            int row_span = 0;
            int column_span = 0;
            grid->getItemPosition(i, &row, &column, &row_span, &column_span);
            if (QWidget* widget = grid->itemAt(i)->widget(); widget && row <= 2 && column > 0) {
                widget->hide();
            }
        }
    }
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
        if (box->findChild<QCheckBox*>() != nullptr) {
            box->hide();
        } else if (auto* sample = box->findChild<QLineEdit*>()) {
            // The sample takes only the room that is left over, and with the effects hidden none
            // is left beside the writing systems: it keeps the height of two of its lines.
            sample->setMinimumHeight(2 * sample->sizeHint().height());
        }
    }
}

std::optional<QFont> runFontDialog(const QFont& initial, QWidget* parent) {
    QFontDialog dialog(parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setCurrentFont(initial);
    limitToFaces(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedFont();
}

// QWhatsThis puts its pop-up near the point it is given (centred on it or below the control), not
// at it. While it lives, this moves every pop-up window being shown so that its top-left corner
// is at `at`, kept inside the screen's available area. The move happens on the show event, before
// the window appears, so the pop-up is never seen elsewhere.
class PopupPlacement : public QObject {
  public:
    PopupPlacement(const QPoint& at, QScreen* screen) : at_(at), screen_(screen) {
        qApp->installEventFilter(this);
    }
    ~PopupPlacement() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* popup = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && popup != nullptr && popup->isWindow() &&
            popup->windowType() == Qt::Popup) {
            QPoint place = at_;
            if (screen_ != nullptr) {
                const QRect area = screen_->availableGeometry();
                place.setX(
                    std::max(area.left(), std::min(place.x(), area.right() + 1 - popup->width())));
                place.setY(
                    std::max(area.top(), std::min(place.y(), area.bottom() + 1 - popup->height())));
            }
            popup->move(place);
        }
        return false;
    }

  private:
    QPoint at_;
    QPointer<QScreen> screen_;
};

void showWhatsThis(const QPoint& global_pos, const QString& topic, QWidget* control) {
    QScreen* screen =
        control != nullptr ? control->screen() : QGuiApplication::screenAt(global_pos);
    const PopupPlacement placement(global_pos, screen);
    QWhatsThis::showText(global_pos, Qt::convertFromPlainText(topic, Qt::WhiteSpaceNormal),
                         control);
}

}  // namespace

TForm3::TForm3(TSettings& settings, std::function<void()> save_to_ini, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      save_to_ini_(std::move(save_to_ini)),
      font_chooser_(runFontDialog),
      help_display_(showWhatsThis) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Установка параметров"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(kWidth, kHeight);
    setFont(layoutFont());
    platform::setFace(font_choice_, kDefaultFace);
    font_choice_.setPointSize(kChooserPointSize);
    createControls();
    platform::guarded([this] { FormCreate(); });
}

TForm3::~TForm3() = default;

void TForm3::createControls() {
    Panel1 = new Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kWidth, kHeight);
    Panel1->setColor(kGray);
    Panel1->setBevelInner(Panel::BevelCut::Lowered);

    Bevel1 = new Bevel(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(0, 96, kWidth, 2);
    Bevel1->setStyle(Bevel::BevelStyle::Raised);

    const QFont bold = layoutFont(kDefaultPixelSize, true);
    Label6 =
        makeLabel(Panel1, "Label6", {16, 8, 0, 0}, QStringLiteral("Номер порта "), kNavy, bold);
    Label8 = makeLabel(Panel1, "Label8", {16, 26, 0, 0}, QStringLiteral("COM"), kSilver,
                       layoutFont(kComPixelSize, true));
    SpinEdit3 = makeSpinEdit(Panel1, "SpinEdit3", {56, 24, 41, 22}, 1, 4, 1, 2);
    // The port's tooltip names the device behind the number, as the per-machine store maps it.
    connect(SpinEdit3, &QSpinBox::valueChanged, this,
            [this](int com) { SpinEdit3->setToolTip(portDevice(com)); });
    RadioButton1 =
        makeRadioButton(Panel1, "RadioButton1", {120, 8, 65, 17}, QStringLiteral("Pulse"));
    RadioButton2 =
        makeRadioButton(Panel1, "RadioButton2", {120, 24, 65, 17}, QStringLiteral("Tone"));
    Label10 = makeLabel(Panel1, "Label10", {192, 8, 0, 0}, QStringLiteral("Font"), kNavy, bold);

    // Screen readers call it after its label: its picture has no words.
    SpeedButton1 = new PictureButton(QPixmap(font_xpm), QStringLiteral("Font"), Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(192, 26, 33, 22);

    Label4 =
        makeLabel(Panel1, "Label4", {240, 8, 0, 0}, QStringLiteral("Ожидание (сек)"), kNavy, bold);
    SpinEdit1 = makeSpinEdit(Panel1, "SpinEdit1", {256, 24, 57, 22}, 10, 240, 10, 3);
    Label7 = makeLabel(Panel1, "Label7", {24, 48, 0, 0}, QStringLiteral("Префикс "), kNavy, bold);
    edit3 = makeEdit(Panel1, "edit3", {16, 64, 73, 21}, 4);
    Label9 =
        makeLabel(Panel1, "Label9", {104, 48, 0, 0}, QStringLiteral("Инициализация"), kNavy, bold);
    Edit4 = makeEdit(Panel1, "Edit4", {112, 64, 105, 21}, 4);
    Label5 =
        makeLabel(Panel1, "Label5", {240, 48, 0, 0}, QStringLiteral("Число попыток "), kNavy, bold);
    SpinEdit2 = makeSpinEdit(Panel1, "SpinEdit2", {264, 64, 57, 22}, 1, 10, 1, 5);

    Label1 = makeLabel(Panel1, "Label1", {80, 104, 0, 0}, QStringLiteral("Ответы модема "), kYellow,
                       bold);
    Label2 = makeLabel(Panel1, "Label2", {40, 120, 0, 0}, QStringLiteral("Занято "), kNavy, bold);
    Label3 =
        makeLabel(Panel1, "Label3", {144, 120, 0, 0}, QStringLiteral("Нет ответа"), kNavy, bold);
    Edit1 = makeEdit(Panel1, "Edit1", {16, 136, 89, 21}, 6);
    Edit2 = makeEdit(Panel1, "Edit2", {120, 136, 105, 21}, 7);
    GradButton1 =
        makeGradButton(Panel1, "GradButton1", {256, 104, 76, 26}, QStringLiteral("Выход"), kSilver);
    GradButton2 =
        makeGradButton(Panel1, "GradButton2", {256, 136, 76, 26}, QStringLiteral("ОК"), kSilver);

    // The buttons come last, so that the dialog can be finished without a mouse; Space presses
    // the focused one (Enter and Escape stay bound to none).
    const QList<QWidget*> keyboard_order = {Edit1,        Edit2,        SpinEdit1,   SpinEdit2,
                                            edit3,        SpinEdit3,    Edit4,       RadioButton1,
                                            RadioButton2, SpeedButton1, GradButton2, GradButton1};
    for (QWidget* button : keyboard_order.mid(9)) {
        button->setFocusPolicy(Qt::TabFocus);
    }
    for (qsizetype i = 1; i < keyboard_order.size(); ++i) {
        setTabOrder(keyboard_order[i - 1], keyboard_order[i]);
    }
    SpinEdit1->setFocus();

    for (QWidget* control : std::initializer_list<QWidget*>{SpinEdit1, SpinEdit2, SpinEdit3, edit3,
                                                            Edit4, Edit1, Edit2}) {
        control->installEventFilter(this);
    }
    auto* help_key = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help_key, &QShortcut::activated, this,
            [this] { platform::guarded([this] { showHelp(focusWidget()); }); });

    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { platform::guarded([this] { SpeedButton1Click(); }); });
    connect(GradButton1, &SpeedButton::clicked, this,
            platform::handler(this, &TForm3::GradButton1Click));
    connect(GradButton2, &SpeedButton::clicked, this,
            platform::handler(this, &TForm3::GradButton2Click));
}

void TForm3::setFontChooser(FontChooser chooser) {
    font_chooser_ = chooser ? std::move(chooser) : FontChooser(runFontDialog);
}

void TForm3::setHelpDisplay(HelpDisplay display) {
    help_display_ = display ? std::move(display) : HelpDisplay(showWhatsThis);
}

void TForm3::setHelpFile(HelpFile help_file) {
    help_file_ = std::move(help_file);
}

void TForm3::FormCreate() {
    set_font();
    {
        // The tooltip is set once below, whether or not the value changes: the device is not
        // looked up twice.
        const QSignalBlocker quiet(SpinEdit3);
        SpinEdit3->setValue(settings_.com_port);
    }
    SpinEdit3->setToolTip(portDevice(SpinEdit3->value()));
    (settings_.dial_command == kPulseDial ? RadioButton1 : RadioButton2)->setChecked(true);
    SpinEdit1->setValue(settings_.wait_seconds);
    SpinEdit2->setValue(settings_.max_attempts);
    edit3->setText(capitals(platform::fromCp1251(settings_.dial_prefix)));
    Edit4->setText(capitals(platform::fromCp1251(settings_.init_command)));
    Edit1->setText(capitals(platform::fromCp1251(settings_.busy_reply)));
    Edit2->setText(capitals(platform::fromCp1251(settings_.no_tone_reply)));
}

void TForm3::set_font() {
    platform::applyFace({Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label9},
                        platform::fromCp1251(settings_.font_name));
}

void TForm3::FormShow() {
    QCoreApplication::processEvents();
}

void TForm3::SpeedButton1Click() {
    const std::optional<QFont> chosen = font_chooser_(font_choice_, this);
    if (!chosen) {
        return;
    }
    font_choice_ = *chosen;
    font_choice_.setPointSize(kChooserPointSize);
    const QString family = chosen->family();
    settings_.font_name = platform::toCp1251(family);
    // Qt has no character sets: a face that covers Cyrillic stands for the Russian set.
    settings_.font_charset = QFontDatabase::writingSystems(family).contains(QFontDatabase::Cyrillic)
                                 ? kRussianCharset
                                 : kAnsiCharset;
    platform::message_beep();
}

void TForm3::GradButton1Click() {
    reject();
}

void TForm3::GradButton2Click() {
    settings_.com_port = static_cast<std::uint8_t>(takenValue(SpinEdit3));
    settings_.dial_command = RadioButton1->isChecked() ? kPulseDial : kToneDial;
    settings_.wait_seconds = takenValue(SpinEdit1);
    settings_.max_attempts = static_cast<std::uint8_t>(takenValue(SpinEdit2));
    settings_.dial_prefix = platform::toCp1251(edit3->text());
    settings_.init_command = platform::toCp1251(Edit4->text());
    settings_.busy_reply = platform::toCp1251(Edit1->text()).substr(0, kBusyReplyMax);
    settings_.no_tone_reply = platform::toCp1251(Edit2->text()).substr(0, kNoToneReplyMax);
    save_to_ini_();
    accept();
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::guarded([this] { FormShow(); });
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    // Help asked for by a click in "What's This?" mode, here or on a part of the control (the
    // text part of a numeric field).
    auto* control = qobject_cast<QWidget*>(watched);
    if (control != nullptr &&
        (event->type() == QEvent::QueryWhatsThis || event->type() == QEvent::WhatsThis)) {
        if (event->type() == QEvent::WhatsThis) {
            platform::guarded([this, control] { showHelp(control); });
        }
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::showHelp(QWidget* control) {
    for (QWidget* widget = control; widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        const QVariant context = widget->property(kHelpContext);
        if (context.isValid()) {
            QString topic = help_file_.topic(context.toInt());
            if (widget == SpinEdit3 && !topic.isEmpty()) {
                topic += QStringLiteral(
                             "\n\n%1. Другое устройство порту назначает "
                             "zvonmat-modem.")
                             .arg(portDevice(SpinEdit3->value()));
            }
            if (!topic.isEmpty()) {
                help_display_(widget->mapToGlobal(QPoint(0, 0)), topic, widget);
            }
            return;
        }
    }
}

QString TForm3::portDevice(int com) const {
    return QString::fromStdString(
        platform::port_description(com, platform::MachineStore::at_start()));
}

// The meta-object code of the classes declared in TForm3.h, compiled with this file.
#include "moc_TForm3.cpp"
