#include "soundconf/headset_endpoints.h"

#include <algorithm>
#include <string>

namespace kx58::soundconf {
namespace {

bool Carries(const UsbIds& found, HeadsetIds ids) {
    return found.vendor == ids.vendor && found.product == ids.product;
}

bool BelongsToHeadset(const ServerSnapshot& snapshot, const EndpointEntry& endpoint, HeadsetIds ids) {
    if (endpoint.isMonitor || !endpoint.marker.empty()) return false;
    if (Carries(endpoint.ids, ids)) return true;
    if (endpoint.card == PA_INVALID_INDEX) return false;
    return std::any_of(snapshot.cards.begin(), snapshot.cards.end(),
                       [&](const CardEntry& card) { return card.index == endpoint.card && Carries(card.ids, ids); });
}

const EndpointEntry* FirstOfHeadset(const ServerSnapshot& snapshot, const std::vector<EndpointEntry>& endpoints,
                                    HeadsetIds ids) {
    const EndpointEntry* first = nullptr;
    for (const EndpointEntry& endpoint : endpoints)
        if (BelongsToHeadset(snapshot, endpoint, ids) && (!first || endpoint.index < first->index)) first = &endpoint;
    return first;
}

template <class Entry, class Test>
const Entry* FirstWhere(const std::vector<Entry>& entries, Test test) {
    const auto found = std::find_if(entries.begin(), entries.end(), test);
    return found == entries.end() ? nullptr : &*found;
}

}  // namespace

const EndpointEntry* FindHeadsetSink(const ServerSnapshot& snapshot, HeadsetIds ids) {
    return FirstOfHeadset(snapshot, snapshot.sinks, ids);
}

const EndpointEntry* FindHeadsetSource(const ServerSnapshot& snapshot, HeadsetIds ids) {
    return FirstOfHeadset(snapshot, snapshot.sources, ids);
}

const EndpointEntry* FindSinkNamed(const ServerSnapshot& snapshot, std::string_view name) {
    return FirstWhere(snapshot.sinks, [&](const EndpointEntry& sink) { return sink.name == name; });
}

const EndpointEntry* FindSinkOwnedBy(const ServerSnapshot& snapshot, std::uint32_t module) {
    return FirstWhere(snapshot.sinks, [&](const EndpointEntry& sink) { return sink.ownerModule == module; });
}

const ModuleEntry* FindModule(const ServerSnapshot& snapshot, std::uint32_t module) {
    return FirstWhere(snapshot.modules, [&](const ModuleEntry& entry) { return entry.index == module; });
}

std::vector<const SinkInputEntry*> SinkInputsOwnedBy(const ServerSnapshot& snapshot, std::uint32_t module) {
    std::vector<const SinkInputEntry*> owned;
    for (const SinkInputEntry& input : snapshot.sinkInputs)
        if (input.ownerModule == module) owned.push_back(&input);
    return owned;
}

std::vector<std::uint32_t> SinkInputsOn(const ServerSnapshot& snapshot, std::uint32_t sink) {
    std::vector<std::uint32_t> playing;
    for (const SinkInputEntry& input : snapshot.sinkInputs)
        if (input.sink == sink) playing.push_back(input.index);
    return playing;
}

std::vector<const ModuleEntry*> MarkedModules(const ServerSnapshot& snapshot, std::string_view moduleName,
                                              std::string_view marker) {
    const std::string tag = std::string(kMarkerProperty) + "=" + std::string(marker);
    std::vector<const ModuleEntry*> marked;
    for (const ModuleEntry& module : snapshot.modules)
        if (module.name == moduleName && module.argument.find(tag) != std::string::npos) marked.push_back(&module);
    return marked;
}

std::string ArgumentValue(std::string_view argument, std::string_view key) {
    const std::string wanted = std::string(key) + "=";
    for (std::size_t at = argument.find(wanted); at != std::string_view::npos; at = argument.find(wanted, at + 1)) {
        if (at != 0 && argument[at - 1] != ' ') continue;
        const std::size_t from = at + wanted.size();
        return std::string(argument.substr(from, argument.find(' ', from) - from));
    }
    return {};
}

}  // namespace kx58::soundconf
