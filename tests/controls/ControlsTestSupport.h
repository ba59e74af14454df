#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "controls/Gradbtns.h"

// Pixel helpers, a host window and an event counter shared by the control tests.

inline const QColor kBlack(0, 0, 0);
inline const QColor kWhite(255, 255, 255);
inline const QColor kGrey(128, 128, 128);
inline const QColor kSilver(192, 192, 192);
inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 255, 0);

// The face the captions are drawn in: a font every test machine has, at the 8-point size.
inline QFont captionFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    return font;
}

inline std::string describe(QColor c) {
    return "(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + ")";
}

// One pixel of an image, described for comparison.
inline std::string pixel(const QImage& image, int x, int y) {
    return describe(QColor(image.pixel(x, y)));
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
            if (pixel(actual, x, y) != pixel(expected, x, y)) {
                return testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << pixel(actual, x, y)
                       << ", expected " << pixel(expected, x, y);
            }
        }
    }
    return testing::AssertionSuccess();
}

// Bevel rings (upper-left, lower-right colours) drawn on `area` of `image` from the outside in:
// the right column and bottom row of each ring take the lower-right colour, the rest upper-left.
using Rings = std::vector<std::pair<QColor, QColor>>;
inline void drawRings(QImage& image, QRect area, const Rings& rings) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int ring =
                std::min({x - area.left(), y - area.top(), area.right() - x, area.bottom() - y});
            if (ring < static_cast<int>(rings.size())) {
                const auto& [upper_left, lower_right] = rings[ring];
                const bool lower = x == area.right() - ring || y == area.bottom() - ring;
                image.setPixel(x, y, (lower ? lower_right : upper_left).rgb());
            }
        }
    }
}

// A surface of colour `fill` with `rings` around its edge.
inline QImage expectedRings(QSize size, const Rings& rings, QColor fill) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(fill);
    drawRings(out, out.rect(), rings);
    return out;
}

// The face of a gradient button with an empty caption, worked out pixel by pixel: black, the
// picture at (bw, bw) (pressed: one further right and down) at its own size, and `bevel` rings
// on the rectangle inset by bw; pressed, the rings go from shadow to face instead of from
// highlight to shadow.
inline QImage expectedFace(QSize size, const QImage& picture, bool pressed, int bw, int bevel,
                           QColor highlight, QColor shadow, QColor face) {
    const int shift = pressed ? 1 : 0;
    QImage out(size, QImage::Format_RGB32);
    out.fill(kBlack);
    for (int y = 0; y < picture.height() && y + bw + shift < size.height(); ++y) {
        for (int x = 0; x < picture.width() && x + bw + shift < size.width(); ++x) {
            out.setPixel(x + bw + shift, y + bw + shift, picture.pixel(x, y));
        }
    }
    const auto ring = pressed ? std::pair(shadow, face) : std::pair(highlight, shadow);
    drawRings(out, out.rect().adjusted(bw, bw, -bw, -bw), Rings(std::max(bevel, 0), ring));
    return out;
}

// The same for a control of `size` drawn with the picture, widths and colours of `look`.
inline QImage expectedFace(QSize size, const TGradButton& look, bool pressed) {
    return expectedFace(size, look.GradBitmap(), pressed, look.BorderWidth(), look.BevelWidth(),
                        look.HighlightColor(), look.ShadowColor(), look.FaceColor());
}

// Counts the events of one type a widget receives (by default its paints: a blinking caret
// repaints its field at every turn), calling `seen` at each.
class EventCounter : public QObject {
  public:
    explicit EventCounter(QWidget* widget, QEvent::Type type = QEvent::Paint,
                          std::function<void()> seen = {})
        : type_(type), seen_(std::move(seen)) {
        widget->installEventFilter(this);
    }
    int count = 0;

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == type_) {
            ++count;
            if (seen_) {
                seen_();
            }
        }
        return false;
    }

  private:
    QEvent::Type type_;
    std::function<void()> seen_;
};

// A top-level window holding the controls under test, shown by showHost().
class ControlHostTest : public testing::Test {
  protected:
    void SetUp() override { host_.resize(300, 200); }

    // A control of type T at `geometry` on `parent` (the window by default), with no caption;
    // shown with the window, or at once when the window already is.
    template <typename T>
    T* add(QRect geometry, QWidget* parent = nullptr) {
        auto* control = new T(parent != nullptr ? parent : &host_);
        control->setGeometry(geometry);
        if constexpr (requires { control->setCaption(QString()); }) {
            control->setCaption(QString());
        }
        control->show();
        return control;
    }

    void showHost() {
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        QApplication::processEvents();
    }

    // Mouse input goes through the window, as real input does, so hit testing and the implicit
    // grab of the pressed widget take part; `pos` is in `widget` (the window by default).
    void press(QPoint pos, QWidget* widget = nullptr, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(host_.windowHandle(), button, {}, at(widget, pos));
    }
    void move(QPoint pos, QWidget* widget = nullptr) {
        QTest::mouseMove(host_.windowHandle(), at(widget, pos));
    }
    void release(QPoint pos, QWidget* widget = nullptr, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(host_.windowHandle(), button, {}, at(widget, pos));
    }
    void click(QPoint pos, QWidget* widget = nullptr) {
        press(pos, widget);
        release(pos, widget);
    }

    QWidget host_;

  private:
    QPoint at(QWidget* widget, QPoint pos) const {
        return widget != nullptr ? widget->mapTo(&host_, pos) : pos;
    }
};
