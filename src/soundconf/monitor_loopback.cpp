#include "soundconf/monitor_loopback.h"

#include "soundconf/server_snapshot.h"

namespace kx58::soundconf {

std::string LoopbackArguments(const std::string& source, const std::string& sink) {
    const std::string marked = std::string(kMarkerProperty) + "=" + kMonitorMarker + " media.name='Microphone monitor'";
    return "source=" + source + " sink=" + sink +
           " source_dont_move=true sink_dont_move=true latency_msec=20"
           " sink_input_properties=\"" + marked + "\" source_output_properties=\"" + marked + "\"";
}

}  // namespace kx58::soundconf
