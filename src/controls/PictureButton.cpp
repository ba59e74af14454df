#include "controls/PictureButton.h"

#include "controls/Accessibility.h"

PictureButton::PictureButton(const QPixmap& glyph, const QString& name, QWidget* parent)
    : QToolButton(parent) {
    install_control_accessibility();
    setFocusPolicy(Qt::NoFocus);
    setIcon(QIcon(glyph));  // the icon greys itself for the disabled state
    setIconSize(glyph.size());
    setAccessibleName(name);
}

// The meta-object code of the classes declared in PictureButton.h, compiled with this file.
#include "moc_PictureButton.cpp"
