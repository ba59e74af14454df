#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QTest>
#include <memory>
#include <vector>

#include "controls/ControlsTestSupport.h"
#include "controls/Gradbtns.h"
#include "controls/Panel.h"

namespace {

// Records the linked button's picture size each time the copy is painted.
class LinkSizeAtPaint : public QObject {
  public:
    explicit LinkSizeAtPaint(TGradButtonCopy* copy) : copy_(copy) {
        copy->installEventFilter(this);
    }
    std::vector<QSize> sizes;

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint && copy_->ButtonLink() != nullptr) {
            sizes.push_back(copy_->ButtonLink()->GradBitmap().size());
        }
        return false;
    }

  private:
    TGradButtonCopy* copy_;
};

class GradButtonCopyTest : public testing::Test {
  protected:
    void SetUp() override { host_.resize(300, 150); }

    TGradButton* makeLink(QSize size) {
        auto* link = new TGradButton(&host_);
        link->setGeometry(QRect(QPoint(150, 10), size));
        link->setCaption(QString());
        link->show();
        return link;
    }

    TGradButtonCopy* makeCopy(QSize size, TGradButton* link) {
        auto* copy = new TGradButtonCopy(&host_);
        copy->setGeometry(QRect(QPoint(10, 10), size));
        copy->setCaption(QString());
        copy->setButtonLink(link);
        copy->show();
        return copy;
    }

    void showHost() {
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        QApplication::processEvents();
    }

    static QImage expectedCopyFace(const TGradButtonCopy& copy, const TGradButton& link) {
        return expectedFace(copy.size(), link.GradBitmap(), false, link.BorderWidth(),
                            link.BevelWidth(), link.HighlightColor(), link.ShadowColor(),
                            link.FaceColor());
    }

    QWidget host_;
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
    link->setGradColor(QColor(192, 192, 192));
    link->setHighlightColor(QColor(255, 0, 0));
    link->setShadowColor(QColor(0, 255, 0));
    link->setFaceColor(QColor(0, 0, 160));
    link->setBorderWidth(c.border);
    link->setBevelWidth(c.bevel);
    TGradButtonCopy* copy = makeCopy(c.copy_size, link);
    showHost();
    const QSize picture_size = c.link_size - QSize(2 * c.border, 2 * c.border);
    ASSERT_EQ(link->GradBitmap().size(), picture_size);
    const qint64 rendered = link->GradBitmap().cacheKey();  // a new key after each render

    EXPECT_TRUE(sameImage(grabImage(*copy), expectedCopyFace(*copy, *link)));
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
    link->setGradColor(QColor(192, 192, 192));
    TGradButtonCopy* copy = makeCopy({34, 25}, link);
    showHost();
    const QImage shown = grabImage(*copy);
    const QImage& picture = link->GradBitmap();
    for (int y = 2; y <= 23; ++y) {
        EXPECT_EQ(describe(shown.pixel(33, y)), describe(picture.pixel(32, y - 1))) << y;
    }
    EXPECT_NE(describe(shown.pixel(33, 12)), describe(rgb(0, 0, 0)));
    EXPECT_EQ(describe(shown.pixel(33, 24)), describe(rgb(0, 0, 0)));  // picture is 23 rows
}

TEST_F(GradButtonCopyTest, DrawsItsOwnCaptionAndFontLikeTheLinkedButton) {
    TGradButton* link = makeLink({92, 25});
    link->setGradColor(QColor(192, 192, 192));
    link->setCaption(QStringLiteral("Set"));
    link->setFontColor(QColor(255, 255, 0));
    link->setFont(captionFont());
    TGradButtonCopy* copy = makeCopy({92, 25}, link);
    copy->setCaption(QStringLiteral("Set"));
    copy->setFont(captionFont());
    showHost();
    const QImage shown = grabImage(*copy);
    EXPECT_TRUE(sameImage(shown, grabImage(*link)));
    EXPECT_FALSE(sameImage(shown, expectedCopyFace(*copy, *link)));  // the caption is there
}

TEST_F(GradButtonCopyTest, ShowsLinkChangesOnlyAtItsOwnNextPaint) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, link);
    showHost();
    PaintCounter paints(copy);
    link->setGradColor(QColor(200, 0, 0));
    link->setHighlightColor(QColor(0, 200, 0));
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(sameImage(grabImage(*copy), expectedCopyFace(*copy, *link)));
}

TEST_F(GradButtonCopyTest, LinkingRepaintsAtOnceAndUnlinkingFallsBackToAPlainFace) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, nullptr);
    showHost();
    PaintCounter paints(copy);

    copy->setButtonLink(link);
    EXPECT_EQ(paints.count, 1);
    copy->setButtonLink(link);
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 1);

    copy->setButtonLink(nullptr);
    EXPECT_EQ(copy->ButtonLink(), nullptr);
    EXPECT_EQ(paints.count, 1);
    const QImage plain = grabImage(*copy);
    EXPECT_EQ(describe(plain.pixel(0, 0)), describe(rgb(255, 255, 255)));
    EXPECT_EQ(describe(plain.pixel(49, 24)), describe(rgb(0, 0, 0)));
    EXPECT_EQ(describe(plain.pixel(25, 12)), describe(rgb(192, 192, 192)));
}

TEST_F(GradButtonCopyTest, ALinkToADestroyedButtonIsDropped) {
    TGradButton* link = makeLink({92, 25});
    TGradButtonCopy* copy = makeCopy({50, 25}, link);
    showHost();
    delete link;
    EXPECT_EQ(copy->ButtonLink(), nullptr);
    const QImage shown = grabImage(*copy);
    EXPECT_EQ(describe(shown.pixel(25, 12)), describe(rgb(192, 192, 192)));
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
    link->setGradColor(QColor(192, 192, 192));
    copy->setButtonLink(link);
    ASSERT_EQ(link->GradBitmap().size(), QSize(100, 30));  // not yet fitted while hidden

    LinkSizeAtPaint seen(copy);
    showHost();
    ASSERT_FALSE(seen.sizes.empty());
    EXPECT_EQ(seen.sizes.front(), QSize(90, 23));
}

}  // namespace
