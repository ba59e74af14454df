#pragma once

#include <QColor>
#include <QWidget>

#include "Frame3D.h"

// A plain container with the classic two-ring bevel. It keeps mouse presses to itself, as a
// windowed control does, so a press on it never drags the window it lies on.
class TPanel : public QWidget {
    Q_OBJECT
  public:
    enum class TBevelCut { None, Lowered, Raised };

    explicit TPanel(QWidget* parent = nullptr);

    TBevelCut BevelInner() const { return bevel_inner_; }
    void setBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevel_outer_; }
    void setBevelOuter(TBevelCut cut);
    int BevelWidth() const { return bevel_width_; }
    void setBevelWidth(int width);
    QColor Color() const { return color_; }
    void setColor(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TBevelCut bevel_inner_ = TBevelCut::None;
    TBevelCut bevel_outer_ = TBevelCut::Raised;
    int bevel_width_ = 1;
    QColor color_{192, 192, 192};
};

// A bevelled frame with no behaviour.
class TBevel : public QWidget {
    Q_OBJECT
  public:
    enum class TBevelStyle { Lowered, Raised };

    explicit TBevel(QWidget* parent = nullptr);

    TBevelStyle Style() const { return style_; }
    void setStyle(TBevelStyle style);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TBevelStyle style_ = TBevelStyle::Lowered;
};
