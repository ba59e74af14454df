#include "controls/Gradbtns.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <functional>
#include <memory>

#include "controls/ControlsTestSupport.h"

namespace {

QImage gradient(QSize size, QColor top, QColor bottom) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    FillGradient(top, bottom, picture);
    return picture;
}

// A shown top-level window holding the buttons under test.
class GradButtonTest : public testing::Test {
  protected:
    void SetUp() override { host_.resize(300, 150); }

    TGradButton* makeButton(QSize size, const QString& caption = QString()) {
        auto* button = new TGradButton(&host_);
        button->setGeometry(QRect(QPoint(10, 10), size));
        button->setCaption(caption);
        button->setFont(captionFont());
        button->show();  // shown with the host, or at once when the host already is
        return button;
    }

    void showHost() {
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        QApplication::processEvents();
    }

    QWidget host_;
};

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
    struct Row {
        const char* name;
        int a, b, c, expected;
    };
    const Row rows[] = {
        {"exact", 6, 4, 3, 8},
        {"below half rounds down", 1, 1, 3, 0},
        {"above half rounds up", 2, 1, 3, 1},
        {"positive half rounds up", 1, 1, 2, 1},
        {"negative half rounds down", -1, 1, 2, -1},
        {"negative divisor half", 3, 1, -2, -2},
        {"both negative", -3, -1, 2, 2},
        {"band 5 of black to grey", 5, 128, 255, 3},
        {"band 250 of black to grey", 250, 128, 255, 125},
        {"product beyond 32 bits", 1 << 30, 12, 8, 3 << 29},
        {"most negative values", -2147483647 - 1, -2147483647 - 1, -2147483647 - 1,
         -2147483647 - 1},
        {"result too large", 1 << 30, 4, 1, -1},
        {"division by zero", 5, 5, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MulDiv(row.a, row.b, row.c), row.expected);
    }
}

TEST(FillGradientTest, ShortPicturesShowTheBandThatCoversEachRow) {
    struct Row {
        const char* name;
        int height;
        QColor top, bottom;
        int row;
        QRgb expected;
    };
    const Row rows[] = {
        {"23 rows, first row is band 5", 23, QColor(0, 0, 0), QColor(128, 128, 128), 0,
         rgb(3, 3, 3)},
        {"23 rows, last row is band 250", 23, QColor(0, 0, 0), QColor(128, 128, 128), 22,
         rgb(125, 125, 125)},
        {"1 row is band 127", 1, QColor(0, 0, 0), QColor(255, 255, 255), 0, rgb(127, 127, 127)},
        {"falling channels round away from zero", 1, QColor(255, 255, 255), QColor(0, 0, 0), 0,
         rgb(128, 128, 128)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage picture = gradient(QSize(7, row.height), row.top, row.bottom);
        for (int x = 0; x < picture.width(); ++x) {
            ASSERT_EQ(describe(picture.pixel(x, row.row)), describe(row.expected)) << "x " << x;
        }
    }
}

TEST(FillGradientTest, TallPicturesGiveEveryBandItsRows) {
    // Blue to black falls by exactly one per band, so row colours name their band.
    for (int height : {256, 512}) {
        SCOPED_TRACE(height);
        const QImage picture = gradient(QSize(3, height), QColor(0, 0, 255), QColor(0, 0, 0));
        const int rows_per_band = height / 256;
        for (int y = 0; y < height; ++y) {
            const QRgb expected = rgb(0, 0, 255 - y / rows_per_band);
            for (int x = 0; x < 3; ++x) {
                ASSERT_EQ(describe(picture.pixel(x, y)), describe(expected)) << x << "," << y;
            }
        }
    }
}

TEST(FillGradientTest, EndRowsOf256AreExactlyTheTwoColours) {
    const QColor top(10, 200, 30);
    const QColor bottom(250, 20, 31);
    const QImage picture = gradient(QSize(4, 256), top, bottom);
    EXPECT_EQ(describe(picture.pixel(2, 0)), describe(top.rgb()));
    EXPECT_EQ(describe(picture.pixel(2, 255)), describe(bottom.rgb()));
}

TEST(PaintGradientFaceTest, DrawsOnlyInsideItsRectangle) {
    const QImage picture = gradient({90, 23}, QColor(192, 192, 192), QColor(0, 0, 0));
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(QColor(255, 0, 255));
    QPainter painter(&canvas);
    paintGradientFace(painter, QRect(10, 20, 34, 25), picture, true, 1, 1, QColor(255, 0, 0),
                      QColor(0, 255, 0), QColor(0, 0, 255), QString(), QFont(), QColor());
    painter.end();
    EXPECT_TRUE(sameImage(canvas.copy(10, 20, 34, 25),
                          expectedFace({34, 25}, picture, true, 1, 1, QColor(255, 0, 0),
                                       QColor(0, 255, 0), QColor(0, 0, 255))));
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (!QRect(10, 20, 34, 25).contains(x, y)) {
                ASSERT_EQ(describe(canvas.pixel(x, y)), describe(rgb(255, 0, 255)))
                    << x << "," << y;
            }
        }
    }
}

