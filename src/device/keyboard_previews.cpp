// The keyboard's light-mode previews: one step of each effect over the key layout, the
// table that ties the mode codes to them, the music input and the host-rendered stream.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

#include "device/keyboard_previews.h"
#include "device/quorin_products.h"

namespace kx58 {
namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float kLastColumn = kLedGridColumns - 1;
constexpr float kLastRow = kLedGridRows - 1;
constexpr int kWheel = static_cast<int>(kColourWheelSize);
// Effect time wraps here, so that the float arithmetic never loses its fraction.
constexpr std::uint32_t kPhaseWrap = 1u << 20;
// Music: levels at this value fill a bar; the bars fall this many rows per step.
constexpr std::int32_t kFullScaleLevel = 2000;
constexpr float kBarFallPerStep = 0.04f;
constexpr int kMusicTotalRestart = 71;
// The software-mode step the audio input runs: the bars spread over 51 wheel steps, rising.
constexpr int kMusicHueSpread = 51;
constexpr int kMusicBarsRise = 1;
constexpr int kAudioLightModeBars = 2;
constexpr std::uint8_t kNoKey = 0xFF;

// The light state's choice between the colour wheel and its own colour.
enum class Colours { Chosen, Wheel };

std::uint8_t WheelIndex(float hue) {
    const int index = static_cast<int>(std::floor(hue)) % kWheel;
    return static_cast<std::uint8_t>(index < 0 ? index + kWheel : index);
}

// 1 at whole numbers, 0 half-way between: a smooth periodic band.
float Band(float v) { return 0.5f + 0.5f * std::cos(kTwoPi * v); }

Rgba KeyColour(const LightState& light, float hue, float glow, bool wheel) {
    const PreviewColour colour = wheel ? ColourWheel()[WheelIndex(hue)] : PreviewColour{light.red, light.green, light.blue};
    const float alpha = std::clamp(glow, 0.0f, 1.0f) * static_cast<float>(BrightnessScale(light.brightness));
    return {colour.red, colour.green, colour.blue, static_cast<std::uint8_t>(alpha + 0.5f)};
}

bool UsesWheel(const LightState& light, Colours colours) { return colours == Colours::Wheel || light.multiColor != 0; }

// Every placed page key takes shade(key, place); keys off the layout stay dark.
template <class Shade>
void PaintKeys(const KeyboardPreviewState& s, std::span<Rgba> colours, Shade shade) {
    const std::size_t keys = std::min(colours.size(), s.places.size());
    for (std::size_t key = 0; key < keys; ++key)
        colours[key] = s.places[key].placed ? shade(key, s.places[key]) : Rgba{0, 0, 0, 0};
}

// The keys lit through the glow and hue buffers.
void PaintGlow(const KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours, bool wheel) {
    PaintKeys(s, colours, [&](std::size_t key, const KeyPlace&) {
        return KeyColour(light, s.hue[key], s.glow[key] / 255.0f, wheel);
    });
}

int ColumnOf(const KeyPlace& place) { return std::clamp(static_cast<int>(std::lround(place.x)), 0, static_cast<int>(kLastColumn)); }

std::uint8_t RandomKey(KeyboardPreviewState& s) {
    if (s.keyPath.empty()) return kNoKey;
    return s.keyPath[s.NextRandom() % s.keyPath.size()];
}

std::uint8_t RandomHue(KeyboardPreviewState& s) { return static_cast<std::uint8_t>(s.NextRandom() % kColourWheelSize); }

void FadeGlow(KeyboardPreviewState& s, std::uint8_t amount) {
    for (std::uint8_t& glow : s.glow) glow = glow > amount ? static_cast<std::uint8_t>(glow - amount) : 0;
}

// --- Effects that are a function of the place and the time ----------------------------------

struct FieldPoint {
    float x, y;
    float radius;  // from the layout's centre, in key units
    float angle;   // 0 to 2 pi, growing clockwise on the screen
};
struct FieldContext {
    float t;          // steps since the effect started
    float direction;  // +1 when fx is 0, -1 otherwise; each effect says what it means
    bool wheel;
    int zones;
};
struct FieldSample {
    float hue;   // wheel steps
    float glow;  // 0 to 1
};
using PreviewField = FieldSample (*)(const FieldPoint&, const FieldContext&);

FieldPoint PointOf(const KeyPlace& place) {
    const float dx = place.x - kLastColumn / 2, dy = place.y - kLastRow / 2;
    const float angle = std::atan2(dy, dx);
    return {place.x, place.y, std::hypot(dx, dy), angle < 0 ? angle + kTwoPi : angle};
}

// 1: colours, or a bright band of the chosen colour, travel across; left to right with fx 0.
FieldSample WaveField(const FieldPoint& p, const FieldContext& c) {
    const float s = p.x - c.direction * c.t * 0.2f;
    if (c.wheel) return {s * 8.0f, 1.0f};
    return {0, 0.25f + 0.75f * Band(s / 10.0f)};
}

// 2: narrow neon bands stream diagonally; left to right with fx 0.
FieldSample NeonStreamField(const FieldPoint& p, const FieldContext& c) {
    const float s = p.x + 1.5f * p.y - c.direction * c.t * 0.25f;
    const float band = std::pow(Band(s / 7.0f), 3.0f);
    if (c.wheel) return {s * 6.0f, 0.55f + 0.45f * band};
    return {0, 0.1f + 0.9f * band};
}

// 3: two spiral arms turn round the centre; clockwise when fx is set.
FieldSample SpiralField(const FieldPoint& p, const FieldContext& c) {
    const float turns = (p.angle + c.direction * c.t * 0.05f) / kTwoPi + p.radius / 8.0f;
    if (c.wheel) return {turns * kWheel, 1.0f};
    return {0, 0.15f + 0.85f * Band(turns * 2.0f)};
}

// 8: rings run out from the centre, a new one when the last is half-way, each fading as it
// goes and each in the next colour.
FieldSample RippleField(const FieldPoint& p, const FieldContext& c) {
    constexpr float kSpan = 13.0f;  // the layout's corners are 11.3 keys from its centre
    FieldSample brightest{0, 0};
    for (const float start : {0.0f, kSpan / 2}) {
        const float travelled = c.t * 0.3f + start;
        const float radius = std::fmod(travelled, kSpan);
        const float ring = std::max(0.0f, 1.0f - std::abs(p.radius - radius) / 1.5f) * (1.0f - 0.6f * radius / kSpan);
        if (ring > brightest.glow) brightest = {std::floor(travelled / kSpan) * 80.0f + start * 6.0f + p.radius * 4.0f, ring};
    }
    return brightest;
}

// 11: the colour wheel laid round the centre, turning.
FieldSample RainbowWheelField(const FieldPoint& p, const FieldContext& c) {
    return {p.angle / kTwoPi * kWheel + c.t * 1.5f, 1.0f};
}

// 17: the width split into zones (the second mode list picks how many); the colours move
// from zone to zone.
FieldSample ZoneCycleField(const FieldPoint& p, const FieldContext& c) {
    const int zone = std::min(c.zones - 1, static_cast<int>(p.x * static_cast<float>(c.zones) / kLedGridColumns));
    return {static_cast<float>(zone * kWheel / c.zones) + c.t * 1.2f, 1.0f};
}

// 18: rings pulse from the centre outwards with fx 0, from the edges inwards otherwise.
FieldSample PulseRingField(const FieldPoint& p, const FieldContext& c) {
    const float s = p.radius - c.direction * c.t * 0.2f;
    return {s * 10.0f, std::pow(Band(s / 5.0f), 2.0f)};
}

// 21: colours fall row by row; down when fx is set, up otherwise.
FieldSample WaterfallField(const FieldPoint& p, const FieldContext& c) {
    const float s = p.y + c.direction * c.t * 0.12f;
    if (c.wheel) return {s * 28.0f + p.x * 1.5f, 1.0f};
    return {0, 0.2f + 0.8f * Band(s / 4.0f)};
}

// 24: a beam sweeps round the centre with a fading trail; clockwise when fx is set.
FieldSample WhirlField(const FieldPoint& p, const FieldContext& c) {
    const float spin = -c.direction;
    float behind = std::fmod(spin * (spin * c.t * 0.06f - p.angle), kTwoPi);
    if (behind < 0) behind += kTwoPi;
    return {p.angle / kTwoPi * kWheel + c.t * 0.5f, std::pow(1.0f - behind / kTwoPi, 3.0f)};
}

// 30: soft colour fields drift across, as the light of a screen would.
FieldSample ScreenSyncField(const FieldPoint& p, const FieldContext& c) {
    const float drift = 24.0f * std::sin(p.x / 6.0f + c.t * 0.02f) + 12.0f * std::sin(p.y * 0.9f - c.t * 0.03f);
    return {c.t * 0.3f + drift, 0.8f + 0.2f * std::sin(p.x / 4.0f - c.t * 0.05f)};
}

int ZoneCount(std::uint8_t secondMode) {
    constexpr int kZones[] = {4, 3, 6, 2};
    return kZones[secondMode % std::size(kZones)];
}

// A step that paints `field` over the keys.
auto FieldStep(PreviewField field, Colours choice) {
    return [field, choice](KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
        const FieldContext context{static_cast<float>(s.phase % kPhaseWrap), light.fx ? -1.0f : 1.0f,
                                   UsesWheel(light, choice), ZoneCount(light.zzccLedMode)};
        PaintKeys(s, colours, [&](std::size_t, const KeyPlace& place) {
            const FieldSample sample = field(PointOf(place), context);
            return KeyColour(light, sample.hue, sample.glow, context.wheel);
        });
    };
}

// --- Effects that light single keys ------------------------------------------------------------

enum class SparkShape { Row, Cross, Columns };

bool OnFront(SparkShape shape, const PreviewSpark& spark, const KeyPlace& place) {
    constexpr float kFrontWidth = 0.6f;
    const float dx = std::abs(place.x - spark.x), dy = std::abs(place.y - spark.y);
    const auto front = [&](float d) { return std::abs(d - spark.radius) < kFrontWidth; };
    const bool alongRow = dy < 0.5f && front(dx);
    switch (shape) {
    case SparkShape::Row: return alongRow;
    case SparkShape::Cross: return alongRow || (dx < 0.5f && front(dy));
    case SparkShape::Columns: return front(dx);
    }
    return false;
}

void LaunchSpark(KeyboardPreviewState& s) {
    const std::uint8_t key = RandomKey(s);
    if (key == kNoKey) return;
    for (PreviewSpark& spark : s.sparks) {
        if (spark.radius >= 0) continue;
        spark = {s.places[key].x, s.places[key].y, 0, RandomHue(s)};
        return;
    }
}

// 9, 15, 22: a key is struck every few steps and a front runs out from it.
void SparkStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours, SparkShape shape) {
    FadeGlow(s, 16);
    if (s.phase % 10 == 1) LaunchSpark(s);
    for (PreviewSpark& spark : s.sparks) {
        if (spark.radius < 0) continue;
        for (std::size_t key = 0; key < s.places.size(); ++key) {
            if (!s.places[key].placed || !OnFront(shape, spark, s.places[key])) continue;
            s.glow[key] = 255;
            s.hue[key] = spark.hue;
        }
        spark.radius += 0.6f;
        if (spark.radius > kLedGridColumns) spark.radius = -1;
    }
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// Every `every` steps one random key is "typed": it gets `glow` and a colour of its own.
void TouchRandomKey(KeyboardPreviewState& s, std::uint32_t every, std::uint8_t glow) {
    if (s.phase % every != 1) return;
    if (const std::uint8_t key = RandomKey(s); key != kNoKey) {
        s.glow[key] = glow;
        s.hue[key] = RandomHue(s);
    }
}

// 7, 25: keys light up as if typed on, then fade.
void ReactiveStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    FadeGlow(s, 12);
    TouchRandomKey(s, 3, 255);
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// 10: stars come up on random keys and go down again.
void StarlightStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    constexpr int kLife = 40;
    if (s.phase % 2 == 1) {
        if (const std::uint8_t key = RandomKey(s); key != kNoKey && s.age[key] == 0) {
            s.age[key] = 1;
            s.hue[key] = RandomHue(s);
        }
    }
    for (std::size_t key = 0; key < s.age.size(); ++key) {
        const int age = s.age[key];
        s.glow[key] = static_cast<std::uint8_t>(age == 0 ? 0 : std::min(age, kLife - age) * 255 / (kLife / 2));
        s.age[key] = age == 0 || age + 1 >= kLife ? 0 : static_cast<std::uint8_t>(age + 1);
    }
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// 13: every key flickers like a flame.
void FlickerStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    for (std::uint8_t& glow : s.glow) glow = static_cast<std::uint8_t>((glow * 3 + 60 + s.NextRandom() % 196) / 4);
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// 16: every key lit; touched keys go dark and come back slowly.
void KeyFadeStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    for (std::uint8_t& glow : s.glow) glow = static_cast<std::uint8_t>(glow + (255 - glow + 11) / 12);
    TouchRandomKey(s, 4, 0);
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// 12: raindrops run down the columns with a trail (up when fx is set), each its own colour.
void RaindropStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    constexpr float kTrail = 3.0f;
    for (PreviewDrop& drop : s.drops) {
        if (drop.head >= 0) drop.head += 0.25f;
        if (drop.head > kLedGridRows + kTrail) drop = {-1, static_cast<std::uint8_t>(s.NextRandom() % 48), 0};
        if (drop.head < 0 && drop.wait > 0) --drop.wait;
        else if (drop.head < 0) drop = {0, 0, RandomHue(s)};
    }
    PaintKeys(s, colours, [&](std::size_t, const KeyPlace& place) {
        const PreviewDrop& drop = s.drops[static_cast<std::size_t>(ColumnOf(place))];
        const float fromEdge = light.fx ? kLastRow - place.y : place.y;
        const float behind = drop.head - fromEdge;
        const float glow = drop.head < 0 || behind < -0.5f || behind >= kTrail ? 0.0f : 1.0f - std::max(0.0f, behind) / kTrail;
        return KeyColour(light, drop.hue, glow, true);
    });
}

