#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

// The two colours of a raised bevel: its lit top-left and its shaded bottom-right edges.
inline const QColor kHighlight(255, 255, 255);
inline const QColor kShadow(128, 128, 128);

// Draws `width` one-pixel rings along the inside of `rect`: in each ring the left column and the
// top row first, in `top_left`, then the right column and the bottom row, in `bottom_right` (so
// the top-right and bottom-left corners end in `bottom_right`). Each further ring lies one pixel
// further in; `rect` is left shrunk by `width` on every side. Nothing is drawn for width <= 0.
void Frame3D(QPainter& painter, QRect& rect, const QColor& top_left, const QColor& bottom_right,
             int width);
