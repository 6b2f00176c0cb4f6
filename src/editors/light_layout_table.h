#pragma once
// Which setting groups of the lighting editor each effect uses, per page kind.
#include <array>
#include <cstdint>
#include <span>

namespace kx58 {

// The seven groups, in the table's column order.
enum LightGroup : std::size_t {
    kGroupEffect,       // "lighteffect_layout"
    kGroupSevenColour,  // "deng_7color_check"
    kGroupColour,       // "deng_color_layout"
    kGroupPalette,      // "colorpallet_layout"
    kGroupBrightness,   // "deng_light_layout"
    kGroupSpeed,        // "deng_speed_layout"
    kGroupDirection,    // "deng_fx_layout"
    kLightGroupCount
};

// What else an effect changes besides the groups' enabled states.
enum LightLayoutExtra : unsigned {
    kExtraSameMode = 1u << 0,           // "deng_same_mode" shown
    kExtraColourLayoutOff = 1u << 1,    // "light_color_layout" disabled
    kExtraSpeedHidden = 1u << 2,        // the speed layout hidden
    kExtraSecondMode = 1u << 3,         // "light_combo_ZZCCmodeSelectLayout" shown
    kExtraCustom = 1u << 4,             // "lightcustom_layout" shown
    kExtraAudio = 1u << 5,              // the audio mode layout shown, colour tab page 1
};

struct LightLayoutRow {
    std::array<int, 8> effects;  // -1 ends the list
    // 'E' enabled, 'D' disabled, '-' left as it is, one per group.
    const char* groups;
    unsigned extras = 0;
    // Language text ids of the two direction options; null keeps the defaults.
    const char* leftText = nullptr;
    const char* rightText = nullptr;
};

struct LightLayoutTable {
    std::span<const LightLayoutRow> rows;
    const char* otherEffects;  // the groups of every effect no row names
    bool fullSet;              // the keyboard's: resets more before a row is applied
    bool hasDirection = true;  // the direction group is enabled before a row is applied
};

// The table of a page kind; null for a kind the editor does not lay out.
const LightLayoutTable* LightLayoutFor(int pageKind);
// The row of an effect, or null (then `otherEffects` holds).
const LightLayoutRow* LightLayoutRowFor(const LightLayoutTable& table, int effect);

}  // namespace kx58
