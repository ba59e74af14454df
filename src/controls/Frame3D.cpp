#include "controls/Frame3D.h"

void Frame3D(QPainter& painter, QRect& rect, const QColor& top_left, const QColor& bottom_right,
             int width) {
    for (int ring = 0; ring < width; ++ring) {
        // One-pixel fills rather than pen lines: a fill covers exactly the pixels named,
        // whatever the painter's pen or render hints are.
        if (rect.width() > 0 && rect.height() > 0) {
            painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), top_left);
            painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), top_left);
            painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottom_right);
            painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottom_right);
        }
        rect.adjust(1, 1, -1, -1);
    }
}
