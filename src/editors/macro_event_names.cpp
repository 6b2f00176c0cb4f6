#include "editors/macro_event_names.h"

#include <cstdio>

#include "editors/key_assignment_tables.h"
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

std::string Translated(const char* id) {
    std::string text;
    return ui::CResourceManager::GetInstance()->FindText(id, text) ? text : std::string(id);
}

// The name of a recorded key: the key table's name key, shown translated or without its prefix.
std::string KeyTableName(int row, std::uint8_t code) {
    if (row < 0) {
        char text[16];
        std::snprintf(text, sizeof text, "Key %02X", code);
        return text;
    }
    return KeyNameText(KeyboardKeyRows()[static_cast<std::size_t>(row)].name);
}

std::string KeyName(std::uint8_t usage) { return KeyTableName(KeyboardRowOfUsage(usage), usage); }

std::string ModifierName(std::uint8_t bits) {
    for (int bit = 0; bit < 8; ++bit)
        if (bits & (1u << bit)) return KeyTableName(KeyboardRowOfUsage(static_cast<std::uint8_t>(0xE0 + bit)), bits);
    return {};
}

}  // namespace

std::string KeyNameText(std::string_view nameKey) {
    std::string text;
    if (ui::CResourceManager::GetInstance()->FindText(std::string(nameKey), text)) return text;
    constexpr std::string_view kPrefix = "keyboard_key_";
    if (nameKey.starts_with(kPrefix)) nameKey.remove_prefix(kPrefix.size());
    return std::string(nameKey);
}

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
