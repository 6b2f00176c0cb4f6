#include "soundconf/equaliser_sink.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "soundconf/headset_endpoints.h"
#include "soundconf/server_snapshot.h"

namespace kx58::soundconf {
namespace {

constexpr std::array<double, kBandCount> kBandHz = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr ControlGains kControlHz = {50, 100, 156, 220, 311, 440, 622, 880, 1250, 1750, 2500, 3500, 5000, 10000, 20000};
constexpr const char* kPreviousDefaultProperty = "kx58.conf.previous_default";
constexpr const char* kPluginFolders[] = {"/usr/lib/ladspa", "/usr/lib/x86_64-linux-gnu/ladspa", "/usr/local/lib/ladspa"};

// A control's place between two bands: the lower band and the share of the upper one.
struct BandShare {
    std::size_t lower;
    double upperShare;
};

BandShare ShareOf(double hz) {
    if (hz <= kBandHz.front()) return {0, 0.0};
    if (hz >= kBandHz.back()) return {kBandCount - 1, 0.0};
    std::size_t lower = 0;
    while (kBandHz[lower + 1] <= hz) ++lower;
    const double share = std::log(hz / kBandHz[lower]) / std::log(kBandHz[lower + 1] / kBandHz[lower]);
    return {lower, share};
}

// From the highest band down, each band from the control that leans on it most.
std::optional<int> SolveBand(std::size_t band, const ControlGains& controls, const std::array<double, kBandCount>& solved) {
    std::optional<std::size_t> best;
    double bestWeight = 0.0;
    for (std::size_t control = 0; control < controls.size(); ++control) {
        const BandShare share = ShareOf(kControlHz[control]);
        if (share.lower == band && 1.0 - share.upperShare > bestWeight) {
            best = control;
            bestWeight = 1.0 - share.upperShare;
        }
    }
    if (!best) return std::nullopt;
    const BandShare share = ShareOf(kControlHz[*best]);
    const double upper = share.upperShare > 0.0 ? solved[band + 1] : 0.0;
    return static_cast<int>(std::lround((controls[*best] - share.upperShare * upper) / bestWeight));
}

std::string ControlList(const BandGains& bands) {
    std::string list;
    for (const double gain : ControlsForBands(bands)) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "%s%.4f", list.empty() ? "" : ",", gain);
        list += figure;
    }
    return list;
}

std::optional<ControlGains> ParseControls(const std::string& list) {
    ControlGains controls{};
    const char* at = list.c_str();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        char* end = nullptr;
        controls[i] = std::strtod(at, &end);
        if (end == at || !std::isfinite(controls[i])) return std::nullopt;
        const bool last = i + 1 == controls.size();
        if (last ? *end != '\0' : *end != ',') return std::nullopt;
        at = end + 1;
    }
    return controls;
}

bool PluginIn(const std::string& folder) { return access((folder + "/" + kEqualiserPluginFile).c_str(), R_OK) == 0; }

// A sink name fit to stand unquoted in a property list.
bool Plain(const std::string& name) { return !name.empty() && name.find_first_of(" '\"\\") == std::string::npos; }

}  // namespace

ControlGains ControlsForBands(const BandGains& bands) {
    ControlGains controls{};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const BandShare share = ShareOf(kControlHz[i]);
        const double upper = share.upperShare > 0.0 ? bands[share.lower + 1] : 0.0;
        controls[i] = (1.0 - share.upperShare) * bands[share.lower] + share.upperShare * upper;
    }
    return controls;
}

std::optional<BandGains> BandsFromControls(const ControlGains& controls) {
    std::array<double, kBandCount> solved{};
    BandGains bands{};
    for (std::size_t band = kBandCount; band-- > 0;) {
        const std::optional<int> gain = SolveBand(band, controls, solved);
        if (!gain) return std::nullopt;
        bands[band] = std::clamp(*gain, kMinBandGain, kMaxBandGain);
        solved[band] = *gain;
    }
    return bands;
}

std::string EqualiserArguments(const std::string& master, const BandGains& bands, const std::string& previousDefault) {
    std::string properties = std::string(kMarkerProperty) + "=" + kEqualiserMarker + " device.description='Headset equaliser'";
    if (Plain(previousDefault)) properties += std::string(" ") + kPreviousDefaultProperty + "=" + previousDefault;
    return "sink_name=" + std::string(kEqualiserSinkName) + " sink_master=" + master +
           " plugin=mbeq_1197 label=mbeq control=" + ControlList(bands) + " sink_properties=\"" + properties + "\"";
}

std::optional<BandGains> BandsFromArguments(std::string_view argument) {
    const std::optional<ControlGains> controls = ParseControls(ArgumentValue(argument, "control"));
    if (!controls) return std::nullopt;
    return BandsFromControls(*controls);
}

std::string MasterFromArguments(std::string_view argument) {
    const std::string master = ArgumentValue(argument, "sink_master");
    return master.empty() ? ArgumentValue(argument, "master") : master;
}

std::string PreviousDefaultFromArguments(std::string_view argument) {
    const std::string key = std::string(kPreviousDefaultProperty) + "=";
    const std::size_t at = argument.find(key);
    if (at == std::string_view::npos) return {};
    const std::size_t from = at + key.size();
    return std::string(argument.substr(from, argument.find_first_of(" \"'", from) - from));
}

bool EqualiserPluginInstalled() {
    if (const char* path = std::getenv("LADSPA_PATH"); path && *path) {
        const std::string folders = path;
        for (std::size_t from = 0; from <= folders.size();) {
            const std::size_t colon = std::min(folders.find(':', from), folders.size());
            if (colon > from && PluginIn(folders.substr(from, colon - from))) return true;
            from = colon + 1;
        }
        return false;
    }
    for (const char* folder : kPluginFolders)
        if (PluginIn(folder)) return true;
    return false;
}

}  // namespace kx58::soundconf
