#pragma once
// Factory key codes and the maps that tie on-screen keys to the device's key positions.
//
// A device stores one 3-byte code (type, code 1, code 2) per key position without saying which
// physical key a position is; the host finds out by comparing the codes with these tables.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kx58 {

struct KeyCode {
    std::uint8_t type = 0;
    std::uint8_t code1 = 0;
    std::uint8_t code2 = 0;

    friend bool operator==(const KeyCode&, const KeyCode&) = default;
    // The 24-bit assignment code of a profile: type in bits 16..23.
    std::uint32_t Assignment() const { return (std::uint32_t{type} << 16) | (code1 << 8) | code2; }
    static KeyCode FromAssignment(std::uint32_t assignment) {
        return {static_cast<std::uint8_t>(assignment >> 16), static_cast<std::uint8_t>(assignment >> 8),
                static_cast<std::uint8_t>(assignment)};
    }
};

inline constexpr std::uint8_t kKeyTypeKeyboard = 0x20;
inline constexpr std::uint8_t kKeyTypeFunction = 0xA0;
inline constexpr std::uint8_t kKeyTypeExtraGroup = 0xD0;
inline constexpr std::uint8_t kKeyTypeMacroP = 'p';
inline constexpr std::uint8_t kKeyTypeMacroQ = 'q';
inline bool IsMacroType(std::uint8_t type) { return type == kKeyTypeMacroP || type == kKeyTypeMacroQ; }

inline constexpr std::size_t kPageKeyCount = 126;
inline constexpr std::size_t kMouseButtonCount = 11;
// At most 170 positions: 170 x 3 bytes fill the 512-byte key table.
inline constexpr std::size_t kMaxKeyPositions = 170;
inline constexpr std::uint8_t kNoKeyPosition = 255;
inline constexpr std::uint8_t kNoButtonPosition = 170;

// Page key j's code when nothing has been reassigned.
const std::array<KeyCode, kPageKeyCount>& DefaultKeyCodes();
// Page button j's code on the mouse.
const std::array<KeyCode, kMouseButtonCount>& DefaultMouseButtonCodes();

// Page key -> key position and page key -> LED index; 255 where no position matches.
struct KeyMaps {
    std::array<std::uint8_t, kPageKeyCount> position{};
    std::array<std::uint8_t, kPageKeyCount> led{};
    KeyMaps() {
        position.fill(kNoKeyPosition);
        led.fill(kNoKeyPosition);
    }
};

// The first position below `positions` whose code equals the page key's default code wins.
// `keyTable` holds 3 bytes per position, `ledMap` one byte per position; positions beyond
// either buffer are not looked at.
KeyMaps BuildKeyMaps(std::span<const std::uint8_t> keyTable, std::span<const std::uint8_t> ledMap,
                     std::size_t positions);

// Page button -> position on the mouse; the last matching position wins; 170 where none.
std::array<std::uint8_t, kMouseButtonCount> BuildButtonMap(std::span<const std::uint8_t> keyTable,
                                                           std::size_t positions);

}  // namespace kx58
