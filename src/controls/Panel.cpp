#include "controls/Panel.h"

#include <QPainter>

namespace {

void drawCut(QPainter& painter, QRect& rect, Panel::BevelCut cut, int width) {
    switch (cut) {
        case Panel::BevelCut::None:
            break;
        case Panel::BevelCut::Raised:
            Frame3D(painter, rect, kHighlight, kShadow, width);
            break;
        case Panel::BevelCut::Lowered:
            Frame3D(painter, rect, kShadow, kHighlight, width);
            break;
    }
}

}  // namespace

Panel::Panel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    // A windowed control keeps its mouse presses: a press on a panel must not drag the window.
    setAttribute(Qt::WA_NoMousePropagation);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Panel::setBevelInner(BevelCut cut) {
    if (cut == bevel_inner_) {
        return;
    }
    bevel_inner_ = cut;
    update();
}

void Panel::setBevelOuter(BevelCut cut) {
    if (cut == bevel_outer_) {
        return;
    }
    bevel_outer_ = cut;
    update();
}

void Panel::setBevelWidth(int width) {
    if (width == bevel_width_) {
        return;
    }
    bevel_width_ = width;
    update();
}

void Panel::setColor(const QColor& color) {
    const QColor rgb(color.rgb());
    if (rgb == color_) {
        return;
    }
    color_ = rgb;
    update();
}

void Panel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QRect r = rect();
    painter.fillRect(r, color_);
    drawCut(painter, r, bevel_outer_, bevel_width_);
    drawCut(painter, r, bevel_inner_, bevel_width_);
}

Bevel::Bevel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    // Only a frame: presses go to the container beneath it and its inside shows through.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Bevel::setStyle(BevelStyle style) {
    if (style == style_) {
        return;
    }
    style_ = style;
    update();
}

void Bevel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QRect r = rect();
    if (style_ == BevelStyle::Raised) {
        Frame3D(painter, r, kHighlight, kShadow, 1);
    } else {
        Frame3D(painter, r, kShadow, kHighlight, 1);
    }
}

// The meta-object code of the classes declared in Panel.h, compiled with this file.
#include "moc_Panel.cpp"
