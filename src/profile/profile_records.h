#pragma once
// The typed records that the profile groups become in memory. Field order and widths are
// those the device protocols and editors rely on.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kx58 {

// Current lighting state of a device (16 bytes).
struct LightInfo {
    uint8_t SelectItem = 0;
    uint8_t Light = 0;
    uint8_t Speed = 0;
    uint8_t Fx = 0;
    uint8_t MultiColor = 0;
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    uint8_t unstored[3] = {0, 0, 0};  // carried in memory only, never in the document
    uint8_t ZZCCLedMode = 0;
    uint8_t CustomGroup = 0;
    uint8_t OldLedmode = 0;
    uint8_t LogoMode = 0;
    uint8_t LogoModeCol = 0;
    bool operator==(const LightInfo&) const = default;
};
static_assert(sizeof(LightInfo) == 16);

// Audio-reactive lighting of the keyboard (9 bytes).
struct AudioLightInfo {
    uint8_t AudioMode = 0;
    uint8_t BkColorR = 0;
    uint8_t BkColorG = 0;
    uint8_t BkColorB = 0;
    uint8_t FgColorR = 0;
    uint8_t FgColorG = 0;
    uint8_t FgColorB = 0;
    uint8_t SevenColorFlags = 0;  // "7ColorFlags"
    uint8_t ColorTypeFlags = 0;
    bool operator==(const AudioLightInfo&) const = default;
};
static_assert(sizeof(AudioLightInfo) == 9);

// One lighting parameter set of `LightList` (11 bytes).
struct LightListEntry {
    uint8_t LEDREGMode = 0;
    uint8_t LEDBrightness = 0;
    uint8_t LEDSpeed = 0;
    uint8_t LEDDirection = 0;
    uint8_t LEDMultiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t unused[2] = {0, 0};
    uint8_t exists = 0;  // 1 when the document held a non-null element
    bool operator==(const LightListEntry&) const = default;
};
static_assert(sizeof(LightListEntry) == 11);

// A 24-bit assignment code: category << 16 | first << 8 | second.
struct AssignmentBytes {
    uint8_t category = 0;
    uint8_t first = 0;
    uint8_t second = 0;
    uint32_t Code() const { return uint32_t{category} << 16 | uint32_t{first} << 8 | second; }
    static AssignmentBytes FromCode(uint32_t code) {
        return {static_cast<uint8_t>(code >> 16), static_cast<uint8_t>(code >> 8),
                static_cast<uint8_t>(code)};
    }
    bool operator==(const AssignmentBytes&) const = default;
};

// One key or button of `KeyList`.
struct KeyAssignmentEntry {
    uint16_t keyIndex = 0;
    AssignmentBytes assignment;
    uint16_t defaultKeyIndex = 0;
    AssignmentBytes defaultAssignment;
    bool operator==(const KeyAssignmentEntry&) const = default;
};

// One step of a user-made lighting effect (".light" file).
struct EffectStep {
    uint8_t LEDREGMode = 0;
    uint8_t LEDBrightness = 0;
    uint8_t LEDSpeed = 0;
    uint8_t LEDDirection = 0;
    uint8_t LEDMultiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    int32_t Time = 0;
    int32_t Cyle = 0;
    bool operator==(const EffectStep&) const = default;
};
static_assert(sizeof(EffectStep) == 16);

// One key colour of a custom lighting group.
struct LedColor {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    uint8_t Alpha = 0;
    bool operator==(const LedColor&) const = default;
};
static_assert(sizeof(LedColor) == 4);

// Three 32-bit words, each two 16-bit settings with the first in the low half.
using PackedStages = std::array<uint32_t, 3>;

inline uint32_t PackHalves(uint16_t low, uint16_t high) { return uint32_t{high} << 16 | low; }
inline uint16_t LowHalf(uint32_t word) { return static_cast<uint16_t>(word); }
inline uint16_t HighHalf(uint32_t word) { return static_cast<uint16_t>(word >> 16); }

// One DPI stage of the mouse: the 9 bytes of the device record in their order (not packed,
// so the 16-bit fields stay aligned; the device encodes the record field by field).
struct DpiStage {
    uint8_t StageActive = 0;
    uint8_t StageXY = 0;
    uint16_t StageDPIX = 0;
    uint16_t StageDPIY = 0;
    uint8_t StageColorR = 0;
    uint8_t StageColorG = 0;
    uint8_t StageColorB = 0;
    bool operator==(const DpiStage&) const = default;
};
static_assert(offsetof(DpiStage, StageDPIX) == 2 && offsetof(DpiStage, StageColorB) == 8);

// One sensor correction preset of the mouse.
struct CorrectPreset {
    uint8_t CorrectPixThresh = 0;
    uint8_t CorrectMinSq = 0;
    uint8_t CorrectSelect = 0;
    std::string CorrectName;
    bool operator==(const CorrectPreset&) const = default;
};

// The headset's eight settings, in the order of `SystemSetStages`.
using HeadsetSettings = std::array<int32_t, 8>;

}  // namespace kx58

