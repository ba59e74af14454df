#include "controls/Gradbtns.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <functional>

#include "controls/ControlsTestSupport.h"

namespace {

QImage gradient(QSize size, QColor top, QColor bottom) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    FillGradient(top, bottom, picture);
    return picture;
}

class GradButtonTest : public ControlHostTest {
  protected:
    TGradButton* makeButton(QSize size, const QString& caption = QString()) {
        auto* button = add<TGradButton>(QRect(QPoint(10, 10), size));
        button->setCaption(caption);
        button->setFont(captionFont());
        return button;
    }
};

TEST(MulDivTest, RoundsToNearestWithHalvesAwayFromZero) {
    const struct {
        const char* name;
        int a, b, c, expected;
    } rows[] = {
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
        {"most negative values", INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
        {"result too large", 1 << 30, 4, 1, -1},
        {"division by zero", 5, 5, 0, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MulDiv(row.a, row.b, row.c), row.expected);
    }
}

TEST(FillGradientTest, ShortPicturesShowTheBandThatCoversEachRow) {
    const struct {
        const char* name;
        int height;
        QColor top, bottom;
        int row;
        QColor expected;
    } rows[] = {
        {"23 rows, first row is band 5", 23, kBlack, kGrey, 0, {3, 3, 3}},
        {"23 rows, last row is band 250", 23, kBlack, kGrey, 22, {125, 125, 125}},
        {"1 row is band 127", 1, kBlack, kWhite, 0, {127, 127, 127}},
        {"falling channels round away from zero", 1, kWhite, kBlack, 0, {128, 128, 128}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage picture = gradient(QSize(7, row.height), row.top, row.bottom);
        for (int x = 0; x < picture.width(); ++x) {
            ASSERT_EQ(pixel(picture, x, row.row), describe(row.expected)) << "x " << x;
        }
    }
}

TEST(FillGradientTest, TallPicturesGiveEveryBandItsRows) {
    // Blue to black falls by exactly one per band, so row colours name their band.
    for (int height : {256, 512}) {
        SCOPED_TRACE(height);
        const QImage picture = gradient(QSize(3, height), QColor(0, 0, 255), kBlack);
        for (int y = 0; y < height; ++y) {
            const QColor expected(0, 0, 255 - y / (height / 256));
            for (int x = 0; x < 3; ++x) {
                ASSERT_EQ(pixel(picture, x, y), describe(expected)) << x << "," << y;
            }
        }
    }
}

TEST(FillGradientTest, EndRowsOf256AreExactlyTheTwoColours) {
    const QColor top(10, 200, 30);
    const QColor bottom(250, 20, 31);
    const QImage picture = gradient(QSize(4, 256), top, bottom);
    EXPECT_EQ(pixel(picture, 2, 0), describe(top));
    EXPECT_EQ(pixel(picture, 2, 255), describe(bottom));
}

TEST(PaintGradientFaceTest, DrawsOnlyInsideItsRectangle) {
    const QImage picture = gradient({90, 23}, kSilver, kBlack);
    const QColor blue(0, 0, 255);
    const QRect area(10, 20, 34, 25);
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    paintGradientFace(painter, area, picture, true, 1, 1, kRed, kGreen, blue, QString(), QFont(),
                      QColor());
    painter.end();
    EXPECT_TRUE(sameImage(canvas.copy(area),
                          expectedFace(area.size(), picture, true, 1, 1, kRed, kGreen, blue)));
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (!area.contains(x, y)) {
                ASSERT_EQ(pixel(canvas, x, y), describe(Qt::magenta)) << x << "," << y;
            }
        }
    }
}

TEST_F(GradButtonTest, StartsWithItsDefaultsAndARenderedPicture) {
    TGradButton button;
    EXPECT_EQ(button.size(), QSize(100, 30));
    EXPECT_EQ(button.Caption(), QStringLiteral("TGradButton"));
    EXPECT_EQ(button.FontColor(), kWhite);
    EXPECT_EQ(button.GradColor(), QColor(0, 0, 255));
    EXPECT_EQ(button.FaceColor(), kBlack);
    EXPECT_EQ(button.HighlightColor(), kWhite);
    EXPECT_EQ(button.ShadowColor(), kBlack);
    EXPECT_EQ(button.BevelWidth(), 1);
    EXPECT_EQ(button.BorderWidth(), 1);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(
        sameImage(button.GradBitmap(), gradient(QSize(100, 30), QColor(0, 0, 255), kBlack)));
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
    ASSERT_TRUE(sameImage(button->GradBitmap(), gradient(picture_size, c.grad, c.face)));
    EXPECT_TRUE(
        sameImage(grabImage(*button), expectedFace(c.size, button->GradBitmap(), false, c.border,
                                                   c.bevel, c.highlight, c.shadow, c.face)));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GradButtonFaceTest,
    testing::Values(
        FaceCase{"MainButton", {92, 25}, kSilver, kBlack, kWhite, kBlack, 1, 1},
        FaceCase{"Keypad", {25, 25}, kBlack, kGrey, kWhite, kBlack, 1, 1},
        FaceCase{"Prompt", {52, 41}, kSilver, kBlack, kWhite, kGrey, 1, 1},
        FaceCase{"DistinctColours", {40, 20}, {200, 10, 10}, {10, 10, 200}, kRed, kGreen, 1, 1},
        FaceCase{"ThreeRingsWideBorder", {60, 30}, kSilver, kBlack, kRed, kGreen, 3, 2},
        FaceCase{"NoRing", {30, 20}, kSilver, kBlack, kRed, kGreen, 0, 1},
        FaceCase{"NoBorder", {30, 20}, kSilver, kBlack, kRed, kGreen, 1, 0}),
    [](const testing::TestParamInfo<FaceCase>& info) { return std::string(info.param.name); });

