#include "TForm1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <iterator>
#include <utility>

#include "Beep.h"
#include "Cp1251.h"
#include "DialRules.h"
#include "ErrorReport.h"
#include "FileNames.h"
#include "Fonts.h"
#include "FormLayout.h"
#include "Gradbtns.h"
#include "Image.h"
#include "Journal.h"
#include "Label.h"
#include "MachineStore.h"
#include "Panel.h"
#include "QuickList.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"
#include "UserKey.h"

// The pictures, compiled in.
#include "background_picture.h"
#include "book.xpm"
#include "journal.xpm"
#include "phone.xpm"
#include "reset.xpm"

namespace {

using namespace form_layout;

// Hands a line to the writer thread; it returns at once. A closed port sends nothing.
void send_line(serial::TZRTComm32& comm, const std::string& line) {
    comm.WriteCommData(line.data(), static_cast<std::uint16_t>(line.size()));
}

// CommPort for a configured port number; anything but 1..4 leaves the port as it was.
void preselect_port(serial::TZRTComm32& comm, std::uint8_t com_port) {
    if (com_port >= 1 && com_port <= 4) {
        comm.CommPort = static_cast<serial::TCommPort>(com_port - 1);
    }
}

const QColor kLime{0, 255, 0};
const QColor kAzure{240, 251, 255};
const QColor kPaleGreen{192, 220, 192};

constexpr int kDefaultPixelSize = 11;
constexpr int kListRowHeight = 13;
constexpr int kCornerEllipse = 150;

// A rounded rectangle as the platform's region call makes it: the rectangle minus what lies
// outside four corner ellipses of ew x eh.
QRegion roundRectRegion(int width, int height, int ew, int eh) {
    QRegion region(ew / 2, 0, width - ew, height);
    region += QRegion(0, eh / 2, width, height - eh);
    region += QRegion(0, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(width - ew, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(0, height - eh, ew, eh, QRegion::Ellipse);
    region += QRegion(width - ew, height - eh, ew, eh, QRegion::Ellipse);
    return region;
}

TGradButtonCopy* makeCopyButton(QWidget* parent, const char* name, QRect geometry,
                                const QString& caption) {
    auto* button = new TGradButtonCopy(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setFont(layoutFont());
    button->setFontColor(kYellow);
    button->setAllowAllUp(true);
    return button;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, QRect geometry, const QColor& base) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    edit->setFrame(false);
    edit->setFont(layoutFont());
    setColors(edit, Qt::black, base);
    edit->setAttribute(Qt::WA_NoMousePropagation);
    return edit;
}

// A caption cell: a disabled, read-only field that shows a fixed text.
QLineEdit* makeCaptionCell(QWidget* parent, const char* name, QRect geometry,
                           const QString& caption, const QColor& base) {
    QLineEdit* edit = makeEdit(parent, name, geometry, base);
    edit->setText(caption);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Text, kGray);
    edit->setPalette(palette);
    // A disabled cell lies on the window's surface like a label: presses on it drag the window.
    edit->setAttribute(Qt::WA_NoMousePropagation, false);
    return edit;
}

QToolButton* makePictureButton(QWidget* parent, const char* name, QRect geometry,
                               const char* const* glyph) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    const QPixmap pixmap(glyph);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(pixmap.size());
    return button;
}

// The background is kept as packed palette indices: building it costs a copy, where decoding
// an image file would cost more than the rest of the window's start-up.
QPixmap backgroundPicture() {
    using namespace background_picture;
    QImage image(kWidth, kHeight, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(std::begin(kPalette), std::end(kPalette)));
    const int stride = (kWidth + 1) / 2;
    for (int y = 0; y < kHeight; ++y) {
        const unsigned char* packed = kPixels + y * stride;
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char pair = packed[x / 2];
            line[x] = (x % 2 == 0) ? pair >> 4 : pair & 0x0f;
        }
    }
    return QPixmap::fromImage(std::move(image));
}