// 14: a snake runs along the rows, turning at the ends.
void SnakeStep(KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
    constexpr int kLength = 12;
    s.glow.fill(0);
    const int keys = static_cast<int>(s.keyPath.size());
    const int head = keys > 0 ? static_cast<int>(s.phase % static_cast<std::uint32_t>(keys)) : 0;
    for (int i = 0; i < std::min(kLength, keys); ++i) {
        const std::uint8_t key = s.keyPath[static_cast<std::size_t>((head - i + keys) % keys)];
        s.glow[key] = static_cast<std::uint8_t>(255 - i * 220 / kLength);
        s.hue[key] = WheelIndex(static_cast<float>(head * 2 - i * 10));
    }
    PaintGlow(s, light, colours, light.multiColor != 0);
}

// 29: bars of the music levels, one per grid column, their colour moving with the loudness.
void PaintBars(const KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours, int hueSpread,
               bool rising) {
    const float musicHue = static_cast<float>(s.musicTotal * kWheel / kMusicTotalRestart);
    PaintKeys(s, colours, [&](std::size_t, const KeyPlace& place) {
        const int column = light.fx ? static_cast<int>(kLastColumn) - ColumnOf(place) : ColumnOf(place);
        const float fromBase = rising ? kLastRow - place.y : place.y;
        const float glow = s.bars[static_cast<std::size_t>(column)] - fromBase;
        const float hue = musicHue + static_cast<float>(column * hueSpread) / kLastColumn + fromBase * 6.0f;
        return KeyColour(light, hue, glow, light.multiColor != 0);
    });
}

