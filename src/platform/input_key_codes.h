#pragma once
// The one translation of key codes: an evdev key code, the Windows virtual-key code, the
// scan code and extended flag a low-level keyboard hook reports for the key, and its USB HID
// usage (0xE0-0xE7 for the modifiers). Recording and key capture name keys by scan code.
#include <cstdint>
#include <optional>
#include <span>

namespace kx58 {

struct InputKeyCode {
    std::uint16_t evdev;
    std::uint8_t virtualKey;
    std::uint8_t scanCode;
    bool extended;
    std::uint8_t hidUsage;
};

std::span<const InputKeyCode> InputKeyCodes();
std::optional<InputKeyCode> KeyCodeOfEvdev(unsigned evdevCode);
// The first row with the virtual key (Shift, Ctrl and Alt without a side count as the left
// keys); for window events whose evdev code is unknown.
std::optional<InputKeyCode> KeyCodeOfVirtualKey(unsigned virtualKey);
std::optional<InputKeyCode> KeyCodeOfScanCode(unsigned scanCode, bool extended);

// The HID modifier bit of a modifier usage (0xE0 -> 0x01 ... 0xE7 -> 0x80); 0 for other keys.
std::uint8_t ModifierBitOfUsage(std::uint8_t usage);

}  // namespace kx58