// Rows of the quick-dial list are a fixed 13 pixels high, whatever the font.
class FixedRowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kListRowHeight};
    }
};

}  // namespace

void dial_number(TForm1& form) {
    if (!form.port_open) {
        preselect_port(*form.Comm321, form.settings.com_port);
        if (form.Comm321->OpenComm()) {
            form.port_open = true;
        }
        // The pauses block the window on purpose: the modem needs the time, and whatever
        // arrives meanwhile waits in the queue.
        QThread::msleep(500);
        send_line(*form.Comm321, init_line(form.settings.init_command));
    }
    QThread::msleep(500);
    send_line(*form.Comm321, dial_line(form.settings.dial_command, form.settings.dial_prefix,
                                       platform::toCp1251(form.Comboedit2->text())));
}

TForm1::TForm1(QWidget* parent) : TForm1(platform::MachineStore::load(), parent) {}

TForm1::TForm1(const platform::MachineStore& store, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("zvonmat"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);
    setFont(layoutFont());
    setColors(this, Qt::black, Qt::black);
    createControls();
    platform::guarded([&] { FormCreate(store); });
}

// The rounded region goes with the window; nothing else needs releasing by hand.
TForm1::~TForm1() = default;

void TForm1::createControls() {
    using Cut = TPanel::TBevelCut;

    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 245, 340);
    Image1->setPicture(backgroundPicture());

    Panel1 = makePanel(this, "Panel1", {24, 128, 201, 137}, Qt::black, Cut::Raised, Cut::Lowered);
    Bevel1 = new TBevel(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(104, 24, 89, 28);
    Bevel1->setStyle(TBevel::TBevelStyle::Raised);
    Label1 = makeLabel(Panel1, "Label1", {110, 26, 45, 24}, QStringLiteral("00:00"), kLime,
                       layoutFont(19));
    Label2 = makeLabel(Panel1, "Label2", {160, 32, 29, 13}, QStringLiteral("(м:с)"), kLime,
                       layoutFont(kDefaultPixelSize, true));
    Label3 = makeLabel(Panel1, "Label3", {104, 8, 74, 13}, QStringLiteral("Время разгов."), kYellow,
                       layoutFont());
    GradButtonCopy1 =
        makeCopyButton(Panel1, "GradButtonCopy1", {160, 104, 34, 25}, QStringLiteral("Set"));
    GradButtonCopy2 =
        makeCopyButton(Panel1, "GradButtonCopy2", {103, 104, 50, 25}, QStringLiteral("Сброс"));
    GradButtonCopy2->setGlyph(QPixmap(reset_xpm));
    GradButtonCopy3 =
        makeCopyButton(Panel1, "GradButtonCopy3", {103, 77, 90, 25}, QStringLiteral("Журнал"));
    GradButtonCopy3->setGlyph(QPixmap(journal_xpm));
    Label4 = makeLabel(Panel1, "Label4", {104, 58, 45, 13}, QStringLiteral("Попыток"), kYellow,
                       layoutFont());
    Label5 = makeLabel(Panel1, "Label5", {160, 56, 22, 16}, QStringLiteral("0/0"), kLime,
                       layoutFont(13, true));

    struct Key {
        TGradButton* TForm1::*button;
        const char* name;
        const char* caption;
        int left;
        int top;
        int tag;
    };
    static constexpr Key kKeypad[] = {
        {&TForm1::RxSpeedButton1, "RxSpeedButton1", "1", 8, 8, 1},
        {&TForm1::RxSpeedButton2, "RxSpeedButton2", "2", 40, 8, 2},
        {&TForm1::RxSpeedButton3, "RxSpeedButton3", "3", 72, 8, 3},
        {&TForm1::RxSpeedButton4, "RxSpeedButton4", "4", 8, 40, 4},
        {&TForm1::RxSpeedButton5, "RxSpeedButton5", "5", 40, 40, 5},
        {&TForm1::RxSpeedButton6, "RxSpeedButton6", "6", 72, 40, 6},
        {&TForm1::RxSpeedButton7, "RxSpeedButton7", "7", 8, 72, 7},
        {&TForm1::RxSpeedButton8, "RxSpeedButton8", "8", 40, 72, 8},
        {&TForm1::RxSpeedButton9, "RxSpeedButton9", "9", 72, 72, 9},
        {&TForm1::RxSpeedButton10, "RxSpeedButton10", "D", 8, 104, 0},
        {&TForm1::RxSpeedButton11, "RxSpeedButton11", "0", 40, 104, 0},
        {&TForm1::RxSpeedButton12, "RxSpeedButton12", "#", 72, 104, 0},
    };
    for (const Key& key : kKeypad) {
        TGradButton* button = makeGradButton(Panel1, key.name, {key.left, key.top, 25, 25},
                                             QLatin1String(key.caption), Qt::black);
        button->setFaceColor(kGray);
        button->setAllowAllUp(true);
        button->Tag = key.tag;
        this->*key.button = button;
    }

    Panel2 = makePanel(this, "Panel2", {32, 272, 184, 25}, Qt::black, Cut::None, Cut::None);
    GradButton1 = makeGradButton(Panel2, "GradButton1", {0, 0, 92, 25},
                                 QStringLiteral("Автодозвон"), kSilver);
    GradButton2 =
        makeGradButton(Panel2, "GradButton2", {91, 0, 94, 25}, QStringLiteral("Разговор"), kSilver);
    Panel3 = makePanel(this, "Panel3", {80, 304, 89, 25}, kSilver, Cut::None, Cut::None);
    GradButton3 =
        makeGradButton(Panel3, "GradButton3", {0, 0, 89, 25}, QStringLiteral("Выход"), kGray);
    for (TGradButtonCopy* copy : {GradButtonCopy1, GradButtonCopy2, GradButtonCopy3}) {
        copy->setButtonLink(GradButton1);
    }

    Edit1 = makeCaptionCell(this, "Edit1", {27, 75, 62, 21}, QStringLiteral("Абонент"), kAzure);
    Edit2 = makeCaptionCell(this, "Edit2", {27, 95, 62, 21}, QStringLiteral("Телефон"), kPaleGreen);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(88, 116, 113, 134);
    ListBox1->setFont(layoutFont());
    ListBox1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new FixedRowDelegate(ListBox1));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setAttribute(Qt::WA_NoMousePropagation);
    setColors(ListBox1, Qt::black, kPaleGreen);
    ListBox1->hide();

    Comboedit2 = makeEdit(this, "Comboedit2", {88, 95, 113, 21}, kPaleGreen);
    ComboEdit1 = makeEdit(this, "ComboEdit1", {88, 75, 113, 21}, kAzure);

    Panel4 = makePanel(this, "Panel4", {201, 76, 21, 40}, kSilver, Cut::None, Cut::None);
    BitBtn1 = makePictureButton(Panel4, "BitBtn1", {-1, 21, 22, 20}, book_xpm);
    BitBtn2 = makePictureButton(Panel4, "BitBtn2", {-1, 0, 22, 20}, phone_xpm);

    Comm321 = new serial::TZRTComm32(this);
    Comm321->setObjectName(QStringLiteral("Comm321"));
    Comm321->CommPort = serial::TCommPort::Com4;
    Comm321->BaudRate = serial::TBaudRate::___2400;
    Comm321->Parity = serial::TParity::None;
    Comm321->DataBits = serial::TDataBits::_8;
    Comm321->StopBits = serial::TStopBits::_1;
    Comm321->OnReceiveData = [this](const void* buffer, std::uint16_t length) {
        Comm321ReceiveData(buffer, length);
    };
    Comm321->OnRequestHangup = [this](serial::TZRTComm32*) {
        platform::guarded([this] { Comm321RequestHangup(); });
    };

    // Both clocks tick once a second; a coarse timer may be several per cent off, which a
    // countdown of minutes would show.
    for (QTimer** timer : {&Timer1, &Timer2}) {
        *timer = new QTimer(this);
        (*timer)->setInterval(1000);
        (*timer)->setTimerType(Qt::PreciseTimer);
    }
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2->setObjectName(QStringLiteral("Timer2"));

    setTabOrder(ListBox1, Comboedit2);
    setTabOrder(Comboedit2, ComboEdit1);
    Comboedit2->setFocus();

    for (TGradButton* key :
         {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3, RxSpeedButton4, RxSpeedButton5,
          RxSpeedButton6, RxSpeedButton7, RxSpeedButton8, RxSpeedButton9, RxSpeedButton11}) {
        connect(key, &TSpeedButton::clicked, this,
                [this, key] { platform::guarded([&] { RxSpeedButtonDigitClick(key); }); });
    }
    connect(RxSpeedButton10, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::RxSpeedButton10Click));
    connect(BitBtn1, &QToolButton::clicked, this, platform::handler(this, &TForm1::BitBtn1Click));
    ListBox1->viewport()->installEventFilter(this);
    connect(GradButton3, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton3Click));
    connect(GradButton1, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton1Click));
    connect(GradButtonCopy2, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy2Click));
    connect(Timer1, &QTimer::timeout, this, platform::handler(this, &TForm1::Timer1Timer));
    connect(GradButton2, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton2Click));
    connect(Timer2, &QTimer::timeout, this, platform::handler(this, &TForm1::Timer2Timer));
    connect(GradButtonCopy3, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy3Click));
    connect(BitBtn2, &QToolButton::clicked, this, platform::handler(this, &TForm1::BitBtn2Click));
    connect(GradButtonCopy1, &TSpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy1Click));
}