// Each bar rises to the level of its share of the 25 levels.
void RaiseBars(KeyboardPreviewState& s) {
    for (std::size_t column = 0; column < s.bars.size(); ++column) {
        const std::int32_t level = s.levels[column * kAudioLevelCount / s.bars.size()];
        const float height = static_cast<float>(std::clamp(level, 0, kFullScaleLevel)) * kLedGridRows / kFullScaleLevel;
        s.bars[column] = std::max(s.bars[column], height);
    }
}

// Places from the key buttons' rectangles on the page, spread over the grid's extent.
void PlaceByPage(const std::vector<ui::CControlUI*>& buttons, std::array<KeyPlace, kKeyboardPreviewKeys>& places) {
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    const std::size_t keys = std::min(buttons.size(), places.size());
    for (std::size_t key = 0; key < keys; ++key) {
        if (!buttons[key]) continue;
        const ui::RECT rc = buttons[key]->GetFloatPos();
        if (rc.right <= rc.left || rc.bottom <= rc.top) continue;  // hidden keys have no size
        places[key] = {(rc.left + rc.right) / 2.0f, (rc.top + rc.bottom) / 2.0f, true};
        left = std::min(left, places[key].x);
        right = std::max(right, places[key].x);
        top = std::min(top, places[key].y);
        bottom = std::max(bottom, places[key].y);
    }
    const float width = std::max(right - left, 1.0f), height = std::max(bottom - top, 1.0f);
    for (KeyPlace& place : places) {
        if (!place.placed) continue;
        place.x = (place.x - left) / width * kLastColumn;
        place.y = (place.y - top) / height * kLastRow;
    }
}

