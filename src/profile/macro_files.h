#pragma once
// Reading a device's macro library: "macro.config" (the names and file identities, in macro
// number order) and each macro's "<Guid>.mac" (its events). A missing or unreadable file is an
// empty library or an empty macro.
#include <cstdint>
#include <string>
#include <vector>

namespace kx58 {

inline constexpr std::size_t kMaxMacros = 50;
inline constexpr std::size_t kMaxMacroEvents = 4000;

struct MacroEntry {
    std::string name;
    std::string guid;
};

struct MacroEventRecord {
    bool down = false;        // "Action": "down" or "up"
    std::uint8_t button = 0;  // "Button": key usage, modifier bit, button mask or distance
    std::uint8_t type = 0;    // "Type": the event kind, 7 bits
    std::uint16_t delay = 0;  // "Delay", clamped to 0..65535
    bool operator==(const MacroEventRecord&) const = default;
};

// True when `guid` can name a file of the profile folder: not empty, no "/", "\\" or "..".
// Every read, write, delete and copy of a ".mac" file checks this first.
bool IsMacroFileIdentity(const std::string& guid);
// profileDirectory + guid + ".mac"; the caller has checked IsMacroFileIdentity.
std::string MacroFilePath(const std::string& profileDirectory, const std::string& guid);

// At most kMaxMacros entries; entries without a usable Guid keep their number, with no events.
std::vector<MacroEntry> ReadMacroLibrary(const std::string& profileDirectory);
// At most kMaxMacroEvents events of the macro file; nothing for a Guid that names no file of
// the folder ("/", "\" or "..").
std::vector<MacroEventRecord> ReadMacroEvents(const std::string& profileDirectory, const std::string& guid);

}  // namespace kx58
