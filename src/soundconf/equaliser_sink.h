#pragma once
// The headset's equaliser as a LADSPA sink in front of the headset's own sink: the multiband
// equaliser of swh-plugins (15 gain controls in dB), fed from the ten bands the page shows.
// A band change maps onto the controls by interpolation over log frequency; the bands read
// back from the controls of a sink left by an earlier run.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kx58::soundconf {

inline constexpr std::size_t kBandCount = 10;
inline constexpr int kMinBandGain = -12;
inline constexpr int kMaxBandGain = 12;
inline constexpr const char* kEqualiserSinkName = "kx58_headset_eq";
inline constexpr const char* kEqualiserModule = "module-ladspa-sink";
inline constexpr const char* kEqualiserPluginFile = "mbeq_1197.so";

using BandGains = std::array<int, kBandCount>;
using ControlGains = std::array<double, 15>;

ControlGains ControlsForBands(const BandGains& bands);
// Nothing when a band cannot be told from the controls.
std::optional<BandGains> BandsFromControls(const ControlGains& controls);

// The module argument of the sink on `master`; `previousDefault` is kept in its properties
// for whoever switches it off.
std::string EqualiserArguments(const std::string& master, const BandGains& bands, const std::string& previousDefault);
std::optional<BandGains> BandsFromArguments(std::string_view argument);
std::string PreviousDefaultFromArguments(std::string_view argument);
// The sink it plays into.
std::string MasterFromArguments(std::string_view argument);

// True when the plugin file is where the server looks (LADSPA_PATH, else the usual folders).
bool EqualiserPluginInstalled();

}  // namespace kx58::soundconf
