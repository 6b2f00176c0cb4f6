#include "profile/macro_files.h"

#include <algorithm>
#include <cstdlib>

#include "profile/json_file.h"
#include "profile/json_read.h"

namespace kx58 {
namespace {

// A delay is stored as decimal text; an integer is taken too.
std::uint16_t DelayOf(const Json::Value& value) {
    long long delay = 0;
    if (value.isString()) delay = std::atoll(value.asCString());
    else if (value.isIntegral()) delay = value.asLargestInt();
    return static_cast<std::uint16_t>(std::clamp(delay, 0LL, 65535LL));
}

}  // namespace

bool IsMacroFileIdentity(const std::string& guid) {
    return !guid.empty() && guid.find_first_of(std::string("/\\\0", 3)) == std::string::npos &&
           guid.find("..") == std::string::npos;
}

std::string MacroFilePath(const std::string& profileDirectory, const std::string& guid) {
    return profileDirectory + guid + ".mac";
}

std::vector<MacroEntry> ReadMacroLibrary(const std::string& profileDirectory) {
    std::vector<MacroEntry> entries;
    const Json::Value library = ReadJsonDocument(profileDirectory + "macro.config", kMaxSettingsFileBytes);
    for (const Json::Value& element : MemberOf(library, "MacroInfo")) {
        if (entries.size() == kMaxMacros) break;
        entries.push_back({StringMember(element, "MacroName"), StringMember(element, "Guid")});
    }
    return entries;
}

std::vector<MacroEventRecord> ReadMacroEvents(const std::string& profileDirectory, const std::string& guid) {
    std::vector<MacroEventRecord> events;
    if (!IsMacroFileIdentity(guid)) return events;
    const Json::Value macro = ReadJsonDocument(MacroFilePath(profileDirectory, guid));
    for (const Json::Value& element : MemberOf(macro, "Events")) {
        if (events.size() == kMaxMacroEvents) break;
        MacroEventRecord event;
        event.down = StringMember(element, "Action") == "down";
        event.button = static_cast<std::uint8_t>(IntMember(element, "Button", 0) & 0xFF);
        event.type = static_cast<std::uint8_t>(IntMember(element, "Type", 0) & 0x7F);
        event.delay = DelayOf(MemberOf(element, "Delay"));
        events.push_back(event);
    }
    return events;
}

}  // namespace kx58
