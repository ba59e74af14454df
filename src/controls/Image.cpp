#include "controls/Image.h"

#include <QPainter>

Image::Image(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Image::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void Image::setClipShape(const QRegion& shape) {
    clip_shape_ = shape;
    update();
}

void Image::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!clip_shape_.isEmpty()) {
        painter.setClipRegion(clip_shape_);
    }
    painter.drawPixmap(rect(), picture_);
}

// The meta-object code of the classes declared in Image.h, compiled with this file.
#include "moc_Image.cpp"
