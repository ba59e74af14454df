#include "controls/SpeedButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>

#include "controls/ControlsTestSupport.h"
#include "controls/Gradbtns.h"

namespace {

const QColor kFace(0, 0, 160);

class SpeedButtonTest : public ControlHostTest {
  protected:
    void SetUp() override {
        ControlHostTest::SetUp();
        showHost();
    }
    void TearDown() override { release({299, 199}); }  // no button left held for the next test

    // A button whose clicks are recorded.
    template <typename T>
    T* recorded(QRect geometry, QWidget* parent = nullptr) {
        auto* button = add<T>(geometry, parent);
        QObject::connect(button, &SpeedButton::clicked,
                         [this, button] { clicks_.push_back(button); });
        return button;
    }

    TGradButton* gradButton(QRect geometry) {
        auto* button = recorded<TGradButton>(geometry);
        button->setHighlightColor(kRed);
        button->setShadowColor(kGreen);
        button->setFaceColor(kFace);
        button->setGradColor(kSilver);
        return button;
    }

    std::vector<SpeedButton*> clicks_;
};

TEST_F(SpeedButtonTest, PressedLookLastsOnlyWhileThePointerIsOverTheButton) {
    TGradButton* button = gradButton({10, 10, 92, 25});
    const QImage normal = expectedFace(button->size(), *button, false);
    const QImage pressed = expectedFace(button->size(), *button, true);
    ASSERT_FALSE(sameImage(normal, pressed));

    press({40, 12}, button);
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Down);
    EXPECT_TRUE(sameImage(grabImage(*button), pressed));

    move({40, 60}, button);
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Up);
    EXPECT_TRUE(sameImage(grabImage(*button), normal));

    move({50, 10}, button);
    EXPECT_TRUE(sameImage(grabImage(*button), pressed));

    move({95, 10}, button);
    release({95, 10}, button);
    EXPECT_TRUE(clicks_.empty());
    EXPECT_TRUE(sameImage(grabImage(*button), normal));
}

TEST_F(SpeedButtonTest, PressedPictureMovesOverTheRightAndBottomOutline) {
    TGradButton* button = gradButton({10, 10, 92, 25});
    press({40, 12}, button);
    const QImage shown = grabImage(*button);
    const QImage& picture = button->GradBitmap();
    EXPECT_EQ(pixel(shown, 0, 12), describe(kBlack));
    EXPECT_EQ(pixel(shown, 91, 12), pixel(picture, 89, 10));
    EXPECT_EQ(pixel(shown, 45, 24), pixel(picture, 43, 22));
    EXPECT_EQ(pixel(shown, 1, 1), describe(kGreen));
    EXPECT_EQ(pixel(shown, 90, 1), describe(kFace));
    EXPECT_EQ(pixel(shown, 1, 23), describe(kFace));
}

TEST_F(SpeedButtonTest, LinkedCopyPressesLikeItsButton) {
    TGradButton* link = gradButton({150, 10, 92, 25});
    auto* copy = recorded<TGradButtonCopy>({10, 10, 34, 25});
    copy->setButtonLink(link);
    press({10, 10}, copy);
    EXPECT_TRUE(sameImage(grabImage(*copy), expectedFace(copy->size(), *link, true)));
    release({10, 10}, copy);
    EXPECT_EQ(clicks_, std::vector<SpeedButton*>{copy});
}

TEST_F(SpeedButtonTest, ClicksOnReleaseOfTheLeftButtonOnly) {
    auto* button = recorded<SpeedButton>({10, 10, 40, 25});
    press({5, 5}, button, Qt::RightButton);
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Up);
    release({5, 5}, button, Qt::RightButton);
    EXPECT_TRUE(clicks_.empty());

    press({5, 5}, button);
    EXPECT_TRUE(clicks_.empty());
    release({39, 24}, button);
    EXPECT_EQ(clicks_.size(), 1u);
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Up);
}

TEST_F(SpeedButtonTest, HidingWhileHeldForgetsThePress) {
    auto* button = recorded<SpeedButton>({10, 10, 40, 25});
    press({5, 5}, button);
    button->hide();
    button->show();
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Up);
}

TEST_F(SpeedButtonTest, GroupKeepsOneButtonDownPerContainer) {
    auto* other_container = new QWidget(&host_);
    other_container->setGeometry(0, 60, 300, 40);
    other_container->show();
    auto* a = recorded<SpeedButton>({10, 10, 40, 25});
    auto* b = recorded<SpeedButton>({60, 10, 40, 25});
    auto* elsewhere = recorded<SpeedButton>({10, 5, 40, 25}, other_container);
    for (SpeedButton* button : {a, b, elsewhere}) {
        button->setGroupIndex(1);
    }

    click({5, 5}, elsewhere);
    click({5, 5}, a);
    EXPECT_TRUE(a->Down());
    EXPECT_TRUE(elsewhere->Down());
    click({5, 5}, b);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(elsewhere->Down());

    click({5, 5}, b);  // without AllowAllUp the last one stays down, but still clicks
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(clicks_.size(), 4u);
    b->setDown(false);
    EXPECT_TRUE(b->Down());

    b->setAllowAllUp(true);
    click({5, 5}, b);
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(a->Down());
}

TEST_F(SpeedButtonTest, OnlyGroupMembersStayDown) {
    auto* button = recorded<SpeedButton>({10, 10, 40, 25});
    button->setDown(true);
    EXPECT_FALSE(button->Down());
    click({5, 5}, button);
    EXPECT_FALSE(button->Down());

    button->setGroupIndex(2);
    button->setDown(true);
    EXPECT_TRUE(button->Down());
    button->setGroupIndex(0);
    EXPECT_FALSE(button->Down());
}

TEST_F(SpeedButtonTest, GroupedButtonStaysDownButDrawsAsUpWithoutItsGlyph) {
    TGradButton* button = gradButton({10, 10, 52, 41});
    button->setShadowColor(QColor(128, 128, 128));
    button->setGroupIndex(1);
    QPixmap glyph(16, 16);
    glyph.fill(QColor(255, 0, 255));
    button->setGlyph(glyph);
    button->setLayout(SpeedButton::ButtonLayout::GlyphTop);

    click({5, 5}, button);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->FState(), SpeedButton::ButtonState::Exclusive);
    EXPECT_TRUE(sameImage(grabImage(*button), expectedFace(button->size(), *button, false)));

    press({20, 20}, button);  // pressing it again shows no pressed picture either
    EXPECT_TRUE(sameImage(grabImage(*button), expectedFace(button->size(), *button, false)));
}

TEST_F(SpeedButtonTest, AButtonGivenTabFocusShowsAMarkOverItsPictureAndSpacePressesIt) {
    auto* field = add<QLineEdit>({0, 0, 40, 20});
    TGradButton* button = gradButton({50, 0, 52, 41});
    button->setFocusPolicy(Qt::TabFocus);
    const QImage unfocused = grabImage(*button);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_FALSE(sameImage(grabImage(*button), unfocused));
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks_, std::vector<SpeedButton*>{button});
    field->setFocus();
    EXPECT_TRUE(sameImage(grabImage(*button), unfocused));
}

}  // namespace
