#include "controls/Panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "controls/ControlsTestSupport.h"
#include "controls/SpeedButton.h"

namespace {

using Cut = Panel::BevelCut;

using PanelTest = ControlHostTest;

struct PanelCase {
    const char* name;
    Cut outer, inner;
    int width;
    QColor color;
    Rings rings;
};

class PanelLookTest : public PanelTest, public testing::WithParamInterface<PanelCase> {};

TEST_P(PanelLookTest, FillsAndDrawsOuterThenInnerRings) {
    const PanelCase& c = GetParam();
    auto* panel = add<Panel>({24, 28, 50, 30});
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
        PanelCase{
            "Keypad", Cut::Lowered, Cut::Raised, 1, kBlack, {{kGrey, kWhite}, {kWhite, kGrey}}},
        PanelCase{"Default", Cut::Raised, Cut::None, 1, kSilver, {{kWhite, kGrey}}},
        PanelCase{"Flat", Cut::None, Cut::None, 1, kBlack, {}},
        PanelCase{"InnerOnly", Cut::None, Cut::Lowered, 1, kBlack, {{kGrey, kWhite}}},
        PanelCase{"Wide",
                  Cut::Raised,
                  Cut::Lowered,
                  2,
                  QColor(10, 20, 30),
                  {{kWhite, kGrey}, {kWhite, kGrey}, {kGrey, kWhite}, {kGrey, kWhite}}}),
    [](const testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

TEST_F(PanelTest, KeepsPressesFromReachingTheWindowBeneath) {
    auto* panel = add<Panel>({0, 0, 100, 100});
    add<QLabel>({10, 10, 50, 20}, panel)->setText(QStringLiteral("00:00"));
    add<QWidget>({150, 0, 100, 100});  // an ordinary container
    EventCounter presses(&host_, QEvent::MouseButtonPress);
    showHost();

    click({80, 80});  // the panel itself
    click({20, 15});  // a label lying on the panel
    EXPECT_EQ(presses.count, 0);
    click({200, 50});   // an ordinary container passes presses on
    click({120, 150});  // the window's own surface
    EXPECT_EQ(presses.count, 2);
}

TEST_F(PanelTest, BevelIsAFrameThatShowsAndPassesThroughWhatLiesBeneath) {
    auto* panel = add<Panel>({0, 0, 200, 100});
    panel->setBevelOuter(Cut::None);
    panel->setColor(kBlack);
    auto* button = new SpeedButton(panel);
    button->setGeometry(100, 20, 40, 25);
    int clicks = 0;
    QObject::connect(button, &SpeedButton::clicked, [&clicks] { ++clicks; });
    add<Bevel>({10, 10, 30, 20}, panel)->setStyle(Bevel::BevelStyle::Raised);
    add<Bevel>({95, 15, 60, 40}, panel);  // lowered, created later, lies over the button
    showHost();

    const QImage shown = grabImage(*panel);
    EXPECT_TRUE(
        sameImage(shown.copy(10, 10, 30, 20), expectedRings({30, 20}, {{kWhite, kGrey}}, kBlack)));
    EXPECT_EQ(pixel(shown, 95, 15), describe(kGrey));
    EXPECT_EQ(pixel(shown, 154, 54), describe(kWhite));
    EXPECT_EQ(pixel(shown, 120, 32), pixel(grabImage(*button), 20, 12));

    click({120, 32});
    EXPECT_EQ(clicks, 1);
}

}  // namespace
