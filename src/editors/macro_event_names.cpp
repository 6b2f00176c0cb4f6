#include "editors/macro_event_names.h"

#include <cstdio>

#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

constexpr int kModifierKey = 9;
constexpr int kUsageKey = 10;
constexpr int kMouseButton = 1;
constexpr int kMoveHorizontal = 4;
constexpr int kMoveVertical = 5;

struct MaskName {
    std::uint8_t mask;
    const char* textId;
};
constexpr MaskName kButtonNames[] = {{1, "mouse_key_left"}, {2, "mouse_key_right"}, {4, "mouse_key_middle"},
                                     {8, "mouse_key_back"}, {16, "mouse_key_forward"}};
constexpr const char* kModifierNames[] = {"L-Ctrl", "L-Shift", "L-Alt", "L-Win", "R-Ctrl", "R-Shift", "R-Alt", "R-Win"};

struct UsageRange {
    std::uint8_t first;
    std::uint8_t last;
    const char* names;  // one character per usage, or nullptr for "F%d"
};
constexpr UsageRange kUsageRanges[] = {
    {0x04, 0x1D, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}, {0x1E, 0x27, "1234567890"}, {0x2D, 0x38, "-=[]\\#;'`,./"}};

struct UsageName {
    std::uint8_t usage;
    const char* name;
};
constexpr UsageName kUsageNames[] = {{0x28, "Enter"}, {0x29, "Esc"},    {0x2A, "Backspace"}, {0x2B, "Tab"},
                                     {0x2C, "Space"}, {0x39, "Caps Lock"}, {0x46, "Print Screen"}, {0x47, "Scroll Lock"},
                                     {0x48, "Pause"}, {0x49, "Insert"}, {0x4A, "Home"},      {0x4B, "Page Up"},
                                     {0x4C, "Delete"}, {0x4D, "End"},   {0x4E, "Page Down"}, {0x4F, "Right"},
                                     {0x50, "Left"},  {0x51, "Down"},   {0x52, "Up"},        {0x65, "Menu"}};

std::string Translated(const char* id) {
    std::string text;
    return ui::CResourceManager::GetInstance()->FindText(id, text) ? text : std::string(id);
}

std::string KeyName(std::uint8_t usage) {
    for (const UsageRange& range : kUsageRanges)
        if (usage >= range.first && usage <= range.last) return std::string(1, range.names[usage - range.first]);
    for (const UsageName& entry : kUsageNames)
        if (entry.usage == usage) return entry.name;
    char text[16];
    if (usage >= 0x3A && usage <= 0x45) std::snprintf(text, sizeof text, "F%d", usage - 0x3A + 1);
    else std::snprintf(text, sizeof text, "Key %02X", usage);
    return text;
}

std::string ModifierName(std::uint8_t bits) {
    for (int bit = 0; bit < 8; ++bit)
        if (bits & (1u << bit)) return kModifierNames[bit];
    return {};
}

}  // namespace

std::string MacroEventName(const MacroEventRecord& event) {
    switch (event.type) {
        case kUsageKey: return KeyName(event.button);
        case kModifierKey: return ModifierName(event.button);
        case kMoveHorizontal: return Translated(event.down ? "mouse_move_to_left_text" : "mouse_move_to_right_text");
        case kMoveVertical: return Translated(event.down ? "mouse_move_to_up_text" : "mouse_move_to_down_text");
        case kMouseButton:
            for (const MaskName& entry : kButtonNames)
                if (entry.mask == event.button) return Translated(entry.textId);
            return {};
        default: return {};
    }
}

std::string MacroEventNameStyle(const MacroEventRecord& event) {
    if (event.type == kModifierKey || event.type == kUsageKey) return "macro_label_keyboard_style";
    if (event.type >= 1 && event.type <= 5) return "macro_label_mouse_style";
    return "macro_label_text_style";
}

}  // namespace kx58