TEST_F(GradButtonTest, StartsWithItsDefaultsAndARenderedPicture) {
    TGradButton button;
    EXPECT_EQ(button.size(), QSize(100, 30));
    EXPECT_EQ(button.Caption(), QStringLiteral("TGradButton"));
    EXPECT_EQ(button.FontColor(), QColor(255, 255, 255));
    EXPECT_EQ(button.GradColor(), QColor(0, 0, 255));
    EXPECT_EQ(button.FaceColor(), QColor(0, 0, 0));
    EXPECT_EQ(button.HighlightColor(), QColor(255, 255, 255));
    EXPECT_EQ(button.ShadowColor(), QColor(0, 0, 0));
    EXPECT_EQ(button.BevelWidth(), 1);
    EXPECT_EQ(button.BorderWidth(), 1);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(sameImage(button.GradBitmap(),
                          gradient(QSize(100, 30), QColor(0, 0, 255), QColor(0, 0, 0))));
}

struct FaceCase {
    const char* name;
    QSize size;
    QColor grad, face, highlight, shadow;
    int bevel, border;
};

class GradButtonFaceTest : public GradButtonTest, public testing::WithParamInterface<FaceCase> {};

TEST_P(GradButtonFaceTest, DrawsOutlineRingsAndPicture) {
    const FaceCase& c = GetParam();
    TGradButton* button = makeButton(c.size);
    button->setGradColor(c.grad);
    button->setFaceColor(c.face);
    button->setHighlightColor(c.highlight);
    button->setShadowColor(c.shadow);
    button->setBevelWidth(c.bevel);
    button->setBorderWidth(c.border);
    showHost();
    const QSize picture_size = c.size - QSize(2 * c.border, 2 * c.border);
    const QImage shown = grabImage(*button);
    ASSERT_TRUE(sameImage(button->GradBitmap(), gradient(picture_size, c.grad, c.face)));
    EXPECT_TRUE(sameImage(shown, expectedFace(c.size, button->GradBitmap(), false, c.border,
                                              c.bevel, c.highlight, c.shadow, c.face)));
}

const QColor kBlack(0, 0, 0);
const QColor kSilver(192, 192, 192);

INSTANTIATE_TEST_SUITE_P(
    Layouts, GradButtonFaceTest,
    testing::Values(
        FaceCase{"MainButton", {92, 25}, kSilver, kBlack, kWhite, kBlack, 1, 1},
        FaceCase{"Keypad", {25, 25}, kBlack, kGrey, kWhite, kBlack, 1, 1},
        FaceCase{"Prompt", {52, 41}, kSilver, kBlack, kWhite, kGrey, 1, 1},
        FaceCase{"DistinctColours",
                 {40, 20},
                 {200, 10, 10},
                 {10, 10, 200},
                 {255, 0, 0},
                 {0, 255, 0},
                 1,
                 1},
        FaceCase{"ThreeRingsWideBorder", {60, 30}, kSilver, kBlack, {255, 0, 0}, {0, 255, 0}, 3, 2},
        FaceCase{"NoRing", {30, 20}, kSilver, kBlack, {255, 0, 0}, {0, 255, 0}, 0, 1},
        FaceCase{"NoBorder", {30, 20}, kSilver, kBlack, {255, 0, 0}, {0, 255, 0}, 1, 0}),
    [](const testing::TestParamInfo<FaceCase>& info) { return std::string(info.param.name); });

TEST_F(GradButtonTest, KeypadPictureRowsShowTheBandsThatCoverThem) {
    TGradButton* button = makeButton({25, 25});
    button->setGradColor(kBlack);
    button->setFaceColor(kGrey);
    showHost();
    const QImage& picture = button->GradBitmap();
    ASSERT_EQ(picture.size(), QSize(23, 23));
    EXPECT_EQ(describe(picture.pixel(11, 0)), describe(rgb(3, 3, 3)));
    EXPECT_EQ(describe(picture.pixel(11, 22)), describe(rgb(125, 125, 125)));
    // The ring hides the picture's first and last rows; the rows between show through.
    const QImage shown = grabImage(*button);
    for (int y = 2; y <= 22; ++y) {
        EXPECT_EQ(describe(shown.pixel(12, y)), describe(picture.pixel(11, y - 1))) << y;
    }
}

