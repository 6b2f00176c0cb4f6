#include "soundconf/conf_properties.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "soundconf/volume_figures.h"

namespace kx58::soundconf {
namespace {

constexpr int kReplyVersion = 1;

std::int32_t ReadInt(const PropertyCall& call) {
    std::int32_t value = 0;
    std::memcpy(&value, call.value, sizeof value);
    return value;
}

float ReadFloat(const PropertyCall& call) {
    float value = 0;
    std::memcpy(&value, call.value, sizeof value);
    return value;
}

int WriteInt(PropertyCall& call, std::int32_t value) {
    std::memcpy(call.value, &value, sizeof value);
    return kConfOk;
}

int WriteFloat(PropertyCall& call, float value) {
    std::memcpy(call.value, &value, sizeof value);
    return kConfOk;
}

// ASCII text as NUL-terminated UTF-16, cut to the buffer.
int WriteText(PropertyCall& call, const std::string& text) {
    const std::size_t room = kConfValueBufferSize / sizeof(char16_t) - 1;
    const std::size_t length = std::min(text.size(), room);
    auto* out = static_cast<char16_t*>(call.value);
    for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    out[length] = u'\0';
    return kConfOk;
}

std::optional<bool> ReadFlag(const PropertyCall& call) {
    const std::int32_t value = ReadInt(call);
    if (value != 0 && value != 1) return std::nullopt;
    return value == 1;
}

const pa_cvolume& Volume(const PropertyCall& call) { return call.endpoint.entry.volume; }

int SupportedFeatures(PropertyCall& call) {
    std::int32_t features = kConfFeatureVolume | kConfFeatureMonitor;
    if (EqualiserPluginInstalled()) features |= kConfFeatureEqualiser;
    char text[64];
    std::snprintf(text, sizeof text, "%d,0,0,0,%zu,0,%d", features, kBandCount, kReplyVersion);
    return WriteText(call, text);
}

int GetVolumeScalar(PropertyCall& call) { return WriteFloat(call, VolumeToScalar(pa_cvolume_avg(&Volume(call)))); }
int SetVolumeScalar(PropertyCall& call) {
    return call.sound.SetVolume(call.endpoint, ReadFloat(call), call.channel, call.deadline);
}
int GetVolumeDecibels(PropertyCall& call) { return WriteText(call, DecibelText(pa_cvolume_avg(&Volume(call)))); }

int GetMute(PropertyCall& call) { return WriteInt(call, call.endpoint.entry.mute ? 1 : 0); }
int SetMute(PropertyCall& call) {
    const std::optional<bool> mute = ReadFlag(call);
    return mute ? call.sound.SetMute(call.endpoint, *mute, call.deadline) : kConfFailed;
}

int GetMaxDecibels(PropertyCall& call) { return WriteText(call, MaxDecibelText()); }
int GetMinDecibels(PropertyCall& call) { return WriteText(call, MinDecibelText()); }
int GetStepDecibels(PropertyCall& call) { return WriteText(call, StepDecibelText()); }

// The monitor has one level: channel 0 stands for all of it, as -1 does.
int GetMonitorScalar(PropertyCall& call) { return WriteFloat(call, call.sound.MonitorScalar()); }
int SetMonitorScalar(PropertyCall& call) {
    if (call.channel != -1 && call.channel != 0) return kConfFailed;
    return call.sound.SetMonitorScalar(ReadFloat(call), call.deadline);
}
int GetMonitorDecibels(PropertyCall& call) {
    return WriteText(call, DecibelText(ScalarToVolume(call.sound.MonitorScalar())));
}
// Muting the monitor is switching it off.
int GetMonitorMute(PropertyCall& call) { return WriteInt(call, call.sound.MonitorOn() ? 0 : 1); }
int SetMonitorMute(PropertyCall& call) {
    const std::optional<bool> mute = ReadFlag(call);
    return mute ? call.sound.SetMonitorOn(!*mute, call.deadline) : kConfFailed;
}

int GetEqualiser(PropertyCall& call) { return WriteInt(call, call.sound.EqualiserOn() ? 1 : 0); }
int SetEqualiser(PropertyCall& call) {
    const std::optional<bool> on = ReadFlag(call);
    return on ? call.sound.SetEqualiserOn(*on, call.deadline) : kConfFailed;
}

template <std::size_t Band>
int GetBand(PropertyCall& call) {
    return WriteInt(call, call.sound.Band(Band));
}
template <std::size_t Band>
int SetBand(PropertyCall& call) {
    return call.sound.SetBand(Band, ReadInt(call));
}

int NotApplicable(PropertyCall&) { return kConfNotSupported; }

using E = PropertyEndpoint;
constexpr ConfProperty kProperties[] = {
    {u"GetSupportFeature", E::Either, true, &SupportedFeatures, nullptr},
    {u"VolumeScalarControl", E::Either, true, &GetVolumeScalar, &SetVolumeScalar},
    {u"VolumeControl", E::Either, true, &GetVolumeDecibels, nullptr},
    {u"MuteControl", E::Either, true, &GetMute, &SetMute},
    {u"GetMaxVol", E::Input, true, &GetMaxDecibels, nullptr},
    {u"GetMinVol", E::Input, true, &GetMinDecibels, nullptr},
    {u"GetVolStep", E::Input, true, &GetStepDecibels, nullptr},
    {u"GetAAMaxVol", E::Input, true, &GetMaxDecibels, nullptr},
    {u"GetAAMinVol", E::Input, true, &GetMinDecibels, nullptr},
    {u"GetAAVolStep", E::Input, true, &GetStepDecibels, nullptr},
    {u"AAVolumeScalarControl", E::Input, true, &GetMonitorScalar, &SetMonitorScalar},
    {u"AAVolumeControl", E::Input, true, &GetMonitorDecibels, nullptr},
    {u"AAMuteControl", E::Input, true, &GetMonitorMute, &SetMonitorMute},
    {u"Enable_EQ_GFX", E::Output, true, &GetEqualiser, &SetEqualiser},
    {u"EQ_Slider1", E::Output, true, &GetBand<0>, &SetBand<0>},
    {u"EQ_Slider2", E::Output, true, &GetBand<1>, &SetBand<1>},
    {u"EQ_Slider3", E::Output, true, &GetBand<2>, &SetBand<2>},
    {u"EQ_Slider4", E::Output, true, &GetBand<3>, &SetBand<3>},
    {u"EQ_Slider5", E::Output, true, &GetBand<4>, &SetBand<4>},
    {u"EQ_Slider6", E::Output, true, &GetBand<5>, &SetBand<5>},
    {u"EQ_Slider7", E::Output, true, &GetBand<6>, &SetBand<6>},
    {u"EQ_Slider8", E::Output, true, &GetBand<7>, &SetBand<7>},
    {u"EQ_Slider9", E::Output, true, &GetBand<8>, &SetBand<8>},
    {u"EQ_Slider10", E::Output, true, &GetBand<9>, &SetBand<9>},
    {u"VirtualSurroundEffectControl", E::Output, false, &NotApplicable, &NotApplicable},
    {u"Enable_RFX_GFX", E::Output, false, &NotApplicable, &NotApplicable},
    {u"RFX_ENVIRONMENT", E::Output, false, &NotApplicable, &NotApplicable},
    {u"RFX_ROOMSIZE", E::Output, false, &NotApplicable, &NotApplicable},
    {u"Enable_ENC_LFX", E::Input, false, &NotApplicable, &NotApplicable},
    {u"ENC_SELFCALIB", E::Input, false, &NotApplicable, &NotApplicable},
    {u"Enable_MAGICVOICE", E::Input, false, &NotApplicable, &NotApplicable},
    {u"MagicVoice_Selection", E::Input, false, &NotApplicable, &NotApplicable},
    {u"Enable_MICECHO", E::Input, false, &NotApplicable, &NotApplicable},
};

}  // namespace

const ConfProperty* FindProperty(std::u16string_view name) {
    const auto found = std::find_if(std::begin(kProperties), std::end(kProperties),
                                    [&](const ConfProperty& property) { return property.name == name; });
    return found == std::end(kProperties) ? nullptr : found;
}

bool PropertyFitsKind(const ConfProperty& property, std::int32_t kind) {
    switch (property.endpoint) {
        case PropertyEndpoint::Output: return kind == kConfKindOutput;
        case PropertyEndpoint::Input: return kind == kConfKindInput;
        case PropertyEndpoint::Either: return kind == kConfKindOutput || kind == kConfKindInput;
    }
    return false;
}

}  // namespace kx58::soundconf
