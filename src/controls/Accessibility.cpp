#include "controls/Accessibility.h"

#include <QAccessibleWidget>
#include <QMetaObject>

#include "controls/Label.h"
#include "controls/PictureButton.h"
#include "controls/SpeedButton.h"

namespace {

// A push button named by its caption, or by its accessible name where one is set. Its press is
// carried out a moment later: the screen reader that pressed gets its answer first, however
// long what the press opens (a modal window) takes.
class PushButtonAccessible : public QAccessibleWidget {
  public:
    explicit PushButtonAccessible(QWidget* button)
        : QAccessibleWidget(button, QAccessible::PushButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? caption() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            pressLater();
        }
    }

  protected:
    virtual QString caption() const = 0;
    virtual void pressLater() = 0;
};

class SpeedButtonAccessible : public PushButtonAccessible {
  public:
    using PushButtonAccessible::PushButtonAccessible;

    QAccessible::State state() const override {
        QAccessible::State state = PushButtonAccessible::state();
        state.pressed = button()->FState() != SpeedButton::ButtonState::Up;
        state.checkable = button()->GroupIndex() != 0;
        state.checked = button()->Down();
        return state;
    }

  protected:
    QString caption() const override { return button()->Caption(); }
    void pressLater() override {
        QMetaObject::invokeMethod(button(), &SpeedButton::click, Qt::QueuedConnection);
    }

  private:
    SpeedButton* button() const { return static_cast<SpeedButton*>(widget()); }
};

class PictureButtonAccessible : public PushButtonAccessible {
  public:
    using PushButtonAccessible::PushButtonAccessible;

    QAccessible::State state() const override {
        QAccessible::State state = PushButtonAccessible::state();
        state.pressed = button()->isDown();
        return state;
    }

  protected:
    QString caption() const override { return button()->text(); }
    void pressLater() override {
        QMetaObject::invokeMethod(button(), &QAbstractButton::click, Qt::QueuedConnection);
    }

  private:
    PictureButton* button() const { return static_cast<PictureButton*>(widget()); }
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
    } else if (class_name == QLatin1String("PictureButton")) {
        if (auto* button = qobject_cast<PictureButton*>(object)) {
            return new PictureButtonAccessible(button);
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
