#include <gtest/gtest.h>

#include <QApplication>
#include <vector>

#include "controls/ControlsTestSupport.h"
#include "controls/Gradbtns.h"
#include "controls/Panel.h"

namespace {

class GradButtonCopyTest : public ControlHostTest {
  protected:
    TGradButton* makeLink(QSize size) { return add<TGradButton>(QRect(QPoint(150, 10), size)); }

    TGradButtonCopy* makeCopy(QSize size, TGradButton* link) {
        auto* copy = add<TGradButtonCopy>(QRect(QPoint(10, 10), size));
        copy->setButtonLink(link);
        return copy;
    }
};

TEST_F(GradButtonCopyTest, StartsOnItsOwnerWithItsDefaults) {
    auto* copy = new TGradButtonCopy(&host_);
    EXPECT_EQ(copy->parentWidget(), &host_);
    EXPECT_EQ(copy->geometry(), QRect(0, 0, 50, 25));
    EXPECT_EQ(copy->Caption(), QStringLiteral("TGradButtonCopy"));
    EXPECT_EQ(copy->FontColor(), QColor(255, 255, 0));
    EXPECT_EQ(copy->ButtonLink(), nullptr);
    EXPECT_EQ(copy->focusPolicy(), Qt::NoFocus);
}

struct CopyCase {
    const char* name;
    QSize copy_size;
    QSize link_size;
    int border, bevel;
};

class GradButtonCopyFaceTest : public GradButtonCopyTest,
                               public testing::WithParamInterface<CopyCase> {};

TEST_P(GradButtonCopyFaceTest, BorrowsTheLinkedPictureAsItIs) {
    const CopyCase& c = GetParam();
    TGradButton* link = makeLink(c.link_size);
    link->setGradColor(kSilver);
    link->setHighlightColor(kRed);
    link->setShadowColor(kGreen);
    link->setFaceColor(QColor(0, 0, 160));
    link->setBorderWidth(c.border);
    link->setBevelWidth(c.bevel);
    TGradButtonCopy* copy = makeCopy(c.copy_size, link);
    showHost();
    const QSize picture_size = c.link_size - QSize(2 * c.border, 2 * c.border);
    ASSERT_EQ(link->GradBitmap().size(), picture_size);
    const qint64 rendered = link->GradBitmap().cacheKey();  // a new key after each render

    EXPECT_TRUE(sameImage(grabImage(*copy), expectedFace(copy->size(), *link, false)));
    EXPECT_EQ(link->GradBitmap().cacheKey(), rendered);
    EXPECT_EQ(link->GradBitmap().size(), picture_size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GradButtonCopyFaceTest,
                         testing::Values(CopyCase{"Set", {34, 25}, {92, 25}, 1, 1},
                                         CopyCase{"Reset", {50, 25}, {92, 25}, 1, 1},
                                         CopyCase{"Journal", {90, 25}, {92, 25}, 1, 1},
                                         CopyCase{"LargerThanLink", {120, 40}, {92, 25}, 1, 1},
                                         CopyCase{"LinkWithWideBorder", {50, 25}, {92, 25}, 2, 2},
                                         CopyCase{"SameSize", {92, 25}, {92, 25}, 1, 1}),
                         [](const testing::TestParamInfo<CopyCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(GradButtonCopyTest, NarrowCopyShowsGradientInItsRightmostColumn) {
    TGradButton* link = makeLink({92, 25});
    link->setGradColor(kSilver);
    TGradButtonCopy* copy = makeCopy({34, 25}, link);
    showHost();
    const QImage shown = grabImage(*copy);
    for (int y = 2; y <= 23; ++y) {
        EXPECT_EQ(pixel(shown, 33, y), pixel(link->GradBitmap(), 32, y - 1)) << y;
    }
    EXPECT_NE(pixel(shown, 33, 12), describe(kBlack));
    EXPECT_EQ(pixel(shown, 33, 24), describe(kBlack));  // picture is 23 rows
}

TEST_F(GradButtonCopyTest, DrawsItsOwnCaptionAndFontLikeTheLinkedButton) {
    TGradButton* link = makeLink({92, 25});
    link->setGradColor(kSilver);
    link->setFontColor(QColor(255, 255, 0));
    TGradButtonCopy* copy = makeCopy({92, 25}, link);
    link->setCaption(QStringLiteral("Set"));
    link->setFont(captionFont());
    copy->setCaption(QStringLiteral("Set"));
    copy->setFont(captionFont());
    showHost();
    const QImage shown = grabImage(*copy);
    EXPECT_TRUE(sameImage(shown, grabImage(*link)));
    // The caption is there.
    EXPECT_FALSE(sameImage(shown, expectedFace(copy->size(), *link, false)));
}

TEST_F(GradButtonCopyTest, ShowsLinkChangesOnlyAtItsOwnNextPaint) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, link);
    showHost();
    EventCounter paints(copy);
    link->setGradColor(QColor(200, 0, 0));
    link->setHighlightColor(QColor(0, 200, 0));
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(sameImage(grabImage(*copy), expectedFace(copy->size(), *link, false)));
}

TEST_F(GradButtonCopyTest, LinkingRepaintsAtOnceAndUnlinkingFallsBackToAPlainFace) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, nullptr);
    showHost();
    EventCounter paints(copy);

    copy->setButtonLink(link);
    EXPECT_EQ(paints.count, 1);
    copy->setButtonLink(link);
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 1);

    copy->setButtonLink(nullptr);
    EXPECT_EQ(copy->ButtonLink(), nullptr);
    EXPECT_EQ(paints.count, 1);
    const QImage plain = grabImage(*copy);
    EXPECT_EQ(pixel(plain, 0, 0), describe(kWhite));
    EXPECT_EQ(pixel(plain, 49, 24), describe(kBlack));
    EXPECT_EQ(pixel(plain, 25, 12), describe(kSilver));
}

TEST_F(GradButtonCopyTest, ALinkToADestroyedButtonIsDropped) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, link);
    showHost();
    delete link;
    EXPECT_EQ(copy->ButtonLink(), nullptr);
    EXPECT_EQ(pixel(grabImage(*copy), 25, 12), describe(kSilver));
}

// Copies on a container created before the linked button's are painted first when the window
// first appears; they must already find the picture at the button's final size.
TEST_F(GradButtonCopyTest, CopiesOnAnEarlierPanelSeeTheFittedPictureOnFirstShow) {
    auto* keypad_panel = new Panel(&host_);
    keypad_panel->setGeometry(0, 0, 150, 60);
    auto* button_panel = new Panel(&host_);
    button_panel->setGeometry(0, 70, 184, 25);
    auto* copy = new TGradButtonCopy(keypad_panel);
    copy->setGeometry(10, 10, 34, 25);
    auto* link = new TGradButton(button_panel);
    link->setGeometry(0, 0, 92, 25);
    link->setGradColor(kSilver);
    copy->setButtonLink(link);
    ASSERT_EQ(link->GradBitmap().size(), QSize(100, 30));  // not yet fitted while hidden

    std::vector<QSize> seen;  // the picture's size at each paint of the copy
    EventCounter paints(copy, QEvent::Paint, [&] { seen.push_back(link->GradBitmap().size()); });
    showHost();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), QSize(90, 23));
}

}  // namespace
