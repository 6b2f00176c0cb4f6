// The preview tables and the preview steps that draw the light modes on the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "device/preview_tables.h"
#include "device/quorin_products.h"

namespace devbasetest {
namespace {

using namespace kx58;

TEST(PreviewTablesTest, TablesHoldUsableValues) {
    const auto& wheel = ColourWheel();
    for (const PreviewColour& c : wheel) {
        EXPECT_EQ(std::max({c.red, c.green, c.blue}), 255);  // fully saturated
        EXPECT_EQ(std::min({c.red, c.green, c.blue}), 0);
    }
    EXPECT_EQ(wheel[0].red, 255);
    EXPECT_EQ(wheel[64].green, 255);
    EXPECT_EQ(wheel[128].blue, 255);

    const auto& curve = BreathingCurve();
    EXPECT_EQ(curve[0], 0);
    EXPECT_EQ(curve[kBreathingSteps / 2], 255);
    EXPECT_TRUE(std::is_sorted(curve.begin(), curve.begin() + kBreathingSteps / 2 + 1));

    EXPECT_EQ(BrightnessScale(0), 0);
    EXPECT_EQ(BrightnessScale(-3), 0);
    EXPECT_EQ(BrightnessScale(99), 255);
    EXPECT_LT(BrightnessScale(1), BrightnessScale(2));

    // Faster speeds step sooner; values past the row repeat the fastest; no row holds 0.
    EXPECT_GT(SpeedTableValue(5, 0), SpeedTableValue(5, 4));
    EXPECT_EQ(SpeedTableValue(5, 4), SpeedTableValue(5, 200));
    for (int row = 0; row < static_cast<int>(kSpeedRowCount); ++row)
        for (int speed = 0; speed < static_cast<int>(kSpeedRowLength); ++speed) EXPECT_GT(SpeedTableValue(row, speed), 0);

    std::set<std::uint8_t> leds;
    for (std::size_t column = 0; column < kLedGridColumns; ++column)
        for (std::size_t row = 0; row < kLedGridRows; ++row)
            if (const std::uint8_t cell = LedGridCell(column, row); IsLedGridLed(cell)) {
                EXPECT_TRUE(leds.insert(cell).second);
            }
    EXPECT_GT(leds.size(), 100u);
    EXPECT_LT(*leds.rbegin(), kLedGridFirstGap);
    EXPECT_EQ(LedGridCell(kLedGridColumns, 0), kLedGridNoLed);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override { device.SetTableSizes({8, 8, 0, -1}); }
    void SetState(std::uint8_t mode, std::uint8_t brightness, bool multi, std::uint8_t r = 10, std::uint8_t g = 20,
                  std::uint8_t b = 30) {
        LightState state;
        state.modeCode = mode;
        state.brightness = brightness;
        state.multiColor = multi ? 1 : 0;
        state.red = r;
        state.green = g;
        state.blue = b;
        const auto words = state.ToWords();
        device.SetLightState(words[0], words[1], words[2], words[3]);
    }
    bool AllEqual(Rgba colour) const {
        const auto colours = device.PageColours();
        return std::all_of(colours.begin(), colours.end(), [&](const Rgba& c) { return c == colour; });
    }
    CQuorinMousePadDevice device;
};

TEST_F(PreviewTest, BreathingFollowsTheCurveAndWalksTheWheelWithMultiColour) {
    SetState(5, 5, false);
    device.PreviewBreathe();
    const std::uint8_t alpha = static_cast<std::uint8_t>(BreathingCurve()[1] * BrightnessScale(5) / 256);
    EXPECT_TRUE(AllEqual({10, 20, 30, alpha}));

    SetState(5, 5, true);
    for (std::size_t i = 1; i < kBreathingSteps; ++i) device.PreviewBreathe();  // wraps to 0
    const PreviewColour next = ColourWheel()[kColourWheelStride];
    EXPECT_TRUE(AllEqual({next.red, next.green, next.blue, 0}));
    // Twelve cycles take the colour index round the 192-colour wheel back to the start.
    for (std::size_t i = 0; i < 11 * kBreathingSteps; ++i) device.PreviewBreathe();
    const PreviewColour first = ColourWheel()[0];
    EXPECT_TRUE(AllEqual({first.red, first.green, first.blue, 0}));
}

TEST_F(PreviewTest, StaticSpectrumAndOffFillEveryLed) {
    SetState(6, 2, false, 1, 2, 3);
    device.PreviewStatic();
    EXPECT_TRUE(AllEqual({1, 2, 3, BrightnessScale(2)}));
    device.PreviewSpectrum();
    const PreviewColour wheel1 = ColourWheel()[1];
    EXPECT_TRUE(AllEqual({wheel1.red, wheel1.green, wheel1.blue, BrightnessScale(2)}));
    device.PreviewOff();
    EXPECT_TRUE(AllEqual({0, 0, 0, 0}));
}

TEST_F(PreviewTest, FlashStartsWithItsOnPhase) {
    SetState(23, 5, false, 200, 0, 0);
    device.PreviewFlash();  // the first call always changes phase: the time base starts at 0
    EXPECT_TRUE(AllEqual({200, 0, 0, 255}));
}

// The keyboard's wave previews run on the LED grid; the page shows them through the LED map.
class WaveDevice : public CQuorinMousePadDevice {
public:
    using CQuorinUSBDevice::SetLedIndexMap;
};

TEST(WavePreviewTest, TheWaveFrontMovesOneColumnPerStep) {
    WaveDevice device;
    device.SetTableSizes({4, 4, 0, -1});
    LightState state;
    state.brightness = 5;
    const auto words = state.ToWords();
    device.SetLightState(words[0], words[1], words[2], words[3]);
    const std::uint8_t column0 = LedGridCell(0, 1), column1 = LedGridCell(1, 1);
    device.SetLedIndexMap({{0, column0}, {1, column1}});
    device.ClearPreviewBuffers();
    const auto& curve = BreathingCurve();

    device.PreviewWaveStep(true);
    EXPECT_EQ(device.GetLedColour(0).alpha, curve[1]);
    EXPECT_EQ(device.GetLedColour(1).alpha, 0);
    const PreviewColour hue = ColourWheel()[column0];
    EXPECT_EQ(device.GetLedColour(0).red, hue.red);

    device.PreviewWaveStep(true);
    EXPECT_EQ(device.GetLedColour(0).alpha, curve[2]);
    EXPECT_EQ(device.GetLedColour(1).alpha, curve[1]);

    // Back the other way the front leaves column 0 behind.
    device.PreviewRotateRow(true);
    device.ClearPreviewBuffers();
    device.PreviewWaveStep(false);
    EXPECT_EQ(device.GetLedColour(0).alpha, 0);
    EXPECT_EQ(device.GetLedColour(3).alpha, 0);  // keys without an LED stay dark
}

}  // namespace
}  // namespace devbasetest