// Keys the page does not place sit in the LED grid cell of their LED index.
void PlaceByLedGrid(const std::map<int, std::uint8_t>& leds, std::array<KeyPlace, kKeyboardPreviewKeys>& places) {
    std::array<KeyPlace, kLedGridFirstGap> cells{};
    for (std::size_t column = 0; column < kLedGridColumns; ++column)
        for (std::size_t row = 0; row < kLedGridRows; ++row)
            if (const std::uint8_t led = LedGridCell(column, row); IsLedGridLed(led))
                cells[led] = {static_cast<float>(column), static_cast<float>(row), true};
    for (const auto& [key, led] : leds) {
        if (key < 0 || static_cast<std::size_t>(key) >= places.size() || places[static_cast<std::size_t>(key)].placed) continue;
        if (led < cells.size()) places[static_cast<std::size_t>(key)] = cells[led];
    }
}

// The placed keys row by row, every other row from the right.
std::vector<std::uint8_t> KeyPath(const std::array<KeyPlace, kKeyboardPreviewKeys>& places) {
    std::vector<std::uint8_t> path;
    for (std::size_t key = 0; key < places.size(); ++key)
        if (places[key].placed) path.push_back(static_cast<std::uint8_t>(key));
    const auto order = [&](std::uint8_t key) {
        const long row = std::lround(places[key].y);
        return std::pair{row, row % 2 ? -places[key].x : places[key].x};
    };
    std::sort(path.begin(), path.end(), [&](std::uint8_t a, std::uint8_t b) { return order(a) < order(b); });
    return path;
}