void TForm1::FormCreate(const platform::MachineStore& store) {
    QCoreApplication::processEvents();
    load_key_user(store);

    window_region = roundRectRegion(width(), height(), kCornerEllipse, kCornerEllipse);
    setMask(*window_region);
    Image1->setClipShape(*window_region);

    work_dir = current_work_dir();
    settings = read_settings(settings_path(work_dir, user_key));
    setfont();
    Comm321->DeviceResolver = [store](serial::TCommPort port) {
        return store.port_device(int(port) + 1);
    };
    preselect_port(*Comm321, settings.com_port);
    load_quick_list();
}

void TForm1::load_quick_list() {
    ListBox1->clear();
    for (const std::string& entry : read_quick_list(quick_list_path(work_dir, user_key))) {
        ListBox1->addItem(platform::fromCp1251(entry));
    }
}

void TForm1::load_key_user(const platform::MachineStore& store) {
    user_key = ::load_key_user(store);
}

void TForm1::FormShow() {
    QCoreApplication::processEvents();
}

void TForm1::FormActivate() {
    Label5->setText(QString::number(settings.max_attempts) + QStringLiteral("/0"));
    ishodnoe();
}

void TForm1::setfont() {
    // Qt picks the character set from the text itself; only the face is applied.
    const QString face = platform::fromCp1251(settings.font_name);
    const QString family = platform::installedFace(face);
    const QList<QWidget*> controls = {GradButton1,     GradButton2, GradButton3, GradButtonCopy2,
                                      GradButtonCopy3, Label3,      Label4,      Edit1,
                                      Edit2,           ComboEdit1};
    for (QWidget* control : controls) {
        QFont font = control->font();
        font.setFamily(family);
        control->setFont(font);
    }
}

