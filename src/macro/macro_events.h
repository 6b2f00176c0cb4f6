#pragma once
// The event side of a macro: delays and movement distances as the editor and the recorder
// store them, and the ".mac" document written for a macro's events.
//
// A ".mac" file written here always has `Version` 64 and every `Delay` as decimal text; the
// reader (profile/macro_files.h) takes integer delays too.
#include <json/value.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "profile/macro_files.h"

namespace kx58 {

inline constexpr int kMacroFileVersion = 64;
inline constexpr std::uint16_t kMaxMacroDelay = 65535;

// A measured gap between two recorded events; gaps of 65535 ms or more are kept as 65535.
std::uint16_t StoredDelay(std::uint64_t gapMilliseconds);
// The text of a delay field: empty or not a number counts as 0, above 65535 as 65535.
std::uint16_t DelayFromText(std::string_view text);
// A typed movement distance: the number's low 8 bits (300 becomes 44).
std::uint8_t MoveDistanceFromText(std::string_view text);

enum class MouseMove { Left, Right, Up, Down };
// A movement event: left and up are "down" actions, right and down "up" actions.
MacroEventRecord MouseMoveEvent(MouseMove direction, std::uint8_t distance, std::uint16_t delay);

// One element of `Events`, with the delay as decimal text.
Json::Value MacroEventJson(const MacroEventRecord& event);
// The whole ".mac" document of a macro.
Json::Value MacroDocument(const std::string& name, const std::string& guid,
                          const std::vector<MacroEventRecord>& events);

}  // namespace kx58