// The record with the device's three audio-light values: mode, seven-colour flag, colour type.
AudioLightInfo WithAudioValues(AudioLightInfo info, const std::array<int, 3>& values) {
    const auto byte = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
    info.AudioMode = byte(values[0]);
    info.SevenColorFlags = byte(values[1]);
    info.ColorTypeFlags = byte(values[2]);
    return info;
}

}  // namespace

void KeyboardPreviewState::Restart(int modeCode) {
    mode = modeCode;
    phase = 0;
    glow.fill(0);
    age.fill(0);
    for (std::uint8_t& h : hue) h = static_cast<std::uint8_t>(NextRandom() % kColourWheelSize);
    sparks.fill({});
    for (PreviewDrop& drop : drops) drop = {-1, static_cast<std::uint8_t>(NextRandom() % 48), 0};
    bars.fill(0);
}

std::uint32_t KeyboardPreviewState::NextRandom() {
    random ^= random << 13;
    random ^= random >> 17;
    random ^= random << 5;
    return random;
}

std::array<std::int32_t, kAudioLevelCount> DecodeAudioLevels(std::span<const std::uint8_t> block) {
    std::array<std::int32_t, kAudioLevelCount> levels{};
    const std::size_t whole = std::min(levels.size(), block.size() / sizeof(std::int32_t));
    std::memcpy(levels.data(), block.data(), whole * sizeof(std::int32_t));
    return levels;
}

