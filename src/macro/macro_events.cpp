#include "macro/macro_events.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace kx58 {
namespace {

struct MoveKind {
    MouseMove direction;
    std::uint8_t type;
    bool down;
};

constexpr MoveKind kMoveKinds[] = {
    {.direction = MouseMove::Left, .type = 4, .down = true},
    {.direction = MouseMove::Right, .type = 4, .down = false},
    {.direction = MouseMove::Up, .type = 5, .down = true},
    {.direction = MouseMove::Down, .type = 5, .down = false},
};

// A leading integer of the text, as the C library's atoll would read it; 0 when there is none.
long long LeadingInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) return text.front() == '-' ? LLONG_MIN : LLONG_MAX;
    return error == std::errc() ? value : 0;
}

}  // namespace

std::uint16_t StoredDelay(std::uint64_t gapMilliseconds) {
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(gapMilliseconds, kMaxMacroDelay));
}

std::uint16_t DelayFromText(std::string_view text) {
    return static_cast<std::uint16_t>(std::clamp<long long>(LeadingInteger(text), 0, kMaxMacroDelay));
}

std::uint8_t MoveDistanceFromText(std::string_view text) {
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(LeadingInteger(text)) & 0xFF);
}

MacroEventRecord MouseMoveEvent(MouseMove direction, std::uint8_t distance, std::uint16_t delay) {
    const MoveKind& kind = *std::find_if(std::begin(kMoveKinds), std::end(kMoveKinds),
                                         [&](const MoveKind& row) { return row.direction == direction; });
    return {.down = kind.down, .button = distance, .type = kind.type, .delay = delay};
}

Json::Value MacroEventJson(const MacroEventRecord& event) {
    Json::Value element(Json::objectValue);
    element["Action"] = event.down ? "down" : "up";
    element["Button"] = event.button;
    element["Type"] = event.type;
    element["Delay"] = std::to_string(event.delay);
    return element;
}

Json::Value MacroDocument(const std::string& name, const std::string& guid,
                          const std::vector<MacroEventRecord>& events) {
    Json::Value document(Json::objectValue);
    document["MacroName"] = name;
    document["Guid"] = guid;
    Json::Value& list = document["Events"] = Json::Value(Json::arrayValue);
    for (const MacroEventRecord& event : events) list.append(MacroEventJson(event));
    document["Version"] = kMacroFileVersion;
    return document;
}

}  // namespace kx58
