#include "controls/Accessibility.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <QWidget>
#include <map>
#include <memory>

#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "controls/PictureButton.h"
#include "controls/SpeedButton.h"

namespace {

QAccessibleInterface* accessibleOf(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget);
}

// Presses through the action a screen reader calls; the click follows once events are handled.
void pressAction(QWidget* widget) {
    QAccessibleActionInterface* actions = accessibleOf(widget)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_EQ(actions->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    actions->doAction(QAccessibleActionInterface::pressAction());
}

class ControlAccessibilityTest : public testing::Test {
  protected:
    template <typename T>
    T* addButton(const QString& caption) {
        auto* button = new T(&host_);
        button->setCaption(caption);
        QObject::connect(button, &SpeedButton::clicked, [this, button] { ++clicks_[button]; });
        return button;
    }

    PictureButton* addPicture(const QString& name) {
        QPixmap glyph(16, 16);
        glyph.fill(Qt::black);
        return new PictureButton(glyph, name, &host_);
    }

    QWidget host_;
    std::map<SpeedButton*, int> clicks_;
};

TEST_F(ControlAccessibilityTest, EveryKindOfSpeedButtonIsAPushButtonNamedByItsCaption) {
    auto* plain = addButton<SpeedButton>(QStringLiteral("D"));
    auto* gradient = addButton<TGradButton>(QStringLiteral("Автодозвон"));
    auto* copy = addButton<TGradButtonCopy>(QStringLiteral("Сброс"));
    copy->setButtonLink(gradient);
    auto* unnamed = addButton<TGradButton>(QString());
    unnamed->setAccessibleName(QStringLiteral("Пуск"));
    gradient->setToolTip(QStringLiteral("Набрать номер"));
    auto* picture = addPicture(QStringLiteral("Телефонная книга"));

    const struct {
        QWidget* button;
        const char* name;
    } kRows[] = {{plain, "D"},
                 {gradient, "Автодозвон"},
                 {copy, "Сброс"},
                 {unnamed, "Пуск"},
                 {picture, "Телефонная книга"}};
    for (const auto& row : kRows) {
        QAccessibleInterface* described = accessibleOf(row.button);
        ASSERT_NE(described, nullptr) << row.name;
        EXPECT_EQ(described->role(), QAccessible::PushButton) << row.name;
        EXPECT_EQ(described->text(QAccessible::Name), QString::fromUtf8(row.name));
        EXPECT_FALSE(described->state().focusable) << row.name;
    }
    EXPECT_EQ(accessibleOf(gradient)->text(QAccessible::Description),
              QStringLiteral("Набрать номер"));

    // A caption changed later is the name from then on.
    gradient->setCaption(QStringLiteral("Разговор"));
    EXPECT_EQ(accessibleOf(gradient)->text(QAccessible::Name), QStringLiteral("Разговор"));
}

TEST_F(ControlAccessibilityTest, ThePressActionClicksOnceEventsAreHandled) {
    auto* button = addButton<TGradButton>(QStringLiteral("Выход"));
    auto* member = addButton<TGradButton>(QStringLiteral("OK"));
    member->setGroupIndex(1);
    member->setAllowAllUp(true);
    auto* disabled = addButton<SpeedButton>(QStringLiteral("1"));
    disabled->setEnabled(false);

    pressAction(button);
    // Whoever pressed is answered first: a modal window the click opens cannot hold it up.
    EXPECT_EQ(clicks_[button], 0);
    QTest::qWait(0);
    EXPECT_EQ(clicks_[button], 1);

    // A group member goes down as under the mouse, and says so.
    EXPECT_TRUE(accessibleOf(member)->state().checkable);
    pressAction(member);
    QTest::qWait(0);
    EXPECT_EQ(clicks_[member], 1);
    EXPECT_TRUE(member->Down());
    EXPECT_TRUE(accessibleOf(member)->state().checked);

    pressAction(disabled);
    QTest::qWait(0);
    EXPECT_EQ(clicks_[disabled], 0);

    auto* picture = addPicture(QStringLiteral("Font"));
    int picture_clicks = 0;
    QObject::connect(picture, &QToolButton::clicked, [&] { ++picture_clicks; });
    pressAction(picture);
    EXPECT_EQ(picture_clicks, 0);
    QTest::qWait(0);
    EXPECT_EQ(picture_clicks, 1);
}

TEST_F(ControlAccessibilityTest, ALabelGivesItsNameAndTheTextItShowsNow) {
    auto* clock = new Label(QStringLiteral("00:00"), &host_);
    clock->setAccessibleName(QStringLiteral("Время"));
    auto* caption = new Label(QStringLiteral("Попыток"), &host_);

    QAccessibleInterface* described = accessibleOf(clock);
    ASSERT_NE(described, nullptr);
    EXPECT_EQ(described->role(), QAccessible::StaticText);
    EXPECT_EQ(described->text(QAccessible::Name), QStringLiteral("Время"));
    QAccessibleTextInterface* text = described->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("00:00"));

    clock->setText(QStringLiteral("100:05"));
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("100:05"));
    EXPECT_EQ(described->text(QAccessible::Value), QStringLiteral("100:05"));
    EXPECT_EQ(described->text(QAccessible::Name), QStringLiteral("Время"));

    // Without a name of its own a label is named by what it shows.
    EXPECT_EQ(accessibleOf(caption)->text(QAccessible::Name), QStringLiteral("Попыток"));
}

}  // namespace
