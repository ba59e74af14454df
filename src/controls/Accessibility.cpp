#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "Label.h"
#include "SpeedButton.h"

namespace {

class SpeedButtonAccessible : public QAccessibleWidget {
  public:
    explicit SpeedButtonAccessible(SpeedButton* button)
        : QAccessibleWidget(button, QAccessible::PushButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? button()->Caption() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->FState() != SpeedButton::ButtonState::Up;
        state.checkable = button()->GroupIndex() != 0;
        state.checked = button()->Down();
        return state;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            QMetaObject::invokeMethod(button(), &SpeedButton::click, Qt::QueuedConnection);
        }
    }

  private:
    SpeedButton* button() const { return static_cast<SpeedButton*>(widget()); }
};

class LabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit LabelAccessible(Label* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name: {
                const QString name = widget()->accessibleName();
                return name.isEmpty() ? shown() : name;
            }
            case QAccessible::Value:
                return shown();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    // The shown text, read-only: no caret, no selection.
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return int(shown().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    QString shown() const { return static_cast<const Label*>(widget())->text(); }
};

QAccessibleInterface* controlAccessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("SpeedButton")) {
        if (auto* button = qobject_cast<SpeedButton*>(object)) {
            return new SpeedButtonAccessible(button);
        }
    } else if (class_name == QLatin1String("Label")) {
        if (auto* label = qobject_cast<Label*>(object)) {
            return new LabelAccessible(label);
        }
    }
    return nullptr;
}

}  // namespace

void install_control_accessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(controlAccessible);
        return true;
    }();
    (void)installed;
}
