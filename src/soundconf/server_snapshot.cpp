#include "soundconf/server_snapshot.h"

#include <cstdlib>
#include <memory>

#include "soundconf/pending_reply.h"

namespace kx58::soundconf {
namespace {

std::string Text(const char* text) { return text ? text : ""; }

UsbIds IdsIn(const pa_proplist* properties) {
    return {ParseUsbId(pa_proplist_gets(properties, "device.vendor.id")),
            ParseUsbId(pa_proplist_gets(properties, "device.product.id"))};
}

CardEntry EntryFrom(const pa_card_info& info) { return {.index = info.index, .ids = IdsIn(info.proplist)}; }

EndpointEntry EntryFrom(const pa_sink_info& info) {
    return {.index = info.index, .name = Text(info.name), .card = info.card, .ownerModule = info.owner_module,
            .isMonitor = false, .volume = info.volume, .mute = info.mute != 0, .ids = IdsIn(info.proplist),
            .marker = Text(pa_proplist_gets(info.proplist, kMarkerProperty))};
}

EndpointEntry EntryFrom(const pa_source_info& info) {
    return {.index = info.index, .name = Text(info.name), .card = info.card, .ownerModule = info.owner_module,
            .isMonitor = info.monitor_of_sink != PA_INVALID_INDEX, .volume = info.volume, .mute = info.mute != 0,
            .ids = IdsIn(info.proplist), .marker = Text(pa_proplist_gets(info.proplist, kMarkerProperty))};
}

ModuleEntry EntryFrom(const pa_module_info& info) {
    return {.index = info.index, .name = Text(info.name), .argument = Text(info.argument)};
}

SinkInputEntry EntryFrom(const pa_sink_input_info& info) {
    return {.index = info.index, .sink = info.sink, .ownerModule = info.owner_module, .volume = info.volume};
}

template <class Info, class Entry>
void OnListItem(pa_context*, const Info* info, int last, void* pending) {
    auto* reply = static_cast<PendingReply<std::vector<Entry>>*>(pending);
    if (last < 0) return reply->Answer(std::nullopt);
    if (last > 0) return reply->Answer(std::move(reply->gathered));
    if (info) reply->gathered.push_back(EntryFrom(*info));
}

template <class Entry, class Info>
void List(pa_operation* (*query)(pa_context*, void (*)(pa_context*, const Info*, int, void*), void*),
          pa_context* context, Reply<std::vector<Entry>> reply) {
    auto* pending = Pending(std::move(reply));
    Track(query(context, &OnListItem<Info, Entry>, pending), pending);
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* pending) {
    static_cast<PendingReply<std::string>*>(pending)->Answer(Text(info ? info->default_sink_name : nullptr));
}

// The parts as they come; the reply once the last one is in.
struct Gathering {
    Reply<ServerSnapshot> reply;
    ServerSnapshot snapshot;
    int outstanding = 6;
    bool failed = false;

    template <class T>
    Reply<T> Into(T ServerSnapshot::*field, std::shared_ptr<Gathering> self) {
        return [self, field](std::optional<T> part) {
            if (part) self->snapshot.*field = std::move(*part);
            self->failed = self->failed || !part;
            if (--self->outstanding == 0) self->reply(self->failed ? std::nullopt : std::optional(std::move(self->snapshot)));
        };
    }
};

}  // namespace

std::optional<std::uint16_t> ParseUsbId(const char* text) {
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 16);
    if (*end != '\0' || value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

void QuerySnapshot(pa_context* context, Reply<ServerSnapshot> reply) {
    if (!context) return reply(std::nullopt);
    auto gathering = std::make_shared<Gathering>();
    gathering->reply = std::move(reply);
    auto* server = Pending(gathering->Into(&ServerSnapshot::defaultSink, gathering));
    Track(pa_context_get_server_info(context, &OnServerInfo, server), server);
    List(&pa_context_get_card_info_list, context, gathering->Into(&ServerSnapshot::cards, gathering));
    List(&pa_context_get_sink_info_list, context, gathering->Into(&ServerSnapshot::sinks, gathering));
    List(&pa_context_get_source_info_list, context, gathering->Into(&ServerSnapshot::sources, gathering));
    List(&pa_context_get_module_info_list, context, gathering->Into(&ServerSnapshot::modules, gathering));
    List(&pa_context_get_sink_input_info_list, context, gathering->Into(&ServerSnapshot::sinkInputs, gathering));
}

}  // namespace kx58::soundconf
