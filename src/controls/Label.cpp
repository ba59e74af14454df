#include "controls/Label.h"

#include <QAccessible>
#include <QEvent>
#include <QFontMetrics>

#include "controls/Accessibility.h"

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) {
    install_control_accessibility();
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::setDesignGeometry(const QRect& geometry) {
    design_size_ = geometry.size();
    setGeometry(geometry);
    fitText();
}

void Label::setText(const QString& text) {
    const QString old = this->text();
    QLabel::setText(text);
    fitText();
    // A screen reader following the clock or the attempt display learns of the new text.
    if (old != text && QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, old, text);
        QAccessible::updateAccessibility(&event);
    }
}

void Label::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitText();
    }
}

void Label::fitText() {
    const QFontMetrics metrics(font());
    const QSize needed(metrics.horizontalAdvance(text()), metrics.height());
    resize(design_size_.expandedTo(needed));
}

// The meta-object code of the classes declared in Label.h, compiled with this file.
#include "moc_Label.cpp"
