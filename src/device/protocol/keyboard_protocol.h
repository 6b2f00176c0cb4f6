#pragma once
// The keyboard's conversations with its memory areas: the read-back after attach, the
// settings record, the key table with its macro slots, the macro image, the per-LED colour
// image and the colour stream frame. Callers pass plain data; files are read elsewhere.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/protocol/device_channel.h"
#include "device/protocol/key_code_tables.h"

namespace kx58 {

inline constexpr std::size_t kKeyboardRecordSize = 27;
// Mode byte of a host-rendered mode: the device shows what the colour stream sends.
inline constexpr std::uint8_t kHostRenderedModeByte = 0xFE;
inline constexpr int kMusicModeCode = 29;
inline constexpr int kHostRenderedModeCode = 30;
inline constexpr std::size_t kColourImageSize = 512;
// Highest LED index whose three bytes fit the 512-byte colour image, plus one.
inline constexpr std::size_t kLedIndexLimit = kColourImageSize / 3;
// Pauses the caller takes after a failed colour write or stream frame.
inline constexpr std::uint32_t kLedWriteFailurePauseMs = 200;
inline constexpr std::uint32_t kStreamFailurePauseMs = 1000;

using KeyboardSettingsRecord = std::array<std::uint8_t, kKeyboardRecordSize>;

// The fields of the keyboard's settings record, as the profile holds them.
struct KeyboardSettings {
    std::uint8_t modeCode = 0;  // the device's light-mode code
    std::uint8_t brightness = 0;
    std::uint8_t speed = 0;     // 0..4 as the profile holds it; the device stores 4 - speed
    std::uint8_t fx = 0;
    std::uint8_t multiColor = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t zzccLedMode = 0;
    std::uint8_t wFlag = 0;
    std::uint8_t key6Flag = 0;
    std::uint8_t winFlag = 0;
    std::uint8_t pollingRate = 0;
    std::uint8_t logoMode = 0;
    std::uint8_t logoModeCol = 0;

    friend bool operator==(const KeyboardSettings&, const KeyboardSettings&) = default;
};

// Brings every field into the range the firmware takes (a damaged profile must not write
// nonsense into the device): each value out of range becomes the nearest valid one, traced.
// Returns how many fields were changed.
int ClampKeyboardSettings(KeyboardSettings& settings);

// Byte 0 (the active-record index) is written as 0; codes 29 and 30 become 0xFE.
KeyboardSettingsRecord BuildKeyboardSettingsRecord(const KeyboardSettings& settings);
// The mode code comes back raw: 0xFE means "keep the mode on the page".
KeyboardSettings DecodeKeyboardSettingsRecord(const KeyboardSettingsRecord& record);
// The page's mode index for a device code: the first list entry equal to it; a code the list
// does not hold passes through.
int ModeIndexFromCode(std::span<const int> modeCodes, int code);

// What the keyboard told about itself at attach.
struct KeyboardMemory {
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    std::array<std::uint8_t, kMaxDataSize> keyTable{};
    std::array<std::uint8_t, kMaxDataSize> ledMap{};
    KeyMaps maps;

    std::size_t Positions() const { return info[5]; }
    std::size_t MacroCapacity() const { return std::size_t{info[6]} * 128; }
};

// Information block, key table and LED map, then the key maps. The copies change only when
// every read succeeded; a key count above 170 leaves them as they were (result 0).
int ReadBackKeyboard(CDeviceChannel& channel, KeyboardMemory& memory);

struct KeyboardSettingsReadBack {
    std::uint8_t activeIndex = 0;
    KeyboardSettingsRecord record{};
};
// The active-record index, then that record.
int ReadKeyboardSettings(CDeviceChannel& channel, KeyboardSettingsReadBack& out);
// Record `recordIndex` with `recordByte0` in its byte 0 (0 for a profile; a game event puts
// its effect there).
int WriteKeyboardSettings(CDeviceChannel& channel, const KeyboardSettings& settings, int recordIndex = 0,
                          std::uint8_t recordByte0 = 0);

// Macro numbers in order of first use by the mapped page keys; a key's slot in the device is
// the index of its macro number here. Numbers not below `macroCount` are left out.
std::vector<int> CollectUsedMacros(const KeyMaps& maps, std::span<const std::uint32_t> assignments,
                                   std::size_t macroCount);

// Puts each page key's assignment (24-bit code) at its position of a key table image: a macro
// key gets the slot of its macro in order of first use, a macro key whose macro no longer
// exists its default code (in `assignments` too). Keys without a position are left out.
void PlaceKeyAssignments(std::span<std::uint8_t> image, std::span<const std::uint8_t> positionOfKey, std::size_t positions,
                         std::span<std::uint32_t> assignments, std::span<const KeyCode> defaults, std::size_t macroCount);
// Writes the page keys' assignments (24-bit codes, one per page key) over the key table read
// at attach. A macro key whose macro no longer exists falls back to its default code, in
// `assignments` too. 0 when not connected.
int WriteKeyboardKeyTable(CDeviceChannel& channel, KeyboardMemory& memory, std::span<std::uint32_t> assignments,
                          std::size_t macroCount, int bank);

struct MacroEvent {
    std::uint16_t delay = 0;
    std::uint8_t type = 0;  // the event kind, 7 bits
    bool down = false;
    std::uint8_t button = 0;
};
using MacroEventList = std::vector<MacroEvent>;

std::size_t MacroImageSize(std::span<const MacroEventList> macros);
// 0 and the image when it fits `capacity` bytes; otherwise the number of events too many
// plus one (always above 1) and no image.
int BuildMacroImage(std::span<const MacroEventList> macros, std::size_t capacity, std::vector<std::uint8_t>& image);
// The used macros' events in slot order. 0 when written or nothing to write, above 1 when
// too large (nothing sent), -1 when out of memory, or the failing transfer's negative result.
int WriteKeyboardMacroImage(CDeviceChannel& channel, const KeyboardMemory& memory,
                            std::span<const MacroEventList> macros);

struct Rgba {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0xFF;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};
using ColourImage = std::array<std::uint8_t, kColourImageSize>;

// Page key colours at their LED indexes, three bytes each; unmapped keys are left out.
ColourImage BuildLedColourImage(const KeyMaps& maps, std::span<const Rgba> pageColours);
// The page colours an image holds; keys without an LED keep their colour.
void ApplyLedColourImage(const KeyMaps& maps, const ColourImage& image, std::span<Rgba> pageColours);
int WriteLedColourImage(CDeviceChannel& channel, std::size_t positions, const ColourImage& image);
int ReadLedColourImage(CDeviceChannel& channel, std::size_t positions, ColourImage& image);

// As the LED image, each channel scaled by the colour's alpha (value x alpha / 256).
ColourImage BuildStreamFrame(const KeyMaps& maps, std::span<const Rgba> pageColours);
// Sent only by cable and while a host-rendered mode (29, 30) is on; 1 when nothing is due.
int SendKeyboardStreamFrame(CDeviceChannel& channel, std::size_t positions, int modeCode, const ColourImage& frame);

}  // namespace kx58