void TForm1::save_to_ini() {
    write_settings(settings, settings_path(work_dir, user_key));
}

void TForm1::ishodnoe() {
    Timer1->stop();
    Label1->setText(QStringLiteral("00:00"));
    elapsed_seconds = 0;
    Label5->setText(QString::number(settings.max_attempts) + QStringLiteral("/0"));
    attempts_left = settings.max_attempts;
    Label3->setText(QStringLiteral("Время разгов."));
}

void TForm1::insert_to_list() {
    const QString number = Comboedit2->text();
    const bool empty_list = ListBox1->count() == 0;
    if (!number.isEmpty() && (empty_list || ListBox1->item(0)->text() != number)) {
        ListBox1->insertItem(0, number);
    }
    if (ListBox1->count() > int(kQuickListMax)) {
        delete ListBox1->takeItem(int(kQuickListMax));
    }
}

void TForm1::RxSpeedButtonDigitClick(const TSpeedButton* key) {
    Comboedit2->setText(Comboedit2->text() + QString::number(key->Tag));
}

void TForm1::RxSpeedButton10Click() {
    Comboedit2->setText(
        Comboedit2->text().chopped(std::min<qsizetype>(1, Comboedit2->text().size())));
}

void TForm1::BitBtn1Click() {
    list_shown = !list_shown;
    ListBox1->setVisible(list_shown);
}