TEST_F(GradButtonTest, RingCornersEndInTheLowerRightColour) {
    TGradButton* button = makeButton({40, 20});
    button->setHighlightColor(QColor(255, 0, 0));
    button->setShadowColor(QColor(0, 255, 0));
    showHost();
    const QImage shown = grabImage(*button);
    EXPECT_EQ(describe(shown.pixel(0, 0)), describe(rgb(0, 0, 0)));
    EXPECT_EQ(describe(shown.pixel(39, 19)), describe(rgb(0, 0, 0)));
    EXPECT_EQ(describe(shown.pixel(1, 1)), describe(rgb(255, 0, 0)));    // top-left
    EXPECT_EQ(describe(shown.pixel(20, 1)), describe(rgb(255, 0, 0)));   // top
    EXPECT_EQ(describe(shown.pixel(38, 1)), describe(rgb(0, 255, 0)));   // top-right
    EXPECT_EQ(describe(shown.pixel(1, 18)), describe(rgb(0, 255, 0)));   // bottom-left
    EXPECT_EQ(describe(shown.pixel(38, 18)), describe(rgb(0, 255, 0)));  // bottom-right
}

TEST_F(GradButtonTest, PictureFollowsSizeAndBorderButNotTheBevelColours) {
    TGradButton* button = makeButton({92, 25});
    showHost();
    EXPECT_EQ(button->GradBitmap().size(), QSize(90, 23));

    const qint64 before = button->GradBitmap().cacheKey();  // a new key after each render
    button->setHighlightColor(QColor(1, 2, 3));
    button->setShadowColor(QColor(4, 5, 6));
    button->setBevelWidth(2);
    grabImage(*button);
    EXPECT_EQ(button->GradBitmap().cacheKey(), before);

    button->setBorderWidth(3);  // the repaint finds the picture too big
    EXPECT_EQ(button->GradBitmap().size(), QSize(86, 19));
    const qint64 rendered = button->GradBitmap().cacheKey();
    EXPECT_NE(rendered, before);
    EXPECT_TRUE(sameImage(button->GradBitmap(),
                          gradient({86, 19}, button->GradColor(), button->FaceColor())));

    grabImage(*button);
    grabImage(*button);
    EXPECT_EQ(button->GradBitmap().cacheKey(), rendered);  // plain paints only copy it
}

TEST_F(GradButtonTest, ResizingAShownButtonFitsThePictureBeforeAnyPaint) {
    TGradButton* button = makeButton({92, 25});
    showHost();
    PaintCounter paints(button);
    button->resize(60, 20);
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(button->GradBitmap().size(), QSize(58, 18));
}

TEST_F(GradButtonTest, TooLargeABorderLeavesNoPictureAndStillPaints) {
    TGradButton* button = makeButton({10, 10});
    showHost();
    button->setBorderWidth(5);
    EXPECT_TRUE(button->GradBitmap().isNull());
    const QImage shown = grabImage(*button);
    EXPECT_EQ(describe(shown.pixel(5, 5)), describe(rgb(0, 0, 0)));
}

struct SetterCase {
    const char* name;
    std::function<void(TGradButton&)> set_other;
    std::function<void(TGradButton&)> set_same;
    bool renders;
};

TEST_F(GradButtonTest, SettersRepaintAtOnceAndIgnoreUnchangedValues) {
    const SetterCase cases[] = {
        {"GradColor", [](TGradButton& b) { b.setGradColor(QColor(9, 8, 7)); },
         [](TGradButton& b) { b.setGradColor(QColor(9, 8, 7)); }, true},
        {"FaceColor", [](TGradButton& b) { b.setFaceColor(QColor(200, 100, 50)); },
         [](TGradButton& b) {
             b.setFaceColor(QColor::fromRgbF(200 / 255.0, 100 / 255.0, 50 / 255.0));
         },
         true},
        {"HighlightColor", [](TGradButton& b) { b.setHighlightColor(QColor(1, 1, 1)); },
         [](TGradButton& b) { b.setHighlightColor(QColor(1, 1, 1)); }, false},
        {"ShadowColor", [](TGradButton& b) { b.setShadowColor(QColor(2, 2, 2)); },
         [](TGradButton& b) { b.setShadowColor(QColor(2, 2, 2)); }, false},
        {"BevelWidth", [](TGradButton& b) { b.setBevelWidth(4); },
         [](TGradButton& b) { b.setBevelWidth(4); }, false},
        {"BorderWidth", [](TGradButton& b) { b.setBorderWidth(2); },
         [](TGradButton& b) { b.setBorderWidth(2); }, true},  // at the repaint
    };
    for (const SetterCase& c : cases) {
        SCOPED_TRACE(c.name);
        TGradButton* button = makeButton({92, 25});
        showHost();
        PaintCounter paints(button);
        const qint64 before = button->GradBitmap().cacheKey();  // a new key after each render

        c.set_other(*button);  // no event processing in between: the paint is synchronous
        EXPECT_EQ(paints.count, 1);
        const qint64 after = button->GradBitmap().cacheKey();
        EXPECT_EQ(after != before, c.renders);
        EXPECT_TRUE(sameImage(
            button->GradBitmap(),
            gradient(button->GradBitmap().size(), button->GradColor(), button->FaceColor())));

        c.set_same(*button);
        QApplication::processEvents();
        EXPECT_EQ(paints.count, 1);
        EXPECT_EQ(button->GradBitmap().cacheKey(), after);
        delete button;
    }
}

