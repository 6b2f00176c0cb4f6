// The light-mode previews of the mouse, the mouse pad and the headset: which step each mode
// code runs and at which speed row, and the steps they add to the base's. A step of the
// same kind of effect as a keyboard mode steps at that mode's speed row.
#include "device/quorin_products.h"

namespace kx58 {
namespace {

constexpr int kRowFlowing = 1;        // as the keyboard's wave
constexpr int kRowSpectrum = 4;
constexpr int kRowBreathing = 5;
constexpr int kRowStatic = 6;
constexpr int kRowReactive = 7;
constexpr int kRowRainbow = 11;       // as the keyboard's rainbow wheel
constexpr int kRowOff = 28;
constexpr int kFlashRow = 23;

template <class Step>
struct StripEntry {
    int mode;
    Step step;
    int row;
};

template <class Step, std::size_t N>
bool FindStripPreview(const StripEntry<Step> (&entries)[N], int modeCode, Step& step, int& speedRow) {
    for (const StripEntry<Step>& entry : entries) {
        if (entry.mode != modeCode) continue;
        step = entry.step;
        speedRow = entry.row;
        return true;
    }
    return false;
}

// The mouse pad and the headset share their modes: 0 flowing, 1 spectrum, 2 breathing,
// 3 static, 4 flash, 6 rainbow, 7 colour cycle, 8 off; any other mode holds the colour.
template <class Product, class Step>
bool PadFamilyPreviewFor(int modeCode, Step& step, int& speedRow) {
    const auto own = [](void (Product::*member)()) { return static_cast<Step>(member); };
    static const StripEntry<Step> kEntries[] = {
        {0, own(&Product::PreviewFlowing), kRowFlowing},
        {1, &CQuorinUSBDevice::PreviewSpectrum, kRowSpectrum},
        {2, &CQuorinUSBDevice::PreviewBreathe, kRowBreathing},
        {3, &CQuorinUSBDevice::PreviewStatic, kRowStatic},
        {4, &CQuorinUSBDevice::PreviewFlash, kFlashRow},
        {6, own(&Product::PreviewRainbow), kRowRainbow},
        {7, own(&Product::PreviewColourCycle), kRowSpectrum},
        {8, &CQuorinUSBDevice::PreviewOff, kRowOff},
    };
    if (FindStripPreview(kEntries, modeCode, step, speedRow)) return true;
    step = own(&Product::PreviewHoldColour);
    speedRow = kRowStatic;
    return true;
}

}  // namespace

// --- Mouse ----------------------------------------------------------------------------------

bool CQuorinMouseDevice::PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const {
    using M = CQuorinMouseDevice;
    const auto own = [](void (M::*member)()) { return static_cast<PreviewStep>(member); };
    static const StripEntry<PreviewStep> kEntries[] = {
        {0, own(&M::PreviewFlowing), kRowFlowing},
        {1, &CQuorinUSBDevice::PreviewSpectrum, kRowSpectrum},
        {2, &CQuorinUSBDevice::PreviewBreathe, kRowBreathing},
        {3, &CQuorinUSBDevice::PreviewStatic, kRowStatic},
        {4, &CQuorinUSBDevice::PreviewFlash, kFlashRow},
        {5, own(&M::PreviewRainbowWave), kRowRainbow},
        {kReactiveMode, own(&M::PreviewReactiveFade), kRowReactive},
        {7, own(&M::PreviewRainbowBreathing), kRowBreathing},
        {8, own(&M::PreviewColourCycle), kRowSpectrum},
        {9, &CQuorinUSBDevice::PreviewOff, kRowOff},
    };
    return FindStripPreview(kEntries, modeCode, step, speedRow);
}

void CQuorinMouseDevice::PreviewFlowing() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Flowing(leds, light); });
}
void CQuorinMouseDevice::PreviewRainbowWave() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Rainbow(leds, light); });
}
void CQuorinMouseDevice::PreviewReactiveFade() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.FadeOut(leds, light); });
}
void CQuorinMouseDevice::PreviewRainbowBreathing() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.RainbowBreathing(leds, light); });
}
void CQuorinMouseDevice::PreviewColourCycle() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.ColourCycle(leds, light); });
}

void CQuorinMouseDevice::OnConsumerUsage(DeviceKind kind, std::uint16_t usage) {
    constexpr std::uint16_t kUsageClick = 0x403;
    if (usage == kUsageClick && !IsReceiver(kind)) {
        PaintPageColours([this](std::span<Rgba> leds, const LightState& light) {
            if (light.modeCode == kReactiveMode) strip_.Scatter(leds, light);
        });
        return;
    }
    if (!TakeRecordSwitch(usage)) CQuorinUSBDevice::OnConsumerUsage(kind, usage);
}

// --- Mouse pad ------------------------------------------------------------------------------

bool CQuorinMousePadDevice::PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const {
    return PadFamilyPreviewFor<CQuorinMousePadDevice>(modeCode, step, speedRow);
}

void CQuorinMousePadDevice::PreviewFlowing() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Flowing(leds, light); });
}
void CQuorinMousePadDevice::PreviewColourCycle() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.ColourCycle(leds, light); });
}
void CQuorinMousePadDevice::PreviewRainbow() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Rainbow(leds, light); });
}
void CQuorinMousePadDevice::PreviewHoldColour() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.HoldColour(leds, light); });
}

// --- Headset --------------------------------------------------------------------------------

bool CQuorinHS6533Device::PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const {
    return PadFamilyPreviewFor<CQuorinHS6533Device>(modeCode, step, speedRow);
}

void CQuorinHS6533Device::PreviewFlowing() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Flowing(leds, light); });
}
void CQuorinHS6533Device::PreviewColourCycle() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.ColourCycle(leds, light); });
}
void CQuorinHS6533Device::PreviewRainbow() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.Rainbow(leds, light); });
}
void CQuorinHS6533Device::PreviewHoldColour() {
    PaintPageColours([this](std::span<Rgba> leds, const LightState& light) { strip_.HoldColour(leds, light); });
}

}  // namespace kx58
