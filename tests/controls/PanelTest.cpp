#include "controls/Panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <utility>
#include <vector>

#include "controls/ControlsTestSupport.h"
#include "controls/SpeedButton.h"

namespace {

using Cut = Panel::BevelCut;

// Rings from the outside in, each as (upper-left, lower-right) colours; the right column and
// bottom row of a ring take the lower-right colour.
QImage expectedRings(QSize size, const std::vector<std::pair<QColor, QColor>>& rings, QColor fill) {
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int right = size.width() - 1;
            const int bottom = size.height() - 1;
            const int d = std::min({x, y, right - x, bottom - y});
            QRgb c = fill.rgb();
            if (d < static_cast<int>(rings.size())) {
                const auto& [upper_left, lower_right] = rings[d];
                c = (x == right - d || y == bottom - d) ? lower_right.rgb() : upper_left.rgb();
            }
            out.setPixel(x, y, c);
        }
    }
    return out;
}

class PressRecorder : public QWidget {
  public:
    int presses = 0;

  protected:
    void mousePressEvent(QMouseEvent* /*event*/) override { ++presses; }
};

class PanelTest : public testing::Test {
  protected:
    void SetUp() override { host_.resize(300, 200); }
    void showHost() {
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    }
    void pressAt(QPoint pos) {
        QTest::mousePress(host_.windowHandle(), Qt::LeftButton, {}, pos);
        QTest::mouseRelease(host_.windowHandle(), Qt::LeftButton, {}, pos);
    }
    PressRecorder host_;
};

struct PanelCase {
    const char* name;
    Cut outer, inner;
    int width;
    QColor color;
    std::vector<std::pair<QColor, QColor>> rings;
};

class PanelLookTest : public PanelTest, public testing::WithParamInterface<PanelCase> {};

TEST_P(PanelLookTest, FillsAndDrawsOuterThenInnerRings) {
    const PanelCase& c = GetParam();
    auto* panel = new Panel(&host_);
    panel->setGeometry(24, 28, 50, 30);
    panel->setBevelOuter(c.outer);
    panel->setBevelInner(c.inner);
    panel->setBevelWidth(c.width);
    panel->setColor(c.color);
    showHost();
    EXPECT_TRUE(sameImage(grabImage(*panel), expectedRings({50, 30}, c.rings, c.color)));
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, PanelLookTest,
    testing::Values(
        PanelCase{"Keypad",
                  Cut::Lowered,
                  Cut::Raised,
                  1,
                  QColor(0, 0, 0),
                  {{kGrey, kWhite}, {kWhite, kGrey}}},
        PanelCase{"Default", Cut::Raised, Cut::None, 1, QColor(192, 192, 192), {{kWhite, kGrey}}},
        PanelCase{"Flat", Cut::None, Cut::None, 1, QColor(0, 0, 0), {}},
        PanelCase{"InnerOnly", Cut::None, Cut::Lowered, 1, QColor(0, 0, 0), {{kGrey, kWhite}}},
        PanelCase{"Wide",
                  Cut::Raised,
                  Cut::Lowered,
                  2,
                  QColor(10, 20, 30),
                  {{kWhite, kGrey}, {kWhite, kGrey}, {kGrey, kWhite}, {kGrey, kWhite}}}),
    [](const testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

TEST_F(PanelTest, KeepsPressesFromReachingTheWindowBeneath) {
    auto* panel = new Panel(&host_);
    panel->setGeometry(0, 0, 100, 100);
    auto* label = new QLabel(QStringLiteral("00:00"), panel);
    label->setGeometry(10, 10, 50, 20);
    auto* plain_container = new QWidget(&host_);
    plain_container->setGeometry(150, 0, 100, 100);
    showHost();

    pressAt({80, 80});  // the panel itself
    pressAt({20, 15});  // a label lying on the panel
    EXPECT_EQ(host_.presses, 0);
    pressAt({200, 50});   // an ordinary container passes presses on
    pressAt({120, 150});  // the window's own surface
    EXPECT_EQ(host_.presses, 2);
}

TEST_F(PanelTest, BevelIsAFrameThatShowsAndPassesThroughWhatLiesBeneath) {
    auto* panel = new Panel(&host_);
    panel->setGeometry(0, 0, 200, 100);
    panel->setBevelOuter(Cut::None);
    panel->setColor(QColor(0, 0, 0));
    auto* button = new SpeedButton(panel);
    button->setGeometry(100, 20, 40, 25);
    int clicks = 0;
    QObject::connect(button, &SpeedButton::clicked, [&clicks] { ++clicks; });
    auto* raised = new Bevel(panel);
    raised->setGeometry(10, 10, 30, 20);
    raised->setStyle(Bevel::BevelStyle::Raised);
    auto* lowered = new Bevel(panel);
    lowered->setGeometry(95, 15, 60, 40);  // created later, lies over the button
    showHost();

    const QImage shown = grabImage(*panel);
    EXPECT_TRUE(sameImage(shown.copy(10, 10, 30, 20),
                          expectedRings({30, 20}, {{kWhite, kGrey}}, QColor(0, 0, 0))));
    EXPECT_EQ(describe(shown.pixel(95, 15)), describe(kGrey.rgb()));
    EXPECT_EQ(describe(shown.pixel(154, 54)), describe(kWhite.rgb()));
    EXPECT_EQ(describe(shown.pixel(120, 32)), describe(grabImage(*button).pixel(20, 12)));

    pressAt({120, 32});
    EXPECT_EQ(clicks, 1);
}

}  // namespace
