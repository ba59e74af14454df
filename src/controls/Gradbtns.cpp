#include "controls/Gradbtns.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "controls/Frame3D.h"

namespace {

const QColor kBlack(0, 0, 0);

// Colours are plain RGB values; dropping any alpha or colour-model detail lets equal colours
// compare equal whichever way they were built.
QColor plainRgb(const QColor& color) {
    return QColor(color.rgb());
}

}  // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude =
        product < 0 ? static_cast<std::uint64_t>(-product) : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor =
        c < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(c)) : std::uint64_t(c);
    // Rounds halves away from zero: (2|p| + |c|) / 2|c| on magnitudes.
    const std::uint64_t rounded = (2 * magnitude + divisor) / (2 * divisor);
    const std::int64_t result =
        negative ? -static_cast<std::int64_t>(rounded) : static_cast<std::int64_t>(rounded);
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) {
        return -1;
    }
    return static_cast<int>(result);
}

void FillGradient(const QColor& top, const QColor& bottom, QImage& picture) {
    if (picture.isNull()) {
        return;
    }
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32) {
        picture.convertTo(QImage::Format_RGB32);
    }
    const QRgb top_rgb = top.rgb();
    const QRgb bottom_rgb = bottom.rgb();
    const int r0 = qRed(top_rgb);
    const int g0 = qGreen(top_rgb);
    const int b0 = qBlue(top_rgb);
    const int dr = qRed(bottom_rgb) - r0;
    const int dg = qGreen(bottom_rgb) - g0;
    const int db = qBlue(bottom_rgb) - b0;
    const int w = picture.width();
    const int h = picture.height();
    // Always 256 bands, whatever the height: a short picture leaves many bands empty, a tall one
    // gives each band several rows. Each band starts where the previous one ended, and an empty
    // band needs no colour, so a short picture costs far fewer than 1024 MulDivs.
    int first = 0;
    for (int band = 0; band < 256; ++band) {
        const int end = MulDiv(band + 1, h, 256);
        if (end > first) {
            const QRgb color =
                qRgb((r0 + MulDiv(band, dr, 255)) & 0xff, (g0 + MulDiv(band, dg, 255)) & 0xff,
                     (b0 + MulDiv(band, db, 255)) & 0xff);
            for (int y = first; y < end; ++y) {
                auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
                std::fill(line, line + w, color);
            }
        }
        first = end;
    }
}

void paintGradientFace(QPainter& painter, const QRect& rect, const QImage& picture, bool pressed,
                       int border_width, int bevel_width, const QColor& highlight,
                       const QColor& shadow, const QColor& face, const QString& caption,
                       const QFont& font, const QColor& font_color) {
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);

    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    // Centred on the whole control, not on the bevelled inside; integer division truncates
    // toward zero, so a caption wider than the button starts left of it by half the excess.
    const int tx = (rect.width() - metrics.horizontalAdvance(caption)) / 2;
    const int ty = (rect.height() - metrics.height()) / 2;
    const int shift = pressed ? 1 : 0;

    painter.fillRect(rect, kBlack);
    // The picture is copied at its own size: a larger one (a copy's linked button) may cover the
    // right and bottom border, a smaller one leaves black showing.
    painter.drawImage(rect.topLeft() + QPoint(border_width + shift, border_width + shift), picture);
    QRect inner = rect.adjusted(border_width, border_width, -border_width, -border_width);
    if (pressed) {
        Frame3D(painter, inner, shadow, face, bevel_width);
    } else {
        Frame3D(painter, inner, highlight, shadow, bevel_width);
    }

    if (!caption.isEmpty()) {
        painter.setPen(font_color);
        painter.setBackgroundMode(Qt::TransparentMode);
        // drawText(QPoint) places the baseline; the caption's position names its top.
        painter.drawText(rect.topLeft() + QPoint(tx + shift, ty + shift + metrics.ascent()),
                         caption);
    }
    painter.restore();
}

TGradButton::TGradButton(QWidget* parent) : SpeedButton(parent) {
    // The picture starts at the whole default size; the first resize or paint fits it.
    render(QSize(100, 30));
    resize(100, 30);
    setCaption(QStringLiteral("TGradButton"));
    setFontColor(QColor(255, 255, 255));
}

