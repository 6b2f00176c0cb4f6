#pragma once
// Preview effects of the products whose LEDs make a short strip (mouse, mouse pad, headset):
// each call paints one step into the page colours from the light state. The object keeps the
// effects' step count; its owner calls it under the device's colour lock.
#include <cstdint>
#include <span>

#include "device/protocol/keyboard_protocol.h"

namespace kx58 {

struct LightState;

class LedStripPreviews {
public:
    // A light running along the strip with a fading tail (backwards when fx is set); with
    // multi-colour each lap takes the next colour of the wheel.
    void Flowing(std::span<Rgba> leds, const LightState& light);
    // The colour wheel spread along the strip, moving on.
    void Rainbow(std::span<Rgba> leds, const LightState& light);
    // All LEDs hold one of six colours, then slide over to the next.
    void ColourCycle(std::span<Rgba> leds, const LightState& light);
    // Breathing, each breath in the next colour of the wheel.
    void RainbowBreathing(std::span<Rgba> leds, const LightState& light);
    // Reactive: the colours fade out; Scatter lights every LED in a random colour again.
    void FadeOut(std::span<Rgba> leds, const LightState& light);
    void Scatter(std::span<Rgba> leds, const LightState& light);
    // The light state's colour at its brightness (modes the host does not animate).
    void HoldColour(std::span<Rgba> leds, const LightState& light);

private:
    std::uint32_t NextRandom();
    std::uint32_t step_ = 0;
    std::uint32_t random_ = 0x2545F491u;
};

}  // namespace kx58
