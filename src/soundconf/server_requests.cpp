#include "soundconf/server_requests.h"

#include "soundconf/pending_reply.h"

namespace kx58::soundconf {
namespace {

void OnSuccess(pa_context*, int success, void* pending) {
    auto* reply = static_cast<PendingReply<bool>*>(pending);
    reply->Answer(success ? std::optional(true) : std::nullopt);
}

void OnIndex(pa_context*, std::uint32_t index, void* pending) {
    auto* reply = static_cast<PendingReply<std::uint32_t>*>(pending);
    reply->Answer(index != PA_INVALID_INDEX ? std::optional(index) : std::nullopt);
}

// Issues `request` with the success callback and its pending reply.
template <class Request>
void Succeeds(pa_context* context, Reply<bool> reply, Request request) {
    if (!context) return reply(std::nullopt);
    auto* pending = Pending(std::move(reply));
    Track(request(pending), pending);
}

}  // namespace

void LoadModule(pa_context* context, const std::string& name, const std::string& argument, Reply<std::uint32_t> reply) {
    if (!context) return reply(std::nullopt);
    auto* pending = Pending(std::move(reply));
    Track(pa_context_load_module(context, name.c_str(), argument.c_str(), &OnIndex, pending), pending);
}

void UnloadModule(pa_context* context, std::uint32_t module, Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) { return pa_context_unload_module(context, module, &OnSuccess, pending); });
}

void SetEndpointVolume(pa_context* context, EndpointSide side, std::uint32_t index, const pa_cvolume& volume,
                       Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) {
        return side == EndpointSide::Sink ? pa_context_set_sink_volume_by_index(context, index, &volume, &OnSuccess, pending)
                                          : pa_context_set_source_volume_by_index(context, index, &volume, &OnSuccess, pending);
    });
}

void SetEndpointMute(pa_context* context, EndpointSide side, std::uint32_t index, bool mute, Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) {
        return side == EndpointSide::Sink ? pa_context_set_sink_mute_by_index(context, index, mute, &OnSuccess, pending)
                                          : pa_context_set_source_mute_by_index(context, index, mute, &OnSuccess, pending);
    });
}

void SetSinkInputVolume(pa_context* context, std::uint32_t input, const pa_cvolume& volume, Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) {
        return pa_context_set_sink_input_volume(context, input, &volume, &OnSuccess, pending);
    });
}

void SetDefaultSink(pa_context* context, const std::string& sink, Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) {
        return pa_context_set_default_sink(context, sink.c_str(), &OnSuccess, pending);
    });
}

void MoveSinkInput(pa_context* context, std::uint32_t input, const std::string& sink, Reply<bool> reply) {
    Succeeds(context, std::move(reply), [&](void* pending) {
        return pa_context_move_sink_input_by_name(context, input, sink.c_str(), &OnSuccess, pending);
    });
}

}  // namespace kx58::soundconf