TEST_F(GradButtonTest, KeypadPictureRowsShowTheBandsThatCoverThem) {
    TGradButton* button = makeButton({25, 25});
    button->setGradColor(kBlack);
    button->setFaceColor(kGrey);
    showHost();
    const QImage& picture = button->GradBitmap();
    ASSERT_EQ(picture.size(), QSize(23, 23));
    EXPECT_EQ(pixel(picture, 11, 0), describe(QColor(3, 3, 3)));
    EXPECT_EQ(pixel(picture, 11, 22), describe(QColor(125, 125, 125)));
    // The ring hides the picture's first and last rows; the rows between show through.
    const QImage shown = grabImage(*button);
    for (int y = 2; y <= 22; ++y) {
        EXPECT_EQ(pixel(shown, 12, y), pixel(picture, 11, y - 1)) << y;
    }
}

TEST_F(GradButtonTest, RingCornersEndInTheLowerRightColour) {
    TGradButton* button = makeButton({40, 20});
    button->setHighlightColor(kRed);
    button->setShadowColor(kGreen);
    showHost();
    const QImage shown = grabImage(*button);
    EXPECT_EQ(pixel(shown, 0, 0), describe(kBlack));
    EXPECT_EQ(pixel(shown, 39, 19), describe(kBlack));
    EXPECT_EQ(pixel(shown, 1, 1), describe(kRed));      // top-left
    EXPECT_EQ(pixel(shown, 20, 1), describe(kRed));     // top
    EXPECT_EQ(pixel(shown, 38, 1), describe(kGreen));   // top-right
    EXPECT_EQ(pixel(shown, 1, 18), describe(kGreen));   // bottom-left
    EXPECT_EQ(pixel(shown, 38, 18), describe(kGreen));  // bottom-right
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
    EventCounter paints(button);
    button->resize(60, 20);
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(button->GradBitmap().size(), QSize(58, 18));
}

TEST_F(GradButtonTest, TooLargeABorderLeavesNoPictureAndStillPaints) {
    TGradButton* button = makeButton({10, 10});
    showHost();
    button->setBorderWidth(5);
    EXPECT_TRUE(button->GradBitmap().isNull());
    EXPECT_EQ(pixel(grabImage(*button), 5, 5), describe(kBlack));
}

TEST_F(GradButtonTest, SettersRepaintAtOnceAndIgnoreUnchangedValues) {
    using Set = std::function<void(TGradButton&)>;
    const struct {
        const char* name;
        Set set;
        bool renders;
        Set set_same;  // the same value given again: by default as `set` gives it
    } rows[] = {
        {"GradColor", [](TGradButton& b) { b.setGradColor(QColor(9, 8, 7)); }, true, {}},
        {"FaceColor", [](TGradButton& b) { b.setFaceColor(QColor(200, 100, 50)); }, true,
         [](TGradButton& b) {
             b.setFaceColor(QColor::fromRgbF(200 / 255.0, 100 / 255.0, 50 / 255.0));
         }},
        {"HighlightColor", [](TGradButton& b) { b.setHighlightColor(QColor(1, 1, 1)); }, false, {}},
        {"ShadowColor", [](TGradButton& b) { b.setShadowColor(QColor(2, 2, 2)); }, false, {}},
        {"BevelWidth", [](TGradButton& b) { b.setBevelWidth(4); }, false, {}},
        {"BorderWidth", [](TGradButton& b) { b.setBorderWidth(2); }, true, {}},  // at the repaint
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TGradButton* button = makeButton({92, 25});
        showHost();
        EventCounter paints(button);
        const qint64 before = button->GradBitmap().cacheKey();  // a new key after each render

        row.set(*button);  // no event processing in between: the paint is synchronous
        EXPECT_EQ(paints.count, 1);
        const qint64 after = button->GradBitmap().cacheKey();
        EXPECT_EQ(after != before, row.renders);
        EXPECT_TRUE(sameImage(
            button->GradBitmap(),
            gradient(button->GradBitmap().size(), button->GradColor(), button->FaceColor())));

        (row.set_same ? row.set_same : row.set)(*button);
        QApplication::processEvents();
        EXPECT_EQ(paints.count, 1);
        EXPECT_EQ(button->GradBitmap().cacheKey(), after);
        delete button;
    }
}

TEST_F(GradButtonTest, ColourChangesReRenderAtTheCurrentSize) {
    TGradButton* button = makeButton({92, 25});
    showHost();
    button->setGradColor(kBlack);
    button->setFaceColor(kWhite);
    EXPECT_EQ(button->GradBitmap().size(), QSize(90, 23));
    EXPECT_TRUE(sameImage(button->GradBitmap(), gradient({90, 23}, kBlack, kWhite)));
}

// Finds a caption exactly `width` pixels wide in `font`.
QString captionOfWidth(const QFont& font, int width) {
    const QFontMetrics metrics(font);
    for (QChar wide : QStringLiteral("MWmwabdeghnopqu0123456789kxyzcsv")) {
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
        painter.setPen(kWhite);
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
