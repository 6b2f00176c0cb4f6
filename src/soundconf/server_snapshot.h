#pragma once
// What the sound server holds, read in one go: the default output, cards, sinks, sources,
// modules and playback streams, each reduced to what this layer decides on. A request like
// the others (reply on the loop thread, or empty when any part of it failed).
#include <pulse/pulseaudio.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "soundconf/pulse_connection.h"

namespace kx58::soundconf {

// The property that marks what this layer placed on the server, and its values.
inline constexpr const char* kMarkerProperty = "kx58.conf";
inline constexpr const char* kMonitorMarker = "monitor";
inline constexpr const char* kEqualiserMarker = "equaliser";

// USB ids as a proplist carries them ("device.vendor.id", "device.product.id"), when readable.
struct UsbIds {
    std::optional<std::uint16_t> vendor;
    std::optional<std::uint16_t> product;
};

struct CardEntry {
    std::uint32_t index = PA_INVALID_INDEX;
    UsbIds ids;
};

// A sink or a source.
struct EndpointEntry {
    std::uint32_t index = PA_INVALID_INDEX;
    std::string name;
    std::uint32_t card = PA_INVALID_INDEX;
    std::uint32_t ownerModule = PA_INVALID_INDEX;
    bool isMonitor = false;  // a sink's monitor source
    pa_cvolume volume{};
    bool mute = false;
    UsbIds ids;
    std::string marker;
};

struct ModuleEntry {
    std::uint32_t index = PA_INVALID_INDEX;
    std::string name;
    std::string argument;
};

struct SinkInputEntry {
    std::uint32_t index = PA_INVALID_INDEX;
    std::uint32_t sink = PA_INVALID_INDEX;
    std::uint32_t ownerModule = PA_INVALID_INDEX;
    pa_cvolume volume{};
};

struct ServerSnapshot {
    std::string defaultSink;
    std::vector<CardEntry> cards;
    std::vector<EndpointEntry> sinks;
    std::vector<EndpointEntry> sources;
    std::vector<ModuleEntry> modules;
    std::vector<SinkInputEntry> sinkInputs;
};

// Issues the queries (lock held); `reply` gets the snapshot once every part has come.
void QuerySnapshot(pa_context* context, Reply<ServerSnapshot> reply);

// "0c76", "0C76" or "0x0c76" as a number; nothing for anything else.
std::optional<std::uint16_t> ParseUsbId(const char* text);

}  // namespace kx58::soundconf
