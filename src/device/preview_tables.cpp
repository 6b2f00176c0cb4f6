#include "device/preview_tables.h"

#include <algorithm>
#include <string_view>

namespace kx58 {
namespace {

// Hue sweep at full saturation: six 32-step ramps, red -> yellow -> green -> cyan -> blue ->
// magenta -> red.
constexpr std::array<PreviewColour, kColourWheelSize> MakeWheel() {
    std::array<PreviewColour, kColourWheelSize> wheel{};
    constexpr std::size_t kRamp = kColourWheelSize / 6;
    for (std::size_t i = 0; i < kColourWheelSize; ++i) {
        const std::size_t segment = i / kRamp;
        const auto up = static_cast<std::uint8_t>((i % kRamp) * 255 / (kRamp - 1));
        const auto down = static_cast<std::uint8_t>(255 - up);
        constexpr std::uint8_t full = 255;
        switch (segment) {
        case 0: wheel[i] = {full, up, 0}; break;
        case 1: wheel[i] = {down, full, 0}; break;
        case 2: wheel[i] = {0, full, up}; break;
        case 3: wheel[i] = {0, down, full}; break;
        case 4: wheel[i] = {up, 0, full}; break;
        default: wheel[i] = {full, 0, down}; break;
        }
    }
    return wheel;
}

// A smooth rise over the first half and fall over the second (smoothstep of a triangle), so
// the light lingers briefly dark and bright like a sleeping device's breathing.
constexpr std::array<std::uint8_t, kBreathingSteps> MakeBreathing() {
    std::array<std::uint8_t, kBreathingSteps> curve{};
    constexpr double half = kBreathingSteps / 2.0;
    for (std::size_t i = 0; i < kBreathingSteps; ++i) {
        const double t = i < half ? i / half : (kBreathingSteps - i) / half;
        const double eased = t * t * (3.0 - 2.0 * t);
        curve[i] = static_cast<std::uint8_t>(eased * 255.0 + 0.5);
    }
    return curve;
}

constexpr std::array<PreviewColour, kFixedPreviewColourCount> kFixedColours = {{
    {0xFF, 0x20, 0x20}, {0x20, 0xFF, 0x40}, {0x30, 0x60, 0xFF}, {0xFF, 0xC0, 0x20},
}};
constexpr auto kWheel = MakeWheel();
constexpr auto kBreathing = MakeBreathing();
constexpr std::array<std::uint8_t, 6> kBrightness = {0, 40, 90, 150, 210, 255};

// Ticks between steps by speed value 0 (slowest) to 4 (fastest); values past 4 repeat the
// fastest. A tick is about 2 ms of the light thread; the flashing rows count in 200 ms units.
struct SpeedRow {
    int mode;
    std::array<std::uint8_t, kSpeedRowLength> ticks;
};
constexpr std::array<std::uint8_t, kSpeedRowLength> Row(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                                         std::uint8_t d, std::uint8_t e) {
    return {a, b, c, d, e, e, e, e, e, e, e, e, e, e, e};
}
constexpr SpeedRow kSpeedRows[] = {
    {4, Row(24, 16, 10, 6, 3)},    // spectrum: one wheel step
    {5, Row(28, 20, 14, 9, 5)},    // breathing: one curve step
    {6, Row(50, 50, 50, 50, 50)},  // static: refresh only
    {7, Row(40, 30, 20, 14, 8)},   // reactive: keys fade out
    {10, Row(50, 40, 30, 20, 12)}, // starlight: stars twinkle
    {13, Row(40, 32, 24, 16, 10)}, // flicker
    {14, Row(60, 45, 30, 20, 12)}, // snake: one key per step
    {16, Row(20, 20, 20, 20, 20)}, // key fade: no speed choice
    {17, Row(25, 25, 25, 25, 25)}, // zone cycle: no speed choice
    {18, Row(20, 20, 20, 20, 20)}, // pulse ring: no speed choice
    {20, Row(50, 50, 50, 50, 50)}, // custom colours: refresh only
    {23, Row(5, 4, 3, 2, 1)},      // flashing: phase length x 200 ms
    {25, Row(40, 30, 20, 14, 8)},  // sparkle: as reactive
    {28, Row(50, 50, 50, 50, 50)}, // off
    {29, Row(2, 2, 2, 2, 2)},      // music: the bars fall every 2 ticks
    {30, Row(20, 20, 20, 20, 20)}, // screen sync: no speed choice
};
constexpr auto kDefaultSpeedRow = Row(30, 22, 15, 10, 6);

// The keyboard's plan: 'x' is a key with an LED, '.' none. Indexes run row by row.
constexpr std::string_view kGridPlan[kLedGridRows] = {
    "x.xxxx.xxxx.xxxxxxx....",  // Esc, F1-F12, PrtSc, ScrLk, Pause
    "xxxxxxxxxxxxxx.xxx.xxxx",  // number row, Ins Home PgUp, numpad
    "xxxxxxxxxxxxxx.xxx.xxxx",  // Tab row, Del End PgDn, numpad
    "xxxxxxxxxxxxx......xxx.",  // Caps row, numpad 4-6
    "xxxxxxxxxxxx....x..xxxx",  // Shift row, Up, numpad 1-3 Enter
    "xxx...x...xxxx.xxx.x.x.",  // bottom row, Left Down Right, numpad 0 .
};

constexpr std::array<std::array<std::uint8_t, kLedGridRows>, kLedGridColumns> MakeGrid() {
    std::array<std::array<std::uint8_t, kLedGridRows>, kLedGridColumns> grid{};
    std::uint8_t next = 0;
    for (std::size_t row = 0; row < kLedGridRows; ++row)
        for (std::size_t column = 0; column < kLedGridColumns; ++column)
            grid[column][row] = kGridPlan[row][column] == 'x' ? next++ : kLedGridNoLed;
    return grid;
}
constexpr auto kGrid = MakeGrid();

}  // namespace

const std::array<PreviewColour, kFixedPreviewColourCount>& FixedPreviewColours() { return kFixedColours; }
const std::array<PreviewColour, kColourWheelSize>& ColourWheel() { return kWheel; }
const std::array<std::uint8_t, kBreathingSteps>& BreathingCurve() { return kBreathing; }

std::uint8_t BrightnessScale(int brightness) {
    const int last = static_cast<int>(kBrightness.size()) - 1;
    return kBrightness[static_cast<std::size_t>(std::clamp(brightness, 0, last))];
}

std::uint8_t SpeedTableValue(int row, int speed) {
    const auto index = static_cast<std::size_t>(std::clamp(speed, 0, static_cast<int>(kSpeedRowLength) - 1));
    for (const SpeedRow& entry : kSpeedRows)
        if (entry.mode == row) return entry.ticks[index];
    return kDefaultSpeedRow[index];
}

std::uint8_t LedGridCell(std::size_t column, std::size_t row) {
    if (column >= kLedGridColumns || row >= kLedGridRows) return kLedGridNoLed;
    return kGrid[column][row];
}

}  // namespace kx58