void TForm1::ListBox1DblClick() {
    // Without a selected entry there is nothing to take.
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    list_shown = false;
    ComboEdit1->clear();
    Comboedit2->setText(selected.front()->text());
    ListBox1->hide();
}

void TForm1::ListBox1MouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ListBox1->hide();
        list_shown = false;
    }
}

// Every way of closing the window runs the exit sequence, the exit button's as well as the
// window manager's or the session's: the list is saved and the port let go.
void TForm1::GradButton1Click() {
    insert_to_list();
    ishodnoe();
    dial_number(*this);
}

void TForm1::GradButtonCopy2Click() {
    // Nothing is sent while the port is closed; the reset happens all the same.
    send_line(*Comm321, init_line(settings.init_command));
    ishodnoe();
}

void TForm1::Comm321ReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    if (!is_countdown_reply({static_cast<const char*>(Buffer), BufferLength}) || run_spent()) {
        return;
    }
    // A countdown already running goes on; it does not start again.
    if (!Timer1->isActive()) {
        Timer1->start();
    }
}

void TForm1::Comm321RequestHangup() {
    // A notification left over from an earlier opening of the port finds the link healthy.
    if (Comm321->LinkFailed()) {
        Comm321->CloseComm();
        port_open = false;
    }
}

bool TForm1::run_spent() const {
    return !Timer1->isActive() && attempts_left == 0 && elapsed_seconds > 0 &&
           elapsed_seconds >= settings.wait_seconds;
}

void TForm1::Timer1Timer() {
    ++elapsed_seconds;
    Label3->setText(QStringLiteral("Время ожидан."));
    cifir(settings.wait_seconds - elapsed_seconds);
    // The period ends when the count reaches the waiting time or has passed it (the time may
    // have been lowered meanwhile).
    if (elapsed_seconds < settings.wait_seconds) {
        return;
    }
    if (attempts_left > 0) {
        --attempts_left;
    }
    Label5->setText(QString::fromLatin1(attempts_text(settings.max_attempts, attempts_left)));
    Timer1->stop();
    if (attempts_left != 0) {
        cifir(0);
        dial_number(*this);
        elapsed_seconds = 0;
    }
}

void TForm1::GradButton2Click() {
    ishodnoe();
    // No hang-up command: letting go of the port is how the dialler releases the modem. The next
    // dial opens it again and initialises the modem first.
    Comm321->CloseComm();
    port_open = false;
    Timer2->start();
    {
        TForm4 prompt;
        prompt.move(pos() + QPoint(Panel1->x(), 215));
        prompt.resize(Panel1->width(), prompt.height());
        prompt.repaint();
        prompt.exec();
        prompt.hide();
    }
    // The clock stops with the prompt, whether or not the record can be written.
    const auto stop_clock = qScopeGuard([this] { Timer2->stop(); });
    const std::time_t end = now();
    const std::string record =
        journal_record(short_date_text(end), platform::toCp1251(Comboedit2->text()),
                       platform::toCp1251(ComboEdit1->text()), long_time_text(end),
                       platform::toCp1251(Label1->text()));
    append_journal_record(journal_path(work_dir, user_key), record);
}

