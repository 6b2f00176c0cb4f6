#include "device/protocol/key_code_tables.h"

#include <algorithm>

namespace kx58 {
namespace {

constexpr KeyCode K(std::uint8_t usage) { return {kKeyTypeKeyboard, 0x00, usage}; }
constexpr KeyCode M(std::uint8_t modifier) { return {kKeyTypeKeyboard, modifier, 0x00}; }
constexpr KeyCode F(std::uint8_t function) { return {kKeyTypeFunction, function, 0x00}; }
constexpr KeyCode X(std::uint8_t number) { return {kKeyTypeExtraGroup, 0xA2, number}; }
constexpr KeyCode kNone = {kKeyTypeKeyboard, 0x00, 0x00};

constexpr std::array<KeyCode, kPageKeyCount> kDefaultKeys = {
    // 0-17: Escape, F1-F12, Print Screen, Scroll Lock, Pause, two function keys
    K(0x29), K(0x3A), K(0x3B), K(0x3C), K(0x3D), K(0x3E), K(0x3F), K(0x40), K(0x41), K(0x42), K(0x43),
    K(0x44), K(0x45), K(0x46), K(0x47), K(0x48), F(0x1B), F(0x24),
    // 18-20: no key
    kNone, kNone, kNone,
    // 21-41: number row, Insert, Home, Page Up, Num Lock, keypad / * -
    K(0x35), K(0x1E), K(0x1F), K(0x20), K(0x21), K(0x22), K(0x23), K(0x24), K(0x25), K(0x26), K(0x27),
    K(0x2D), K(0x2E), K(0x2A), K(0x49), K(0x4A), K(0x4B), K(0x53), K(0x54), K(0x55), K(0x56),
    // 42-61: Tab row, Delete, End, Page Down, keypad 7-9
    K(0x2B), K(0x14), K(0x1A), K(0x08), K(0x15), K(0x17), K(0x1C), K(0x18), K(0x0C), K(0x12), K(0x13),
    K(0x2F), K(0x30), K(0x31), K(0x4C), K(0x4D), K(0x4E), K(0x5F), K(0x60), K(0x61),
    // 62: non-US hash; 63-78: Caps Lock row, Enter, keypad 4-6
    K(0x32), K(0x39), K(0x04), K(0x16), K(0x07), K(0x09), K(0x0A), K(0x0B), K(0x0D), K(0x0E), K(0x0F),
    K(0x33), K(0x34), K(0x28), K(0x5C), K(0x5D), K(0x5E),
    // 79-83: international and language keys
    K(0x8A), K(0x8B), K(0x90), K(0x91), K(0x88),
    // 84-99: Shift row, Up, keypad 1-3
    M(0x02), K(0x1D), K(0x1B), K(0x06), K(0x19), K(0x05), K(0x11), K(0x10), K(0x36), K(0x37), K(0x38),
    M(0x20), K(0x52), K(0x59), K(0x5A), K(0x5B),
    // 100-103: international 1 and 3, non-US backslash, keypad comma; 104: no key
    K(0x87), K(0x89), K(0x64), K(0x85), kNone,
    // 105-119: bottom row, arrows, keypad 0, period, Enter, plus
    M(0x01), M(0x08), M(0x04), K(0x2C), M(0x40), F(0x01), K(0x65), M(0x10), K(0x50), K(0x51), K(0x4F),
    K(0x62), K(0x63), K(0x58), K(0x57),
    // 120-124: the five extra keys; 125: right GUI
    X(1), X(2), X(3), X(4), X(5), M(0x80),
};

constexpr std::array<KeyCode, kMouseButtonCount> kDefaultButtons = {{
    {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00}, {0x10, 0x08, 0x00},
    {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00}, {0xA0, 0x1B, 0x00}, {0x16, 0x90, 0x01},
    {0x14, 0x78, 0x02},
}};

KeyCode CodeAt(std::span<const std::uint8_t> keyTable, std::size_t position) {
    const std::size_t at = position * 3;
    return {keyTable[at], keyTable[at + 1], keyTable[at + 2]};
}

// Positions that both the count and the buffer allow.
std::size_t UsablePositions(std::span<const std::uint8_t> keyTable, std::size_t positions) {
    return std::min({positions, keyTable.size() / 3, kMaxKeyPositions});
}

}  // namespace

const std::array<KeyCode, kPageKeyCount>& DefaultKeyCodes() { return kDefaultKeys; }
const std::array<KeyCode, kMouseButtonCount>& DefaultMouseButtonCodes() { return kDefaultButtons; }

KeyMaps BuildKeyMaps(std::span<const std::uint8_t> keyTable, std::span<const std::uint8_t> ledMap,
                     std::size_t positions) {
    KeyMaps maps;
    const std::size_t usable = UsablePositions(keyTable, positions);
    for (std::size_t j = 0; j < kPageKeyCount; ++j) {
        for (std::size_t k = 0; k < usable; ++k) {
            if (!(CodeAt(keyTable, k) == kDefaultKeys[j])) continue;
            maps.position[j] = static_cast<std::uint8_t>(k);
            maps.led[j] = k < ledMap.size() ? ledMap[k] : kNoKeyPosition;
            break;
        }
    }
    return maps;
}

std::array<std::uint8_t, kMouseButtonCount> BuildButtonMap(std::span<const std::uint8_t> keyTable,
                                                           std::size_t positions) {
    std::array<std::uint8_t, kMouseButtonCount> map;
    map.fill(kNoButtonPosition);
    const std::size_t usable = UsablePositions(keyTable, positions);
    for (std::size_t j = 0; j < kMouseButtonCount; ++j)
        for (std::size_t k = 0; k < usable; ++k)
            if (CodeAt(keyTable, k) == kDefaultButtons[j]) map[j] = static_cast<std::uint8_t>(k);
    return map;
}

}  // namespace kx58
