#include "editors/light_layout_table.h"

#include <algorithm>

namespace kx58 {
namespace {

// The keyboard: the full effect set.
constexpr LightLayoutRow kKeyboardRows[] = {
    {{1, 2, -1}, "EEEEEEE"},
    {{3, 24, -1}, "EEEEEEE", 0, "light_set_clockwise_text", "light_set_anticlockwise_text"},
    {{4, -1}, "EDDDEED", kExtraColourLayoutOff | kExtraSameMode},
    {{5, 8, 10, 13, 14, 23, 25, -1}, "EEEEEED", kExtraSameMode},
    {{6, -1}, "EEEEEDD", kExtraSameMode},
    {{7, 9, 15, 22, -1}, "EEEEEED"},
    {{11, 27, -1}, "EDDDEED", kExtraColourLayoutOff},
    {{12, -1}, "EDDDEEE", 0, "light_set_down_to_up_text", "light_set_up_to_down_text"},
    {{16, -1}, "EEEEEDD"},
    {{17, -1}, "EDDDEED", kExtraSpeedHidden | kExtraSecondMode | kExtraColourLayoutOff},
    {{18, -1}, "EDDDEDE", 0, "light_set_outside_to_inside_text", "light_set_inside_to_outside_text"},
    {{20, -1}, "EDEEEDD", kExtraCustom | kExtraSpeedHidden},
    {{21, -1}, "EEEEEEE", 0, "light_set_up_to_down_text", "light_set_down_to_up_text"},
    {{26, -1}, "EEEEEED"},
    {{28, -1}, "EDDDDDD", kExtraSameMode},
    {{29, -1}, "EEEEEDE", kExtraSpeedHidden | kExtraAudio},
    {{30, -1}, "EDDDEDD", kExtraColourLayoutOff},
};

constexpr LightLayoutRow kMouseRows[] = {
    {{0, 5, -1}, "EEEEEEE"},
    {{1, 7, 8, -1}, "EDDDEED"},
    {{2, 4, 6, -1}, "EEEEEED"},
    {{3, -1}, "EDEEEDD"},
    {{9, -1}, "EDDDDDD", kExtraSameMode},
};

// The mouse pad, the headset and the kind 4 products share one table.
constexpr LightLayoutRow kPadRows[] = {
    {{0, -1}, "EEEEEEE"},
    {{1, -1}, "EDDDEED"},
    {{2, 4, -1}, "EEEEEED"},
    {{3, -1}, "EDEEEDD"},
    {{8, -1}, "EDDDDDD", kExtraSameMode},
};

// Kind 5 has no direction group.
constexpr LightLayoutRow kKind5Rows[] = {
    {{0, 2, 3, -1}, "EEEEEE-"},
    {{1, -1}, "EDEEED-"},
    {{4, -1}, "EDDDEE-"},
};

constexpr LightLayoutTable kKeyboardTable{kKeyboardRows, "EDDDDDD", true};
constexpr LightLayoutTable kMouseTable{kMouseRows, "EDDDDDD", false};
constexpr LightLayoutTable kPadTable{kPadRows, "EDDDDDD", false};
constexpr LightLayoutTable kKind5Table{kKind5Rows, "EDDDDD-", false, false};

}  // namespace

const LightLayoutTable* LightLayoutFor(int pageKind) {
    switch (pageKind) {
    case 1: return &kKeyboardTable;
    case 2: return &kMouseTable;
    case 3:
    case 4:
    case 7: return &kPadTable;
    case 5: return &kKind5Table;
    default: return nullptr;
    }
}

const LightLayoutRow* LightLayoutRowFor(const LightLayoutTable& table, int effect) {
    for (const LightLayoutRow& row : table.rows) {
        const auto end = std::find(row.effects.begin(), row.effects.end(), -1);
        if (std::find(row.effects.begin(), end, effect) != end) return &row;
    }
    return nullptr;
}

}  // namespace kx58
