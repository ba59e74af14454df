#include "app/TForm1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "controls/FormLayout.h"
#include "controls/Gradbtns.h"
#include "controls/Image.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "dialing/DialRules.h"
#include "dialing/Journal.h"
#include "dialing/RunTitle.h"
#include "dialing/TForm4.h"
#include "platform/Beep.h"
#include "platform/Cp1251.h"
#include "platform/ErrorReport.h"
#include "platform/Files.h"
#include "platform/MachineStore.h"
#include "platform/Notification.h"
#include "platform/gui/Fonts.h"
#include "settings/FileNames.h"
#include "settings/UserKey.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

const QString kLeaveUnsaved = QStringLiteral("Список номеров не сохранён. Выйти без сохранения?");
const QString kNoJournalYet = QStringLiteral("Журнала ещё нет: ни один разговор пока не записан.");

// CommPort for a configured port number; anything but 1..4 leaves the port as it was.
void preselect_port(serial::TZRTComm32& comm, std::uint8_t com_port) {
    if (com_port >= 1 && com_port <= 4) {
        comm.CommPort = static_cast<serial::TCommPort>(com_port - 1);
    }
}

constexpr int kCornerEllipse = 150;

}  // namespace

void dial_number(TForm1& form) {
    form.run_.dial_number();
}

TForm1::TForm1(QWidget* parent) : TForm1(platform::MachineStore::at_start(), parent) {}

TForm1::TForm1(const platform::MachineStore& store, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("zvonmat"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);
    setFont(form_layout::layoutFont());
    form_layout::setColors(this, Qt::black, Qt::black);
    createControls();
    connectHandlers();
    settingsChanged();  // the built-in values, until the settings file has been read
    // The data files stay in the current directory even when start-up stops before taking it.
    work_dir = current_work_dir();
    platform::guarded([&] { FormCreate(store); });
    // The list is loaded even when an error has stopped start-up early: leaving saves the list,
    // and would save an empty one over the user's.
    platform::guarded([this] { load_quick_list(); });
}

// The rounded region goes with the window; nothing else needs releasing by hand.
TForm1::~TForm1() = default;

void TForm1::connectHandlers() {
    Comm321->OnReceiveData = [this](const void* buffer, std::uint16_t length) {
        Comm321ReceiveData(buffer, length);
    };
    Comm321->OnRequestHangup = [this](serial::TZRTComm32*) {
        platform::guarded([this] { Comm321RequestHangup(); });
    };
    for (TGradButton* key :
         {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3, RxSpeedButton4, RxSpeedButton5,
          RxSpeedButton6, RxSpeedButton7, RxSpeedButton8, RxSpeedButton9, RxSpeedButton11}) {
        connect(key, &SpeedButton::clicked, this,
                [this, key] { platform::guarded([&] { RxSpeedButtonDigitClick(key); }); });
    }
    connect(RxSpeedButton10, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::RxSpeedButton10Click));
    connect(BitBtn1, &QToolButton::clicked, this, platform::handler(this, &TForm1::BitBtn1Click));
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->installEventFilter(this);
    connect(GradButton3, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton3Click));
    connect(GradButton1, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton1Click));
    connect(GradButtonCopy2, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy2Click));
    connect(Timer1, &QTimer::timeout, this, platform::handler(this, &TForm1::Timer1Timer));
    connect(GradButton2, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButton2Click));
    connect(Timer2, &QTimer::timeout, this, platform::handler(this, &TForm1::Timer2Timer));
    connect(GradButtonCopy3, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy3Click));
    connect(BitBtn2, &QToolButton::clicked, this, platform::handler(this, &TForm1::BitBtn2Click));
    connect(GradButtonCopy1, &SpeedButton::clicked, this,
            platform::handler(this, &TForm1::GradButtonCopy1Click));

    // The keyboard reaches what the mouse does: Enter in either entry field dials as
    // «Автодозвон» does, Ctrl+Q leaves as «Выход» does.
    for (QLineEdit* field : {Comboedit2, ComboEdit1}) {
        connect(field, &QLineEdit::returnPressed, this,
                platform::handler(this, &TForm1::GradButton1Click));
    }
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, platform::handler(this, &TForm1::GradButton3Click));
}

