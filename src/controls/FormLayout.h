#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QRegion>
#include <QString>

#include "controls/Panel.h"

class QWidget;
class TGradButton;
class Label;

// Building blocks of the program's fixed window layouts: every window is laid out in pixels, in
// the classic 8-point face (11 pixels high) or in sizes given in pixels too, so the layout holds
// whatever the screen's resolution.
namespace form_layout {

inline const QColor kYellow{255, 255, 0};
inline const QColor kSilver{192, 192, 192};
inline const QColor kGray{128, 128, 128};

// The pixel size of the 8-point face.
constexpr int kDefaultPixelSize = 11;

// The layout's face ("MS Sans Serif", or its installed stand-in) at a pixel size.
QFont layoutFont(int pixel_size = kDefaultPixelSize, bool bold = false);

// Text and background colours of a control, in every role a control of the layout uses.
void setColors(QWidget* widget, const QColor& text, const QColor& base);

// A label at `geometry` (its smallest size; an empty size means as large as its text).
Label* makeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                 const QColor& color, const QFont& font);

Panel* makePanel(QWidget* parent, const char* name, QRect geometry, const QColor& color,
                 Panel::BevelCut inner, Panel::BevelCut outer);

// A gradient button with a white caption in the layout's face.
TGradButton* makeGradButton(QWidget* parent, const char* name, QRect geometry,
                            const QString& caption, const QColor& grad_color);

// A rounded rectangle as the classic region call makes it: the rectangle less what lies outside
// four corner ellipses of ew x eh.
QRegion roundRectRegion(int width, int height, int ew, int eh);

}  // namespace form_layout
