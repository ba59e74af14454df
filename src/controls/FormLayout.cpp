#include "controls/FormLayout.h"

#include <QPalette>
#include <QWidget>

#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "platform/gui/Fonts.h"

namespace form_layout {

QFont layoutFont(int pixel_size, bool bold) {
    QFont font;
    platform::setFace(font, QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    return font;
}

void setColors(QWidget* widget, const QColor& text, const QColor& base) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Window, base);
    widget->setPalette(palette);
}

Label* makeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                 const QColor& color, const QFont& font) {
    auto* label = new Label(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setDesignGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

Panel* makePanel(QWidget* parent, const char* name, QRect geometry, const QColor& color,
                 Panel::BevelCut inner, Panel::BevelCut outer) {
    auto* panel = new Panel(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(geometry);
    panel->setColor(color);
    panel->setBevelInner(inner);
    panel->setBevelOuter(outer);
    return panel;
}

TGradButton* makeGradButton(QWidget* parent, const char* name, QRect geometry,
                            const QString& caption, const QColor& grad_color) {
    auto* button = new TGradButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setFont(layoutFont());
    button->setFontColor(Qt::white);
    button->setGradColor(grad_color);
    return button;
}

QRegion roundRectRegion(int width, int height, int ew, int eh) {
    QRegion region(ew / 2, 0, width - ew, height);
    region += QRegion(0, eh / 2, width, height - eh);
    region += QRegion(0, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(width - ew, 0, ew, eh, QRegion::Ellipse);
    region += QRegion(0, height - eh, ew, eh, QRegion::Ellipse);
    region += QRegion(width - ew, height - eh, ew, eh, QRegion::Ellipse);
    return region;
}

}  // namespace form_layout
