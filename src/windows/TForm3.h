#pragma once

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

#include "settings/Settings.h"
#include "windows/HelpFile.h"

class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;
class Bevel;
class TGradButton;
class Label;
class Panel;

// The settings dialog: edits the dialling settings held in memory. "ОК" copies the fields into
// the settings and has them written to the settings file; "Выход" and the close box leave
// without copying. A font confirmed in the font chooser goes into the settings at once, whichever
// way the dialog is then left, so the caller applies the font after the dialog has closed.
//
// Neither Enter nor Escape is bound to a button: a stray key never closes the dialog or stores
// half-edited values. Context help (F1 or the caption's help button) shows the topic of the
// control's HelpContext from the help file at the control's top-left corner.
class TForm3 : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 345;
    static constexpr int kHeight = 171;

    // Runs the font chooser starting at `initial`; the chosen font, or nothing when cancelled.
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)>;
    // Shows a help topic with its top-left corner at `global_pos` (screen coordinates).
    using HelpDisplay =
        std::function<void(const QPoint& global_pos, const QString& topic, QWidget* control)>;

    // FormCreate: set_font on the eight labels, then loads the fields from `settings`, which must
    // outlive the dialog. "ОК" stores the fields into `settings`, then calls `save_to_ini`; when
    // that throws, the error is reported and the dialog stays open, the new values already in
    // `settings`.
    TForm3(TSettings& settings, std::function<void()> save_to_ini, QWidget* parent = nullptr);
    ~TForm3() override;

    // The system's font chooser and help pop-up by default; tests put their own in.
    void setFontChooser(FontChooser chooser);
    void setHelpDisplay(HelpDisplay display);
    void setHelpFile(HelpFile help_file);

    // Gives the eight font-following labels the configured face.
    void set_font();

    void SpeedButton1Click();
    void GradButton1Click();
    void GradButton2Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // "COM4 → /dev/ttyACM0, USB-модем": the device the store gives the port, read once, as the
    // serial component reads it.
    QString portDevice(int com) const;

    // Controls, named as in the layout.
    Panel* Panel1;
    Bevel* Bevel1;
    Label* Label1;
    Label* Label2;
    Label* Label3;
    Label* Label4;
    Label* Label5;
    Label* Label6;
    Label* Label7;
    Label* Label8;
    Label* Label9;
    Label* Label10;
    QSpinBox* SpinEdit1;
    QSpinBox* SpinEdit2;
    QSpinBox* SpinEdit3;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLineEdit* edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton1;
    TGradButton* GradButton1;
    TGradButton* GradButton2;

    void createControls();
    void FormCreate();
    void FormShow();
    // Shows the topic of the nearest HelpContext at or above `control`.
    void showHelp(QWidget* control);

    TSettings& settings_;
    std::function<void()> save_to_ini_;
    FontChooser font_chooser_;
    HelpDisplay help_display_;
    HelpFile help_file_;
    QFont font_choice_;  // where the font chooser starts: its last confirmed choice
};
