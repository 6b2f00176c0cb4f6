#pragma once
// The tables the page previews run on: four fixed colours, a 192-entry colour wheel, the
// 128-step breathing curve, the brightness scale, one 15-byte speed row per light mode and
// the keyboard's LED layout grid.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kx58 {

struct PreviewColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

inline constexpr std::size_t kFixedPreviewColourCount = 4;
inline constexpr std::size_t kColourWheelSize = 192;
inline constexpr std::size_t kColourWheelStride = 16;
inline constexpr std::size_t kBreathingSteps = 128;
inline constexpr std::size_t kSpeedRowLength = 15;
inline constexpr std::size_t kSpeedRowCount = 31;  // one per light-mode code 0..30
inline constexpr std::size_t kLedGridColumns = 23;
inline constexpr std::size_t kLedGridRows = 6;
// Grid cells holding this or any value from kLedGridFirstGap up have no LED.
inline constexpr std::uint8_t kLedGridNoLed = 255;
inline constexpr std::uint8_t kLedGridFirstGap = 170;

const std::array<PreviewColour, kFixedPreviewColourCount>& FixedPreviewColours();
const std::array<PreviewColour, kColourWheelSize>& ColourWheel();
// 0..255, rising from dark to full and back over the cycle.
const std::array<std::uint8_t, kBreathingSteps>& BreathingCurve();
// The colour scale (0..255) of a brightness value; values above the scale take its top.
std::uint8_t BrightnessScale(int brightness);
// Ticks between preview steps for a mode's row at a speed value (clamped to the row).
std::uint8_t SpeedTableValue(int row, int speed);
// The LED index in a grid cell, or kLedGridNoLed.
std::uint8_t LedGridCell(std::size_t column, std::size_t row);
inline bool IsLedGridLed(std::uint8_t cell) { return cell < kLedGridFirstGap; }

}  // namespace kx58
