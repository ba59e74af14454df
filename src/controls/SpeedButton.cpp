#include "controls/SpeedButton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/Accessibility.h"
#include "controls/Frame3D.h"

namespace {

const QColor kFace(192, 192, 192);
const QColor kLight(223, 223, 223);
const QColor kDarkShadow(0, 0, 0);
const QColor kGrayText(128, 128, 128);
constexpr int kGlyphSpacing = 4;

}  // namespace

SpeedButton::SpeedButton(QWidget* parent) : QWidget(parent) {
    install_control_accessibility();
    setFocusPolicy(Qt::NoFocus);
    // Every paint covers the whole control, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SpeedButton::setCaption(const QString& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    update();
}

void SpeedButton::setFontColor(const QColor& color) {
    const QColor rgb(color.rgb());
    if (rgb == font_color_) {
        return;
    }
    font_color_ = rgb;
    update();
}

void SpeedButton::setGroupIndex(int index) {
    if (index == group_index_) {
        return;
    }
    group_index_ = index;
    if (group_index_ == 0 && down_) {
        down_ = false;
        update();
    }
}

void SpeedButton::setDown(bool down) {
    if (group_index_ == 0) {
        down = false;
    }
    if (down == down_) {
        return;
    }
    // Without AllowAllUp a group always keeps one button down: only pressing another member
    // lets this one up.
    if (down_ && !allow_all_up_) {
        return;
    }
    down_ = down;
    if (down_) {
        releaseGroupSiblings();
    }
    update();
}

void SpeedButton::setGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    update();
}

void SpeedButton::setLayout(ButtonLayout layout) {
    if (layout == layout_) {
        return;
    }
    layout_ = layout;
    update();
}

SpeedButton::ButtonState SpeedButton::FState() const {
    if (down_) {
        return ButtonState::Exclusive;
    }
    if (held_ && pointer_in_) {
        return ButtonState::Down;
    }
    return ButtonState::Up;
}

void SpeedButton::releaseGroupSiblings() {
    QWidget* container = parentWidget();
    if (container == nullptr) {
        return;
    }
    const auto siblings = container->findChildren<SpeedButton*>(Qt::FindDirectChildrenOnly);
    for (SpeedButton* sibling : siblings) {
        if (sibling != this && sibling->group_index_ == group_index_ && sibling->down_) {
            sibling->down_ = false;
            sibling->update();
        }
    }
}

void SpeedButton::startPress() {
    held_ = true;
    pointer_in_ = true;
    update();
}

void SpeedButton::cancelPress() {
    if (held_) {
        held_ = false;
        pointer_in_ = false;
        update();
    }
}

void SpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    startPress();
    event->accept();
}

void SpeedButton::mouseMoveEvent(QMouseEvent* event) {
    if (!held_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != pointer_in_) {
        pointer_in_ = inside;
        update();
    }
    event->accept();
}

void SpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !held_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool over = rect().contains(event->position().toPoint());
    held_ = false;
    pointer_in_ = false;
    update();
    event->accept();
    if (over) {
        click();
    }
}

void SpeedButton::click() {
    if (!isEnabled()) {
        return;
    }
    if (group_index_ != 0) {
        setDown(!down_);
    }
    emit clicked();
}

void SpeedButton::hideEvent(QHideEvent* event) {
    // A hidden control gets no release: forget the press so it does not reappear pressed.
    cancelPress();
    QWidget::hideEvent(event);
}

void SpeedButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        cancelPress();
    }
    QWidget::changeEvent(event);
}

bool SpeedButton::isSpace(const QKeyEvent* event) {
    return event->key() == Qt::Key_Space && !event->isAutoRepeat() &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void SpeedButton::keyPressEvent(QKeyEvent* event) {
    if (!isSpace(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    startPress();
    event->accept();
}

void SpeedButton::keyReleaseEvent(QKeyEvent* event) {
    if (!isSpace(event) || !held_) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    cancelPress();
    event->accept();
    click();
}

void SpeedButton::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void SpeedButton::focusOutEvent(QFocusEvent* event) {
    // A Space held while the focus leaves is no press any more.
    cancelPress();
    update();
    QWidget::focusOutEvent(event);
}

void SpeedButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    paintPlain(painter);
    paintFocusMark(painter, 3);
}

void SpeedButton::paintFocusMark(QPainter& painter, int inset) {
    if (!hasFocus()) {
        return;
    }
    painter.save();
    painter.setPen(QPen(font_color_, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
    painter.restore();
}

void SpeedButton::paintPlain(QPainter& painter) {
    const ButtonState state = FState();
    const bool sunken = state != ButtonState::Up;
    QRect r = rect();
    painter.fillRect(r, kFace);
    if (sunken) {
        Frame3D(painter, r, kShadow, kHighlight, 1);
        Frame3D(painter, r, kDarkShadow, kLight, 1);
    } else {
        Frame3D(painter, r, kHighlight, kDarkShadow, 1);
        Frame3D(painter, r, kLight, kShadow, 1);
    }

    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    const QSize text_size = caption_.isEmpty()
                                ? QSize(0, 0)
                                : QSize(metrics.horizontalAdvance(caption_), metrics.height());
    const QSize glyph_size =
        glyph_.isNull() ? QSize(0, 0) : glyph_.deviceIndependentSize().toSize();
    const int spacing = (text_size.isEmpty() || glyph_size.isEmpty()) ? 0 : kGlyphSpacing;
    const int w = width();
    const int h = height();

    QPoint glyph_at;
    QPoint text_at;
    switch (layout_) {
        case ButtonLayout::GlyphLeft:
        case ButtonLayout::GlyphRight: {
            const int x0 = (w - (glyph_size.width() + spacing + text_size.width())) / 2;
            const int glyph_y = (h - glyph_size.height()) / 2;
            const int text_y = (h - text_size.height()) / 2;
            if (layout_ == ButtonLayout::GlyphLeft) {
                glyph_at = {x0, glyph_y};
                text_at = {x0 + glyph_size.width() + spacing, text_y};
            } else {
                text_at = {x0, text_y};
                glyph_at = {x0 + text_size.width() + spacing, glyph_y};
            }
            break;
        }
        case ButtonLayout::GlyphTop:
        case ButtonLayout::GlyphBottom: {
            const int y0 = (h - (glyph_size.height() + spacing + text_size.height())) / 2;
            const int glyph_x = (w - glyph_size.width()) / 2;
            const int text_x = (w - text_size.width()) / 2;
            if (layout_ == ButtonLayout::GlyphTop) {
                glyph_at = {glyph_x, y0};
                text_at = {text_x, y0 + glyph_size.height() + spacing};
            } else {
                text_at = {text_x, y0};
                glyph_at = {glyph_x, y0 + text_size.height() + spacing};
            }
            break;
        }
    }
    if (sunken) {
        glyph_at += QPoint(1, 1);
        text_at += QPoint(1, 1);
    }
    if (!glyph_.isNull()) {
        painter.drawPixmap(glyph_at, glyph_);
    }
    if (!caption_.isEmpty()) {
        painter.setPen(isEnabled() ? font_color_ : kGrayText);
        painter.drawText(text_at + QPoint(0, metrics.ascent()), caption_);
    }
}

// The meta-object code of the classes declared in SpeedButton.h, compiled with this file.
#include "moc_SpeedButton.cpp"
