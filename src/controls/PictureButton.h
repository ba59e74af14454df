#pragma once

#include <QToolButton>

// A flat button that shows a picture and takes no keyboard focus, the kind that opens the phone
// book or the font chooser. It is a plain QToolButton but for what screen readers learn of it
// (Accessibility.h): pressed by one, it clicks a moment later, so a modal window it opens does
// not hold the screen reader up.
class PictureButton : public QToolButton {
    Q_OBJECT
  public:
    // `glyph` is shown at its own size; `name` is what screen readers call the button.
    PictureButton(const QPixmap& glyph, const QString& name, QWidget* parent);
};
