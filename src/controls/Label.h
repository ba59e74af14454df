#pragma once

#include <QLabel>

// A text label that lies transparently on its parent and grows to show its whole text, never
// below the size it was laid out with: a clock showing "100:00" or a caption in a wider
// substitute face is never clipped.
class Label : public QLabel {
    Q_OBJECT
  public:
    Label(const QString& text, QWidget* parent);

    // Lays the label out at `geometry`, the smallest size it will take.
    void setDesignGeometry(const QRect& geometry);
    void setText(const QString& text);

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void fitText();

    QSize design_size_;
};
