#pragma once
// The values the key assignment editor offers, in the order of their combo boxes, and the
// keyboard key table that names keys and recognises a pressed key by its virtual-key code.
#include <cstdint>
#include <span>

namespace kx58 {

// One choice: the assignment's category and its two parameters, and the text key of its name.
struct AssignmentRow {
    std::uint8_t category;
    std::uint8_t first;
    std::uint8_t second;
    const char* name;
};

// A key of the keyboard key table; `virtualKey` is 0 or 0xFF for keys without one.
struct KeyboardKeyRow {
    std::uint8_t virtualKey;
    std::uint8_t category;
    std::uint8_t first;
    std::uint8_t second;
    const char* name;
};

std::span<const AssignmentRow> MouseButtonRows();
std::span<const AssignmentRow> DpiFunctionRows();
std::span<const AssignmentRow> SystemKeyRows();
std::span<const AssignmentRow> MediaKeyRows();
std::span<const AssignmentRow> ShortcutRows();
// 142 rows: 0-7 the modifiers (left Ctrl, Shift, Alt, Win, then the right ones), 8-113 the
// keys of category 0x20, then consumer, system and special keys.
std::span<const KeyboardKeyRow> KeyboardKeyRows();
inline constexpr int kModifierRowCount = 8;
inline constexpr int kKeyboardCategoryRowEnd = 114;

// The row of a key pressed in the program's window; -1 for a key the table does not know.
int KeyboardRowOfVirtualKey(unsigned virtualKey);
// The row (0-113: a modifier or a key of category 0x20) of a key a hook reports by scan code
// and extended flag; -1 for a key the table does not know.
int KeyboardRowOfScanCode(unsigned scanCode, bool extended);
// The row of a key named by its HID usage (a modifier usage 0xE0-0xE7 names rows 0-7); -1 when
// the table does not know it.
int KeyboardRowOfUsage(std::uint8_t usage);

}  // namespace kx58
