#pragma once
// Microphone monitoring (sidetone) as a loopback from the headset's source to its own sink:
// pinned to both (it goes with them), short latency, its stream marked as this layer's.
#include <string>

namespace kx58::soundconf {

inline constexpr const char* kLoopbackModule = "module-loopback";
inline constexpr float kDefaultMonitorScalar = 0.3F;

std::string LoopbackArguments(const std::string& source, const std::string& sink);

}  // namespace kx58::soundconf
