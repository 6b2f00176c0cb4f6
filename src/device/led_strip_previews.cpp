#include "device/led_strip_previews.h"

#include <algorithm>
#include <cmath>

#include "device/preview_tables.h"
#include "device/quorin_usb_device.h"

namespace kx58 {
namespace {

constexpr int kWheel = static_cast<int>(kColourWheelSize);
constexpr float kFlowLedsPerStep = 0.25f;
constexpr float kFlowTail = 4.0f;
constexpr float kFlowFloor = 0.08f;        // the strip never goes fully dark behind the light
constexpr std::uint32_t kCycleHold = 40;   // steps one colour of the cycle stays
constexpr std::uint32_t kCycleSlide = 24;  // steps it takes to slide to the next
constexpr int kCycleColours = 6;

Rgba Lit(const PreviewColour& colour, float glow, const LightState& light) {
    const float alpha = std::clamp(glow, 0.0f, 1.0f) * static_cast<float>(BrightnessScale(light.brightness));
    return {colour.red, colour.green, colour.blue, static_cast<std::uint8_t>(alpha + 0.5f)};
}

const PreviewColour& WheelAt(int index) { return ColourWheel()[static_cast<std::size_t>(((index % kWheel) + kWheel) % kWheel)]; }

PreviewColour OwnColour(const LightState& light) { return {light.red, light.green, light.blue}; }

}  // namespace

std::uint32_t LedStripPreviews::NextRandom() {
    random_ ^= random_ << 13;
    random_ ^= random_ >> 17;
    random_ ^= random_ << 5;
    return random_;
}

void LedStripPreviews::Flowing(std::span<Rgba> leds, const LightState& light) {
    if (leds.empty()) return;
    ++step_;
    const float count = static_cast<float>(leds.size());
    const float travelled = static_cast<float>(step_) * kFlowLedsPerStep;
    const float head = std::fmod(travelled, count);
    const PreviewColour colour = light.multiColor ? WheelAt(static_cast<int>(travelled / count) * 32) : OwnColour(light);
    for (std::size_t i = 0; i < leds.size(); ++i) {
        const float at = light.fx ? count - 1 - static_cast<float>(i) : static_cast<float>(i);
        const float behind = std::fmod(head - at + count, count);
        leds[i] = Lit(colour, std::max(kFlowFloor, 1.0f - behind / kFlowTail), light);
    }
}

void LedStripPreviews::Rainbow(std::span<Rgba> leds, const LightState& light) {
    ++step_;
    for (std::size_t i = 0; i < leds.size(); ++i) {
        const int hue = static_cast<int>(i * kColourWheelSize / leds.size()) + static_cast<int>(step_ * 2);
        leds[i] = Lit(WheelAt(hue), 1.0f, light);
    }
}

void LedStripPreviews::ColourCycle(std::span<Rgba> leds, const LightState& light) {
    ++step_;
    const std::uint32_t inCycle = step_ % (kCycleHold + kCycleSlide);
    const int colour = static_cast<int>(step_ / (kCycleHold + kCycleSlide) % kCycleColours);
    const int slide = inCycle < kCycleHold ? 0 : static_cast<int>(inCycle - kCycleHold) * (kWheel / kCycleColours) / static_cast<int>(kCycleSlide);
    std::fill(leds.begin(), leds.end(), Lit(WheelAt(colour * kWheel / kCycleColours + slide), 1.0f, light));
}

void LedStripPreviews::RainbowBreathing(std::span<Rgba> leds, const LightState& light) {
    ++step_;
    const std::uint8_t curve = BreathingCurve()[step_ % kBreathingSteps];
    const int breath = static_cast<int>(step_ / kBreathingSteps);
    std::fill(leds.begin(), leds.end(), Lit(WheelAt(breath * static_cast<int>(kColourWheelStride)), curve / 255.0f, light));
}

void LedStripPreviews::FadeOut(std::span<Rgba> leds, const LightState&) {
    for (Rgba& led : leds) led.alpha = static_cast<std::uint8_t>(led.alpha * 7 / 8);
}

void LedStripPreviews::Scatter(std::span<Rgba> leds, const LightState& light) {
    for (Rgba& led : leds) led = Lit(WheelAt(static_cast<int>(NextRandom() % kColourWheelSize)), 1.0f, light);
}

void LedStripPreviews::HoldColour(std::span<Rgba> leds, const LightState& light) {
    std::fill(leds.begin(), leds.end(), Lit(OwnColour(light), 1.0f, light));
}

}  // namespace kx58