TEST_F(GradButtonTest, ColourChangesReRenderAtTheCurrentSize) {
    TGradButton* button = makeButton({92, 25});
    showHost();
    button->setGradColor(QColor(0, 0, 0));
    button->setFaceColor(QColor(255, 255, 255));
    EXPECT_EQ(button->GradBitmap().size(), QSize(90, 23));
    EXPECT_TRUE(sameImage(button->GradBitmap(),
                          gradient({90, 23}, QColor(0, 0, 0), QColor(255, 255, 255))));
}

// Finds a caption exactly `width` pixels wide in `font`.
QString captionOfWidth(const QFont& font, int width) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("MWmwabdeghnopqu0123456789kxyzcsv");
    for (QChar wide : letters) {
        for (QChar narrow : QStringLiteral("il.:1tfrj ")) {
            QString text;
            while (metrics.horizontalAdvance(text + wide) <= width) {
                text += wide;
            }
            for (int i = 0; i < 20 && metrics.horizontalAdvance(text) < width; ++i) {
                text += narrow;
            }
            if (metrics.horizontalAdvance(text) == width) {
                return text;
            }
        }
    }
    return {};
}

struct CaptionCase {
    const char* name;
    int text_width;
    int expected_x;
};

class GradButtonCaptionTest : public GradButtonTest,
                              public testing::WithParamInterface<CaptionCase> {};

// The caption must land exactly where a caption drawn by hand at the expected top-left lands.
TEST_P(GradButtonCaptionTest, IsCentredOnTheWholeButtonTruncatingTowardZero) {
    const CaptionCase& c = GetParam();
    const QString caption = captionOfWidth(captionFont(), c.text_width);
    ASSERT_FALSE(caption.isEmpty()) << "no caption " << c.text_width << " pixels wide";

    TGradButton* button = makeButton({92, 25});
    showHost();
    QPixmap reference = button->grab();  // empty caption
    const QImage blank = reference.toImage().convertToFormat(QImage::Format_RGB32);
    button->setCaption(caption);
    const QImage shown = grabImage(*button);

    const QFontMetrics metrics(captionFont());
    const int expected_y = (25 - metrics.height()) / 2;
    auto drawnAt = [&](int x) {
        QPixmap pixmap = reference;
        QPainter painter(&pixmap);
        painter.setFont(captionFont());
        painter.setPen(QColor(255, 255, 255));
        painter.drawText(QPoint(x, expected_y + metrics.ascent()), caption);
        painter.end();
        return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_FALSE(sameImage(shown, blank));
    EXPECT_TRUE(sameImage(shown, drawnAt(c.expected_x)));
    EXPECT_FALSE(sameImage(shown, drawnAt(c.expected_x - 1)));
}

INSTANTIATE_TEST_SUITE_P(Widths, GradButtonCaptionTest,
                         testing::Values(CaptionCase{"Narrow", 41, 25},
                                         CaptionCase{"Wider", 95, -1},
                                         CaptionCase{"MuchWider", 101, -4}),
                         [](const testing::TestParamInfo<CaptionCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(GradButtonTest, IgnoresEnabledStateGlyphAndLayout) {
    TGradButton* plain = makeButton({52, 41}, QStringLiteral("Ok"));
    TGradButton* dressed = makeButton({52, 41}, QStringLiteral("Ok"));
    dressed->move(100, 10);
    QPixmap glyph(16, 16);
    glyph.fill(Qt::red);
    dressed->setGlyph(glyph);
    dressed->setLayout(SpeedButton::ButtonLayout::GlyphTop);
    dressed->setEnabled(false);
    showHost();
    EXPECT_TRUE(sameImage(grabImage(*dressed), grabImage(*plain)));
}

}  // namespace