std::int64_t AudioLoudnessStep(const std::array<std::int32_t, kAudioLevelCount>& levels) {
    std::int64_t sum = 0;
    for (const std::int32_t level : levels) {
        const std::int64_t mapped = 600 - std::int64_t{level} * 600 / 2000;
        sum += mapped > 600 ? 500 : mapped;
    }
    const std::int64_t mean = sum / static_cast<std::int64_t>(levels.size());
    return 25 - mean * 25 / 600;
}

// --- The keyboard's steps ---------------------------------------------------------------------

template <class Step>
void CQuorinKeyboardDevice::RunPreviewStep(Step&& step) {
    PaintPageColours([&](std::span<Rgba> colours, const LightState& light) {
        if (preview_.mode != light.modeCode) preview_.Restart(light.modeCode);
        ++preview_.phase;
        step(preview_, light, colours);
    });
}

void CQuorinKeyboardDevice::PreviewWave() { RunPreviewStep(FieldStep(WaveField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewNeonStream() { RunPreviewStep(FieldStep(NeonStreamField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewSpiral() { RunPreviewStep(FieldStep(SpiralField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewRipple() { RunPreviewStep(FieldStep(RippleField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewRainbowWheel() { RunPreviewStep(FieldStep(RainbowWheelField, Colours::Wheel)); }
void CQuorinKeyboardDevice::PreviewZoneCycle() { RunPreviewStep(FieldStep(ZoneCycleField, Colours::Wheel)); }
void CQuorinKeyboardDevice::PreviewPulseRing() { RunPreviewStep(FieldStep(PulseRingField, Colours::Wheel)); }
void CQuorinKeyboardDevice::PreviewWaterfall() { RunPreviewStep(FieldStep(WaterfallField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewWhirl() { RunPreviewStep(FieldStep(WhirlField, Colours::Chosen)); }
void CQuorinKeyboardDevice::PreviewScreenSync() { RunPreviewStep(FieldStep(ScreenSyncField, Colours::Wheel)); }

void CQuorinKeyboardDevice::PreviewReactive() { RunPreviewStep(ReactiveStep); }
void CQuorinKeyboardDevice::PreviewStarlight() { RunPreviewStep(StarlightStep); }
void CQuorinKeyboardDevice::PreviewRaindrops() { RunPreviewStep(RaindropStep); }
void CQuorinKeyboardDevice::PreviewFlicker() { RunPreviewStep(FlickerStep); }
void CQuorinKeyboardDevice::PreviewSnake() { RunPreviewStep(SnakeStep); }
void CQuorinKeyboardDevice::PreviewKeyFade() { RunPreviewStep(KeyFadeStep); }

void CQuorinKeyboardDevice::PreviewReactiveLine() {
    RunPreviewStep([](auto& s, const LightState& light, std::span<Rgba> c) { SparkStep(s, light, c, SparkShape::Row); });
}
void CQuorinKeyboardDevice::PreviewCross() {
    RunPreviewStep([](auto& s, const LightState& light, std::span<Rgba> c) { SparkStep(s, light, c, SparkShape::Cross); });
}
void CQuorinKeyboardDevice::PreviewTrigger() {
    RunPreviewStep([](auto& s, const LightState& light, std::span<Rgba> c) { SparkStep(s, light, c, SparkShape::Columns); });
}

// 20: the keys' own colours, at the chosen brightness.
void CQuorinKeyboardDevice::PreviewCustomColours() {
    RunPreviewStep([](KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
        const unsigned brightness = BrightnessScale(light.brightness);
        for (std::size_t key = 0; key < std::min(colours.size(), s.custom.size()); ++key) {
            const Rgba& own = s.custom[key];
            colours[key] = {own.red, own.green, own.blue, static_cast<std::uint8_t>(own.alpha * brightness / 255)};
        }
    });
}

// 29: between two level blocks the bars fall back.
void CQuorinKeyboardDevice::PreviewMusic() {
    RunPreviewStep([](KeyboardPreviewState& s, const LightState& light, std::span<Rgba> colours) {
        for (float& bar : s.bars) bar = std::max(0.0f, bar - kBarFallPerStep);
        PaintBars(s, light, colours, kMusicHueSpread, kMusicBarsRise != 0);
    });
}

void CQuorinKeyboardDevice::PreviewAudioLevels(int hueSpread, int rising) {
    PaintPageColours([&](std::span<Rgba> colours, const LightState& light) {
        if (preview_.mode != light.modeCode) preview_.Restart(light.modeCode);
        RaiseBars(preview_);
        PaintBars(preview_, light, colours, hueSpread, rising != 0);
    });
}

void CQuorinKeyboardDevice::SetAudioLightInfo(int mode, int value2, int value3) {
    CQuorinUSBDevice::SetAudioLightInfo(mode, value2, value3);
    profile_.SetAudioLightInfo(WithAudioValues(profile_.GetAudioLightInfo(), {mode, value2, value3}));
}

std::array<int, 3> CQuorinKeyboardDevice::GetAudioLightInfo() {
    if (!LightStateView()) {  // no editor to read: the profile's values stand
        const AudioLightInfo info = profile_.GetAudioLightInfo();
        audioLightInfo_ = {info.AudioMode, info.SevenColorFlags, info.ColorTypeFlags};
        return audioLightInfo_;
    }
    const std::array<int, 3> values = CQuorinUSBDevice::GetAudioLightInfo();
    profile_.SetAudioLightInfo(WithAudioValues(profile_.GetAudioLightInfo(), values));
    return values;
}

int CQuorinKeyboardDevice::FeedAudioLevels(std::span<const std::uint8_t> levels, int count) {
    const int audioMode = profile_.GetAudioLightInfo().AudioMode;  // the editor keeps it there
    bool music = false;
    {
        std::lock_guard lock(colourLock_);
        preview_.levels = DecodeAudioLevels(levels);
        preview_.sampleCount = std::clamp(count, 0, kAudioSampleCountCap);
        music = lightState_.modeCode == kMusicModeCode && audioMode == kAudioLightModeBars;
        if (music) {
            const std::int64_t total = preview_.musicTotal + AudioLoudnessStep(preview_.levels);
            preview_.musicTotal = total >= kMusicTotalRestart ? 0 : static_cast<int>(total);
        }
    }
    if (!music) return 0;
    PreviewAudioLevels(kMusicHueSpread, kMusicBarsRise);
    return 1;
}

void CQuorinKeyboardDevice::SetLedColour(std::size_t index, Rgba colour) {
    std::lock_guard lock(colourLock_);
    if (index >= pageColours_.size()) return;
    pageColours_[index] = colour;
    // In the custom mode these are the keys' own colours, which its preview keeps showing.
    if (lightState_.modeCode == kPerKeyColourMode && index < preview_.custom.size()) preview_.custom[index] = colour;
    MarkPageColoursChanged();
}

void CQuorinKeyboardDevice::ClearPreviewBuffers() {
    CQuorinUSBDevice::ClearPreviewBuffers();
    std::lock_guard lock(colourLock_);
    preview_.Restart(-1);  // the next step starts its effect afresh
}

void CQuorinKeyboardDevice::PlaceKeysOnLayout() {
    std::array<KeyPlace, kKeyboardPreviewKeys> places{};
    PlaceByPage(keyButtons_, places);
    std::map<int, std::uint8_t> leds;
    {
        std::lock_guard lock(keyMapLock_);
        leds = keyLedMap_;
    }
    PlaceByLedGrid(leds, places);
    std::vector<std::uint8_t> path = KeyPath(places);
    std::lock_guard lock(colourLock_);
    preview_.places = places;
    preview_.keyPath = std::move(path);
}

bool CQuorinKeyboardDevice::PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const {
    using K = CQuorinKeyboardDevice;
    const auto own = [](void (K::*member)()) { return static_cast<PreviewStep>(member); };
    struct Entry {
        int mode;
        PreviewStep step;
    };
    // Each mode steps at its own speed row; 4, 5, 6, 23 and 26 to 28 are the base's steps.
    static const Entry kEntries[] = {
        {1, own(&K::PreviewWave)},         {2, own(&K::PreviewNeonStream)},   {3, own(&K::PreviewSpiral)},
        {7, own(&K::PreviewReactive)},     {8, own(&K::PreviewRipple)},       {9, own(&K::PreviewReactiveLine)},
        {10, own(&K::PreviewStarlight)},   {11, own(&K::PreviewRainbowWheel)}, {12, own(&K::PreviewRaindrops)},
        {13, own(&K::PreviewFlicker)},     {14, own(&K::PreviewSnake)},       {15, own(&K::PreviewCross)},
        {16, own(&K::PreviewKeyFade)},     {17, own(&K::PreviewZoneCycle)},   {18, own(&K::PreviewPulseRing)},
        {20, own(&K::PreviewCustomColours)}, {21, own(&K::PreviewWaterfall)}, {22, own(&K::PreviewTrigger)},
        {24, own(&K::PreviewWhirl)},       {25, own(&K::PreviewReactive)},    {29, own(&K::PreviewMusic)},
        {30, own(&K::PreviewScreenSync)},
    };
    for (const Entry& entry : kEntries) {
        if (entry.mode != modeCode) continue;
        step = entry.step;
        speedRow = modeCode;
        return true;
    }
    return CQuorinUSBDevice::PreviewFor(modeCode, step, speedRow);
}

bool CQuorinKeyboardDevice::TakesStreamFrames() const {
    if (!CQuorinUSBDevice::TakesStreamFrames()) return false;
    const int mode = IsSyncLighting() ? kHostRenderedModeCode : GetLightState().modeCode;
    return mode == kMusicModeCode || mode == kHostRenderedModeCode;
}

int CQuorinKeyboardDevice::SendStreamFrame() {
    // While every device shows one effect the keyboard shows the program's colours too.
    const int mode = IsSyncLighting() ? kHostRenderedModeCode : GetLightState().modeCode;
    if (mode != kMusicModeCode && mode != kHostRenderedModeCode) return kResultOk;  // the keyboard renders itself
    const ColourImage frame = kx58::BuildStreamFrame(memory_.maps, PageColours());
    return SendKeyboardStreamFrame(commandChannel_, memory_.Positions(), mode, frame);
}

}  // namespace kx58
