#pragma once

#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "dialing/DialRun.h"
#include "platform/MachineStore.h"
#include "serial/ZRTComm32.h"
#include "settings/Settings.h"

class QLineEdit;
class QListWidget;
class QTimer;
class QToolButton;
class Bevel;
class TGradButton;
class TGradButtonCopy;
class Image;
class Label;
class Panel;
class SpeedButton;

// The main window: a borderless, rounded device front of fixed layout that the user drags by its
// own surface. It exists for the whole run and owns every control, both timers and the values
// the rest of the program reads: the working directory, the file-name suffix and the settings.
//
// Creating it runs the start-up sequence (FormCreate), then loads the quick-dial list. An error in
// the sequence is reported and the rest of it is skipped; the window then runs with what was done
// so far (for instance without its rounded shape, which also means nothing drags it), and with
// its list all the same.
//
// The dialling run itself is a DialRun: the window's handlers hand each click, tick and received
// chunk over to it, and the window carries out what the run asks for (as its Listener) on the
// port, the two timers and the displays.
class TForm1 : public QWidget, private DialRun::Listener {
    Q_OBJECT
  public:
    static constexpr int kWidth = 246;
    static constexpr int kHeight = 339;

    // Reads the per-machine store from its usual place.
    explicit TForm1(QWidget* parent = nullptr);
    // Reads the given per-machine store instead (tests).
    explicit TForm1(const platform::MachineStore& store, QWidget* parent = nullptr);
    ~TForm1() override;

    // The rounded outline, or nothing when start-up failed before shaping the window.
    const std::optional<QRegion>& windowRegion() const { return window_region; }

    // Process-wide values, fixed once FormCreate has finished (but for the settings, which the
    // settings dialog edits). All texts are Windows-1251 bytes; work_dir is a native path.
    std::string work_dir;
    std::string user_key;
    TSettings settings;

    // True while the quick-dial list has been shown by its button and not hidden since.
    bool list_shown = false;

    // The dialling run: its state and the engine's variables, read-only from outside.
    const DialRun& dialRun() const { return run_; }

    // Applies font_name to exactly the controls that follow the configured font.
    void setfont();
    // Writes every setting to the settings file; throws platform::Error when it cannot.
    void save_to_ini();
    // Resets the dialling run: countdown off, clock "00:00", attempt display N/0.
    void ishodnoe();
    // Shows a number of seconds on the clock as MM:SS.
    void cifir(std::int32_t seconds);

    // Puts the number field's text at the top of the quick-dial list.
    void insert_to_list();

    // RxSpeedButton1Click .. RxSpeedButton9Click and RxSpeedButton11Click: the digit keys append
    // their Tag to the number field. RxSpeedButton10 ("D") deletes its last character.
    void RxSpeedButtonDigitClick(const SpeedButton* key);
    void RxSpeedButton10Click();
    void BitBtn1Click();
    void ListBox1DblClick();
    void ListBox1MouseDown(Qt::MouseButton button);
    void GradButton3Click();

    // The dialling run: the auto-dial and reset buttons, the modem's replies and the ticks of the
    // waiting countdown.
    void GradButton1Click();
    void GradButtonCopy2Click();
    void Comm321ReceiveData(const void* Buffer, std::uint16_t BufferLength);
    // The port's threads report a failure (the modem was unplugged, the device broke): the port
    // is let go, so that the next dial opens it again, or reports why it cannot, and the title
    // and the desktop say that the modem has gone.
    void Comm321RequestHangup();
    void Timer1Timer();

    // The conversation: its button lets go of the modem and times the call until the end-of-call
    // prompt is closed, then appends the call to the journal. The journal button shows it.
    void GradButton2Click();
    void Timer2Timer();
    void GradButtonCopy3Click();

    // The phone book and the settings dialog, shown modally over the main window.
    void BitBtn2Click();
    void GradButtonCopy1Click();

    // Ends the program on a termination signal: saves the list if it can (an error goes to
    // stderr, never to a dialog) and lets go of the port; the caller then leaves the event loop.
    void endOnSignal();

    // The clock the journal's dates and times come from (tests set their own).
    std::function<std::time_t()> now = [] { return std::time(nullptr); };

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend void dial_number(TForm1& form);

    // Controls, named as in the layout (their object names say the same, for those that look
    // them up).
    Image* Image1;
    Panel* Panel1;
    Bevel* Bevel1;
    Label* Label1;
    Label* Label2;
    Label* Label3;
    TGradButtonCopy* GradButtonCopy1;
    TGradButtonCopy* GradButtonCopy2;
    TGradButtonCopy* GradButtonCopy3;
    Label* Label4;
    Label* Label5;
    TGradButton* RxSpeedButton1;
    TGradButton* RxSpeedButton2;
    TGradButton* RxSpeedButton3;
    TGradButton* RxSpeedButton4;
    TGradButton* RxSpeedButton5;
    TGradButton* RxSpeedButton6;
    TGradButton* RxSpeedButton7;
    TGradButton* RxSpeedButton8;
    TGradButton* RxSpeedButton9;
    TGradButton* RxSpeedButton10;
    TGradButton* RxSpeedButton11;
    TGradButton* RxSpeedButton12;
    Panel* Panel2;
    TGradButton* GradButton1;
    TGradButton* GradButton2;
    Panel* Panel3;
    TGradButton* GradButton3;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QListWidget* ListBox1;
    QLineEdit* Comboedit2;
    QLineEdit* ComboEdit1;
    Panel* Panel4;
    QToolButton* BitBtn1;
    QToolButton* BitBtn2;
    serial::TZRTComm32* Comm321;
    QTimer* Timer1;
    QTimer* Timer2;

    // Creates and places the controls (TForm1Layout.cpp); connectHandlers wires them.
    void createControls();
    // Accessible names and tooltips of the controls that need them.
    void describeControls();
    void connectHandlers();
    void FormCreate(const platform::MachineStore& store);
    void FormShow();
    void FormActivate();
    void activateOnce();
    void load_key_user(const platform::MachineStore& store);
    void load_quick_list();
    void save_quick_list();
    void exit_sequence();
    // Hands the settings that the run reads over to it.
    void settingsChanged();

    // DialRun::Listener: what the run asks of the port, the timers and the displays.
    bool open_port(std::uint8_t com_port) override;
    void close_port() override;
    void send(std::string_view line) override;
    void pause(std::chrono::milliseconds length) override;
    std::string number() override;
    void set_countdown_ticking(bool on) override;
    void set_conversation_ticking(bool on) override;
    void show_clock(std::int32_t seconds) override;
    void show_caption(DialRun::Caption caption) override;
    void show_attempts(std::string_view text) override;
    // Shows the run in the window's title and tells the desktop when its attempts are used up
    // or its modem has gone away.
    void run_changed() override;

    DialRun run_{*this};

    std::optional<QRegion> window_region;
    bool shown_once_ = false;
    bool activated_once_ = false;
    bool leaving_ = false;  // the list is saved and the port let go: the window may close
    // The quick-dial list file's bytes as last read or written; nothing when it was not read.
    std::optional<std::string> quick_list_on_disk_;
    std::optional<QPoint> drag_offset_;  // set from a press on the surface until the drag ends
    QString told_title_;  // the title the desktop was last told of, while it still stands
};

// Dials the number field: opens the port first if the run has not (sending the init line 500 ms
// later), then, 500 ms on, sends the dial line. Throws serial::ECommsError when the port cannot
// be opened; nothing is sent then.
void dial_number(TForm1& form);
