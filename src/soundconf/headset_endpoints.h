#pragma once
// Which sink and source of a server snapshot belong to the headset: the ones whose own
// properties, or else their sound card's, carry the headset's USB vendor and product ids.
// Monitor sources and what this layer placed on the server never count; the first match wins.
#include <cstdint>
#include <string_view>
#include <vector>

#include "soundconf/server_snapshot.h"

namespace kx58::soundconf {

struct HeadsetIds {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

const EndpointEntry* FindHeadsetSink(const ServerSnapshot& snapshot, HeadsetIds ids);
const EndpointEntry* FindHeadsetSource(const ServerSnapshot& snapshot, HeadsetIds ids);

const EndpointEntry* FindSinkNamed(const ServerSnapshot& snapshot, std::string_view name);
const EndpointEntry* FindSinkOwnedBy(const ServerSnapshot& snapshot, std::uint32_t module);
const ModuleEntry* FindModule(const ServerSnapshot& snapshot, std::uint32_t module);
std::vector<const SinkInputEntry*> SinkInputsOwnedBy(const ServerSnapshot& snapshot, std::uint32_t module);
// The streams playing on `sink`.
std::vector<std::uint32_t> SinkInputsOn(const ServerSnapshot& snapshot, std::uint32_t sink);
// Modules called `moduleName` whose arguments carry this layer's marker with `marker`.
std::vector<const ModuleEntry*> MarkedModules(const ServerSnapshot& snapshot, std::string_view moduleName,
                                              std::string_view marker);
// The text of `key=` in a module argument (up to a blank, unquoted), or empty.
std::string ArgumentValue(std::string_view argument, std::string_view key);

}  // namespace kx58::soundconf
