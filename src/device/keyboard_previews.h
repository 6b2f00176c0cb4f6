#pragma once
// The keyboard's preview state: where each page key sits on the key layout, the per-key
// buffers of the effects that light single keys (reactive, stars, snake ...), the moving
// fronts and raindrops, the per-key colours of the custom mode and the music bars.
//
// The state belongs to the keyboard object and is guarded by its colour lock; the light
// thread's steps and the UI thread's audio input both work on it under that lock.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/preview_tables.h"
#include "device/protocol/keyboard_protocol.h"

namespace kx58 {

// Page colours the keyboard previews cover (its page has 126 keys; the table is 170 long).
inline constexpr std::size_t kKeyboardPreviewKeys = 170;
// The audio input: 25 signed 32-bit levels in a 100-byte block, and the largest sample count.
inline constexpr std::size_t kAudioLevelCount = 25;
inline constexpr std::size_t kAudioLevelBlockBytes = kAudioLevelCount * 4;
inline constexpr int kAudioSampleCountCap = 500;

// A page key's place on the layout in grid units: x from 0 (left) to 22, y from 0 (top) to 5.
struct KeyPlace {
    float x = 0;
    float y = 0;
    bool placed = false;
};

// A front that runs out from a pressed key (reactive line, cross, trigger).
struct PreviewSpark {
    float x = 0;
    float y = 0;
    float radius = -1;  // below 0: idle
    std::uint8_t hue = 0;
};

// A raindrop in one grid column.
struct PreviewDrop {
    float head = -1;  // rows from the edge it starts at; below 0: waiting
    std::uint8_t wait = 0;
    std::uint8_t hue = 0;
};

struct KeyboardPreviewState {
    // Where the keys are (set on the UI thread when the page or the LED map changes).
    std::array<KeyPlace, kKeyboardPreviewKeys> places{};
    std::vector<std::uint8_t> keyPath;  // the placed keys row by row, every other row backwards

    // The running effect; everything below is started again when the mode changes.
    int mode = -1;
    std::uint32_t phase = 0;
    std::uint32_t random = 0x9E3779B9u;
    std::array<std::uint8_t, kKeyboardPreviewKeys> glow{};
    std::array<std::uint8_t, kKeyboardPreviewKeys> hue{};
    std::array<std::uint8_t, kKeyboardPreviewKeys> age{};
    std::array<PreviewSpark, 6> sparks{};
    std::array<PreviewDrop, kLedGridColumns> drops{};
    std::array<float, kLedGridColumns> bars{};

    // Kept across modes: the custom mode's colours and the latest audio input.
    std::array<Rgba, kKeyboardPreviewKeys> custom{};
    std::array<std::int32_t, kAudioLevelCount> levels{};
    int sampleCount = 0;
    int musicTotal = 0;  // running loudness total, restarting at 71

    // Starts the effect of `modeCode` from its beginning.
    void Restart(int modeCode);
    std::uint32_t NextRandom();
};

// Reads the level block: 25 signed 32-bit levels in the machine's order; levels the block
// is too short for read as 0.
std::array<std::int32_t, kAudioLevelCount> DecodeAudioLevels(std::span<const std::uint8_t> block);
// The loudness one level block adds to the music total: each of the 25 levels l becomes
// 600 - l x 600 / 2000 (500 when that exceeds 600), their mean m gives 25 - m x 25 / 600.
std::int64_t AudioLoudnessStep(const std::array<std::int32_t, kAudioLevelCount>& levels);

}  // namespace kx58
