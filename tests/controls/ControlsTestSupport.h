#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <string>

// Pixel helpers shared by the control tests.

inline const QColor kWhite(255, 255, 255);
inline const QColor kGrey(128, 128, 128);

// The face the captions are drawn in: a font every test machine has, at the 8-point size.
inline QFont captionFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    return font;
}

inline QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

inline std::string describe(QRgb c) {
    return "(" + std::to_string(qRed(c)) + "," + std::to_string(qGreen(c)) + "," +
           std::to_string(qBlue(c)) + ")";
}

// What the widget shows on screen, as plain RGB.
inline QImage grabImage(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline testing::AssertionResult sameImage(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size()) {
        return testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << ", expected "
               << expected.width() << "x" << expected.height();
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & 0xffffff;
            const QRgb e = expected.pixel(x, y) & 0xffffff;
            if (a != e) {
                return testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                   << describe(a) << ", expected " << describe(e);
            }
        }
    }
    return testing::AssertionSuccess();
}

// The face of a gradient button with an empty caption, worked out pixel by pixel: black, the
// picture at (bw, bw) (pressed: one further right and down) at its own size, and `bevel` rings
// on the rectangle inset by bw, where the right column and bottom row of each ring take the
// lower-right colour and the rest the upper-left colour.
inline QImage expectedFace(QSize size, const QImage& picture, bool pressed, int bw, int bevel,
                           QColor highlight, QColor shadow, QColor face) {
    const QRgb upper_left = (pressed ? shadow : highlight).rgb();
    const QRgb lower_right = (pressed ? face : shadow).rgb();
    const int shift = pressed ? 1 : 0;
    const int left = bw;
    const int top = bw;
    const int right = size.width() - 1 - bw;
    const int bottom = size.height() - 1 - bw;
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            QRgb c = qRgb(0, 0, 0);
            const int px = x - bw - shift;
            const int py = y - bw - shift;
            if (px >= 0 && py >= 0 && px < picture.width() && py < picture.height()) {
                c = picture.pixel(px, py);
            }
            if (x >= left && x <= right && y >= top && y <= bottom) {
                const int ring = std::min({x - left, y - top, right - x, bottom - y});
                if (ring < bevel) {
                    c = (x == right - ring || y == bottom - ring) ? lower_right : upper_left;
                }
            }
            out.setPixel(x, y, c);
        }
    }
    return out;
}

// Counts the paint events a widget receives (a blinking caret repaints its field at every turn).
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};
