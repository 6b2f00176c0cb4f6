#pragma once
// The changes this layer asks of the sound server, one request each (lock held). Every reply
// comes once, on the loop thread, or at once when the request cannot be issued: empty when
// the server refused it.
#include <pulse/pulseaudio.h>

#include <cstdint>
#include <string>

#include "soundconf/pulse_connection.h"

namespace kx58::soundconf {

enum class EndpointSide { Sink, Source };

// The new module's index.
void LoadModule(pa_context* context, const std::string& name, const std::string& argument, Reply<std::uint32_t> reply);
void UnloadModule(pa_context* context, std::uint32_t module, Reply<bool> reply);
void SetEndpointVolume(pa_context* context, EndpointSide side, std::uint32_t index, const pa_cvolume& volume,
                       Reply<bool> reply);
void SetEndpointMute(pa_context* context, EndpointSide side, std::uint32_t index, bool mute, Reply<bool> reply);
void SetSinkInputVolume(pa_context* context, std::uint32_t input, const pa_cvolume& volume, Reply<bool> reply);
void SetDefaultSink(pa_context* context, const std::string& sink, Reply<bool> reply);
void MoveSinkInput(pa_context* context, std::uint32_t input, const std::string& sink, Reply<bool> reply);

}  // namespace kx58::soundconf
