#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>

#include "controls/SpeedButton.h"

// Owner-drawn buttons: TGradButton draws a vertical colour gradient inside a black border, with a
// bevel and a centred caption. The gradient costs 256 solid fills, so it is rendered once into a
// cached picture (GradBitmap) and only copied at each paint. TGradButtonCopy has no picture of
// its own: it borrows the picture and the colours of the TGradButton named by ButtonLink, so
// several buttons share one look and one picture.

// a * b / c computed exactly and rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

// Renders the gradient into `picture` in 256 bands: band i covers the rows from
// MulDiv(i, H, 256) up to MulDiv(i + 1, H, 256) and has the colour top + MulDiv(i, bottom - top,
// 255) per channel. Band 0 is exactly `top`, band 255 exactly `bottom`.
void FillGradient(const QColor& top, const QColor& bottom, QImage& picture);

class TGradButton : public SpeedButton {
    Q_OBJECT
  public:
    explicit TGradButton(QWidget* parent = nullptr);

    QColor GradColor() const { return grad_color_; }
    void setGradColor(const QColor& color);
    QColor FaceColor() const { return face_color_; }
    void setFaceColor(const QColor& color);
    QColor HighlightColor() const { return highlight_color_; }
    void setHighlightColor(const QColor& color);
    QColor ShadowColor() const { return shadow_color_; }
    void setShadowColor(const QColor& color);
    int BevelWidth() const { return bevel_width_; }
    void setBevelWidth(int width);
    int BorderWidth() const { return border_width_; }
    void setBorderWidth(int width);

    // The cached picture as it currently is (copies draw it without resizing it).
    const QImage& GradBitmap() const { return grad_bitmap_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // (Width - 2 BorderWidth) by (Height - 2 BorderWidth); empty when the border leaves no room.
    QSize pictureSize() const;
    void render(QSize size);
    void fitBitmap();

    QColor grad_color_{0, 0, 255};
    QColor face_color_{0, 0, 0};
    QColor highlight_color_{255, 255, 255};
    QColor shadow_color_{0, 0, 0};
    int bevel_width_ = 1;
    int border_width_ = 1;
    QImage grad_bitmap_;
};

class TGradButtonCopy : public SpeedButton {
    Q_OBJECT
  public:
    // The copy's parent must be the container it lies on.
    explicit TGradButtonCopy(QWidget* parent);

    TGradButton* ButtonLink() const { return link_; }
    // A non-null link is stored and the copy repaints at once; null clears it without a repaint.
    void setButtonLink(TGradButton* link);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPointer<TGradButton> link_;
};

// Draws the face of a gradient button: shared by TGradButton and TGradButtonCopy so that the two
// can never drift apart. `picture` is drawn as it is, clipped to `rect`.
void paintGradientFace(QPainter& painter, const QRect& rect, const QImage& picture, bool pressed,
                       int border_width, int bevel_width, const QColor& highlight,
                       const QColor& shadow, const QColor& face, const QString& caption,
                       const QFont& font, const QColor& font_color);