void TForm1::Timer2Timer() {
    ++elapsed_seconds;
    Label3->setText(QStringLiteral("Время разгов."));
    cifir(elapsed_seconds);
}

void TForm1::GradButtonCopy3Click() {
    // The journal opens in the desktop's viewer for its type; the path is an argument, never
    // seen by a shell. A journal that does not exist yet is handed over all the same, and a
    // viewer that cannot be started is not reported.
    QProcess::startDetached(QStringLiteral("xdg-open"),
                            {QFile::decodeName(journal_path(work_dir, user_key).c_str())});
}

void TForm1::BitBtn2Click() {
    TForm2 book(Comboedit2, ComboEdit1, work_dir, user_key);
    book.move(pos() + QPoint(Panel1->x(), Panel1->y() - 55));
    book.repaint();
    book.exec();
    book.hide();
}

void TForm1::GradButtonCopy1Click() {
    // The port is let go first, so that the next dial opens the port configured then.
    Comm321->CloseComm();
    port_open = false;
    {
        TForm3 dialog(settings, [this] { save_to_ini(); });
        dialog.move(pos() + QPoint(-45, 68));
        dialog.repaint();
        dialog.exec();
        dialog.hide();
    }
    // A font chosen in the dialog applies even when it was left without confirming.
    setfont();
}

void TForm1::cifir(std::int32_t seconds) {
    Label1->setText(QString::fromLatin1(cifir_text(seconds)));
}

void TForm1::GradButton3Click() {
    close();
}

void TForm1::exit_sequence() {
    save_quick_list();
    Comm321->CloseComm();
}

void TForm1::save_quick_list() {
    std::vector<std::string> entries;
    entries.reserve(std::size_t(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i) {
        entries.push_back(platform::toCp1251(ListBox1->item(i)->text()));
    }
    write_quick_list(quick_list_path(work_dir, user_key), entries);
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool done = false;
    platform::guarded([&] {
        exit_sequence();
        done = true;
    });
    // When the list cannot be saved the error has been shown and the window stays open.
    if (done) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            platform::guarded([this] { ListBox1DblClick(); });
        } else if (event->type() == QEvent::MouseButtonPress) {
            const auto button = static_cast<QMouseEvent*>(event)->button();
            platform::guarded([this, button] { ListBox1MouseDown(button); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event) {
    // Only the first activation counts: later ones come back from the modal windows or from
    // other programs and must not reset the dialling run.
    if (event->type() == QEvent::WindowActivate && !activated_once_) {
        activated_once_ = true;
        platform::guarded([this] { FormActivate(); });
    }
    return QWidget::event(event);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_once_) {
        shown_once_ = true;
        if (const QScreen* screen = this->screen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
        platform::guarded([this] { FormShow(); });
    }
}

void TForm1::paintEvent(QPaintEvent*) {
    // The window paints its own outline too, for compositors that ignore the mask.
    QPainter painter(this);
    if (window_region) {
        painter.setClipRegion(*window_region);
    }
    painter.fillRect(rect(), Qt::black);
}

// Only the window's own surface drags: the background picture and the caption cells lying on
// it. Panels, fields and the list keep their presses to themselves.
void TForm1::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !window_region ||
        !window_region->contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    if (QWindow* window = windowHandle(); window && window->startSystemMove()) {
        return;
    }
    drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    if (drag_offset_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *drag_offset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_offset_.reset();
    }
    QWidget::mouseReleaseEvent(event);
}
