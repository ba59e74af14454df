#include "Label.h"

#include <QEvent>
#include <QFontMetrics>

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::setDesignGeometry(const QRect& geometry) {
    design_size_ = geometry.size();
    setGeometry(geometry);
    fitText();
}

void Label::setText(const QString& text) {
    QLabel::setText(text);
    fitText();
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
