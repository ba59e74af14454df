#include "Image.h"

#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TImage::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void TImage::setClipShape(const QRegion& shape) {
    clip_shape_ = shape;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!clip_shape_.isEmpty()) {
        painter.setClipRegion(clip_shape_);
    }
    painter.drawPixmap(rect(), picture_);
}