void TForm1::FormCreate(const platform::MachineStore& store) {
    QCoreApplication::processEvents();
    platform::remove_save_leftovers(work_dir);
    load_key_user(store);

    window_region = form_layout::roundRectRegion(width(), height(), kCornerEllipse, kCornerEllipse);
    setMask(*window_region);
    Image1->setClipShape(*window_region);

    // work_dir was taken when the window was created.
    settings = read_settings(settings_path(work_dir, user_key));
    setfont();
    Comm321->DeviceResolver = [store](serial::TCommPort port) {
        return store.port_device(int(port) + 1);
    };
    preselect_port(*Comm321, settings.com_port);
    settingsChanged();
}

void TForm1::load_key_user(const platform::MachineStore& store) {
    user_key = ::load_key_user(store);
}

void TForm1::FormShow() {
    QCoreApplication::processEvents();
}

void TForm1::FormActivate() {
    ishodnoe();
}

void TForm1::setfont() {
    platform::applyFace({GradButton1, GradButton2, GradButton3, GradButtonCopy2, GradButtonCopy3,
                         Label3, Label4, Edit1, Edit2, ComboEdit1},
                        platform::fromCp1251(settings.font_name));
}

void TForm1::save_to_ini() {
    write_settings(settings, settings_path(work_dir, user_key));
}

void TForm1::ishodnoe() {
    run_.ishodnoe();
}

void TForm1::settingsChanged() {
    run_.settings_changed({.com_port = settings.com_port,
                           .init_command = settings.init_command,
                           .dial_command = settings.dial_command,
                           .dial_prefix = settings.dial_prefix,
                           .wait_seconds = settings.wait_seconds,
                           .max_attempts = settings.max_attempts});
}

void TForm1::GradButton1Click() {
    insert_to_list();
    ishodnoe();
    dial_number(*this);
}

void TForm1::GradButtonCopy2Click() {
    run_.reset();
}

void TForm1::Comm321ReceiveData(const void* Buffer, std::uint16_t BufferLength) {
    run_.receive({static_cast<const char*>(Buffer), BufferLength});
}

void TForm1::Comm321RequestHangup() {
    // A notification left over from an earlier opening of the port finds the link healthy.
    if (Comm321->LinkFailed()) {
        run_.port_failed();
    }
}

void TForm1::Timer1Timer() {
    run_.countdown_tick();
}

void TForm1::GradButton2Click() {
    run_.conversation_started();
    {
        TForm4 prompt;
        prompt.move(pos() + QPoint(Panel1->x(), 215));
        prompt.resize(Panel1->width(), prompt.height());
        prompt.repaint();
        prompt.exec();
        prompt.hide();
    }
    // The clock stops with the prompt, whether or not the record can be written.
    const auto stop_clock = qScopeGuard([this] { run_.conversation_ended(); });
    const std::time_t end = now();
    const std::string record =
        journal_record(short_date_text(end), platform::toCp1251(Comboedit2->text()),
                       platform::toCp1251(ComboEdit1->text()), long_time_text(end),
                       platform::toCp1251(Label1->text()));
    append_journal_record(journal_path(work_dir, user_key), record);
}

void TForm1::Timer2Timer() {
    run_.conversation_tick();
}