QSize TGradButton::pictureSize() const {
    const int w = width() - 2 * border_width_;
    const int h = height() - 2 * border_width_;
    if (w <= 0 || h <= 0) {
        return QSize(0, 0);
    }
    return QSize(w, h);
}

void TGradButton::render(QSize size) {
    if (size.isEmpty()) {
        grad_bitmap_ = QImage();
    } else if (grad_bitmap_.size() != size) {
        grad_bitmap_ = QImage(size, QImage::Format_RGB32);
    }
    FillGradient(grad_color_, face_color_, grad_bitmap_);
}

void TGradButton::fitBitmap() {
    const QSize wanted = pictureSize();
    if (grad_bitmap_.size() != wanted) {
        render(wanted);
    }
}

void TGradButton::setGradColor(const QColor& color) {
    const QColor rgb = plainRgb(color);
    if (rgb == grad_color_) {
        return;
    }
    grad_color_ = rgb;
    render(grad_bitmap_.size());
    repaint();
}

void TGradButton::setFaceColor(const QColor& color) {
    const QColor rgb = plainRgb(color);
    if (rgb == face_color_) {
        return;
    }
    face_color_ = rgb;
    render(grad_bitmap_.size());
    repaint();
}

void TGradButton::setHighlightColor(const QColor& color) {
    const QColor rgb = plainRgb(color);
    if (rgb == highlight_color_) {
        return;
    }
    highlight_color_ = rgb;
    repaint();
}

void TGradButton::setShadowColor(const QColor& color) {
    const QColor rgb = plainRgb(color);
    if (rgb == shadow_color_) {
        return;
    }
    shadow_color_ = rgb;
    repaint();
}

void TGradButton::setBevelWidth(int width) {
    if (width == bevel_width_) {
        return;
    }
    bevel_width_ = width;
    repaint();
}

void TGradButton::setBorderWidth(int width) {
    if (width == border_width_) {
        return;
    }
    // The picture keeps its size until the next paint finds it wrong.
    border_width_ = width;
    repaint();
}

void TGradButton::resizeEvent(QResizeEvent* event) {
    // Linked copies may be painted before this button (on first show, a copy on an earlier
    // container comes first): they must already find the picture at its proper size.
    fitBitmap();
    SpeedButton::resizeEvent(event);
}

void TGradButton::paintEvent(QPaintEvent* /*event*/) {
    fitBitmap();
    QPainter painter(this);
    paintGradientFace(painter, rect(), grad_bitmap_, FState() == ButtonState::Down, border_width_,
                      bevel_width_, highlight_color_, shadow_color_, face_color_, Caption(), font(),
                      FontColor());
    // Drawn over the copied picture, never into it.
    paintFocusMark(painter, border_width_ + std::max(bevel_width_, 0) + 1);
}

TGradButtonCopy::TGradButtonCopy(QWidget* parent) : SpeedButton(parent) {
    setGeometry(0, 0, 50, 25);
    setCaption(QStringLiteral("TGradButtonCopy"));
    setFontColor(QColor(255, 255, 0));
}

void TGradButtonCopy::setButtonLink(TGradButton* link) {
    if (link == link_.data()) {
        return;
    }
    link_ = link;
    if (link != nullptr) {
        repaint();
    }
}

void TGradButtonCopy::paintEvent(QPaintEvent* event) {
    // A guarded link: once the linked button is gone the copy falls back to the plain face
    // instead of reading a destroyed picture.
    const TGradButton* link = link_.data();
    if (link == nullptr) {
        SpeedButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    paintGradientFace(painter, rect(), link->GradBitmap(), FState() == ButtonState::Down,
                      link->BorderWidth(), link->BevelWidth(), link->HighlightColor(),
                      link->ShadowColor(), link->FaceColor(), Caption(), font(), FontColor());
    paintFocusMark(painter, link->BorderWidth() + std::max(link->BevelWidth(), 0) + 1);
}

// The meta-object code of the classes declared in Gradbtns.h, compiled with this file.
#include "moc_Gradbtns.cpp"
