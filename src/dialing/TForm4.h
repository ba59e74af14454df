#pragma once

#include <QDialog>

class QLabel;
class TGradButton;
class Panel;

// The end-of-call prompt: a small borderless window that stands over the main window for the
// whole of a conversation. Closing it, by its button, Enter, Space or any other way, ends the
// conversation; its caller places it, shows it modally and writes the journal afterwards.
class TForm4 : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 201;
    static constexpr int kHeight = 53;

    explicit TForm4(QWidget* parent = nullptr);

    Panel* Panel1;
    QLabel* StaticText1;
    TGradButton* GradButton1;

    void GradButton1Click();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
