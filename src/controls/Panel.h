#pragma once

#include <QColor>
#include <QWidget>

#include "controls/Frame3D.h"

// A plain container with the classic two-ring bevel. It keeps mouse presses to itself, as a
// windowed control does, so a press on it never drags the window it lies on.
class Panel : public QWidget {
    Q_OBJECT
  public:
    enum class BevelCut { None, Lowered, Raised };

    explicit Panel(QWidget* parent = nullptr);

    BevelCut BevelInner() const { return bevel_inner_; }
    void setBevelInner(BevelCut cut);
    BevelCut BevelOuter() const { return bevel_outer_; }
    void setBevelOuter(BevelCut cut);
    int BevelWidth() const { return bevel_width_; }
    void setBevelWidth(int width);
    QColor Color() const { return color_; }
    void setColor(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    BevelCut bevel_inner_ = BevelCut::None;
    BevelCut bevel_outer_ = BevelCut::Raised;
    int bevel_width_ = 1;
    QColor color_{192, 192, 192};
};

// A bevelled frame with no behaviour.
class Bevel : public QWidget {
    Q_OBJECT
  public:
    enum class BevelStyle { Lowered, Raised };

    explicit Bevel(QWidget* parent = nullptr);

    BevelStyle Style() const { return style_; }
    void setStyle(BevelStyle style);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    BevelStyle style_ = BevelStyle::Lowered;
};
