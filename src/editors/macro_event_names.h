#pragma once
// What an action row of the macro editor shows for an event: its name and the style of the
// name label.
#include <string>
#include <string_view>

#include "profile/macro_files.h"

namespace kx58 {

// A key table name key ("keyboard_key_A") as shown: translated, else without its prefix.
std::string KeyNameText(std::string_view nameKey);
// The translated name of the event's key, mouse button or movement; empty for other kinds.
std::string MacroEventName(const MacroEventRecord& event);
std::string MacroEventNameStyle(const MacroEventRecord& event);

}  // namespace kx58
