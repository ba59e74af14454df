#pragma once

#include <QPixmap>
#include <QRegion>
#include <QWidget>

// A picture stretched to the control. It lies under everything else and takes no mouse input,
// so presses on it reach the window beneath. Where a clip shape is set, nothing of the picture
// is drawn outside it: a rounded window then stays rounded even where the window system ignores
// its mask.
class Image : public QWidget {
    Q_OBJECT
  public:
    explicit Image(QWidget* parent = nullptr);

    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);
    // The shape to draw within, in the control's coordinates; an empty region draws everywhere.
    void setClipShape(const QRegion& shape);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap picture_;
    QRegion clip_shape_;
};