void TForm1::GradButtonCopy3Click() {
    // The journal opens in the desktop's viewer for its type; the path is an argument, never
    // seen by a shell. Before the first call there is no journal, which the desktop's opener
    // would refuse without a word: the user is told instead. A viewer that cannot be started
    // is not reported.
    const QString path = QFile::decodeName(journal_path(work_dir, user_key).c_str());
    if (!QFile::exists(path)) {
        platform::inform_user(kNoJournalYet);
        return;
    }
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
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
    run_.release_port();
    {
        // What the dialog confirms is what the next dial or redial uses, even when it cannot be
        // saved.
        TForm3 dialog(settings, [this] {
            settingsChanged();
            save_to_ini();
        });
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
    // A list that cannot be saved stops the exit here: the error is shown and the window stays.
    exit_sequence();
    leaving_ = true;
    close();
}

void TForm1::exit_sequence() {
    save_quick_list();
    run_.release_port();
}

bool TForm1::open_port(std::uint8_t com_port) {
    preselect_port(*Comm321, com_port);
    return Comm321->OpenComm();
}

void TForm1::close_port() {
    Comm321->CloseComm();
}

void TForm1::send(std::string_view line) {
    // The writer thread takes a copy and returns at once; a closed port sends nothing.
    Comm321->WriteCommData(line.data(), static_cast<std::uint16_t>(line.size()));
}

void TForm1::pause(std::chrono::milliseconds length) {
    // The pauses block the window on purpose: the modem needs the time, and whatever arrives
    // meanwhile waits in the queue.
    QThread::msleep(static_cast<unsigned long>(length.count()));
}

std::string TForm1::number() {
    return platform::toCp1251(Comboedit2->text());
}

void TForm1::set_countdown_ticking(bool on) {
    on ? Timer1->start() : Timer1->stop();
}

void TForm1::set_conversation_ticking(bool on) {
    on ? Timer2->start() : Timer2->stop();
}

void TForm1::show_clock(std::int32_t seconds) {
    cifir(seconds);
}

void TForm1::show_caption(DialRun::Caption caption) {
    Label3->setText(caption == DialRun::Caption::Waiting ? QStringLiteral("Время ожидан.")
                                                         : QStringLiteral("Время разгов."));
}

void TForm1::show_attempts(std::string_view text) {
    Label5->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TForm1::run_changed() {
    setWindowTitle(platform::fromCp1251(run_title(run_)));
    // A spent run and a modem gone away are told once each, as they come.
    const bool worth_telling = run_.modem_lost() || run_.state() == DialRun::State::Spent;
    if (worth_telling && windowTitle() != told_title_) {
        platform::notify_user(windowTitle(), {});
    }
    told_title_ = worth_telling ? windowTitle() : QString();
}

// Every way of closing the window saves the list and lets go of the port: the exit button, the
// window manager's close, the session's end and the termination signals.
void TForm1::closeEvent(QCloseEvent* event) {
    if (leaving_) {
        event->accept();  // the exit button has saved the list and let go of the port
        return;
    }
    // The window manager or the session closes the window. A borderless window has no other way
    // out, so a list that cannot be saved is reported and the user may leave without it.
    bool saved = false;
    platform::guarded([&] {
        save_quick_list();
        saved = true;
    });
    if (!saved && !platform::ask_yes_no(kLeaveUnsaved)) {
        event->ignore();
        return;
    }
    run_.release_port();
    event->accept();
}

void TForm1::endOnSignal() {
    // Nobody may be there to answer a dialog: a list that cannot be saved is told on stderr.
    try {
        save_quick_list();
    } catch (const std::exception& e) {
        platform::print_error(QString::fromUtf8(e.what()));
    }
    run_.release_port();
    leaving_ = true;
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        activateOnce();
    }
    return QWidget::event(event);
}

void TForm1::activateOnce() {
    // Only the first activation counts: later ones come back from the modal windows or from
    // other programs and must not reset the dialling run.
    if (!activated_once_) {
        activated_once_ = true;
        platform::guarded([this] { FormActivate(); });
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_once_) {
        shown_once_ = true;
        if (const QScreen* screen = this->screen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
        platform::guarded([this] { FormShow(); });
        // Wayland compositors, and window managers that prevent focus stealing, do not always
        // activate a new window: then the run starts right after the first show.
        QTimer::singleShot(0, this, [this] { activateOnce(); });
    }
}

// Only the window's own surface drags: the background picture and the caption cells lying on
// it. Panels, fields and the list keep their presses to themselves. The drag starts with the
// first move of the pointer with the button held, not with the press: a window manager asked to
// move the window after the button has already come up (a quick click) would go on moving it
// with the pointer until the next click.
void TForm1::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !window_region ||
        !window_region->contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    drag_offset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_offset_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    if (!(event->buttons() & Qt::LeftButton)) {
        drag_offset_.reset();  // the release went elsewhere: the drag is over
        return;
    }
    if (QWindow* window = windowHandle(); window && window->startSystemMove()) {
        drag_offset_.reset();  // the window manager moves it from here on
        return;
    }
    move(event->globalPosition().toPoint() - *drag_offset_);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_offset_.reset();
    }
    QWidget::mouseReleaseEvent(event);
}

// The meta-object code of the classes declared in TForm1.h, compiled with this file.
#include "moc_TForm1.cpp"
