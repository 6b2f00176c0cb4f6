#include "device/headset_sound_control.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/debug_trace.h"

namespace kx58 {
namespace {

enum class ValueKind { Int, Float, Text };

struct KnownStateStep {
    const char16_t* property;
    bool output;
    ValueKind kind;
    std::optional<std::int32_t> writeChannel;
    bool surroundParameters = false;
};

// Read in this order; what cannot be read is written with 0.
const KnownStateStep kKnownState[] = {
    {u"VirtualSurroundEffectControl", true, ValueKind::Int, std::nullopt, true},
    {u"Enable_ENC_LFX", false, ValueKind::Int, std::nullopt},
    {u"VolumeControl", false, ValueKind::Text, std::nullopt},
    {u"Enable_EQ_GFX", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider1", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider2", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider3", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider4", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider5", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider6", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider7", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider8", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider9", true, ValueKind::Int, std::nullopt},
    {u"EQ_Slider10", true, ValueKind::Int, std::nullopt},
    {u"Enable_RFX_GFX", true, ValueKind::Int, std::nullopt},
    {u"RFX_ENVIRONMENT", true, ValueKind::Int, std::nullopt},
    {u"RFX_ROOMSIZE", true, ValueKind::Int, std::nullopt},
    {u"MuteControl", false, ValueKind::Int, std::nullopt},
    {u"VolumeScalarControl", false, ValueKind::Float, -1},
    {u"AAVolumeControl", false, ValueKind::Text, 0},
    {u"AAMuteControl", false, ValueKind::Int, std::nullopt},
    {u"AAVolumeScalarControl", false, ValueKind::Float, 0},
    {u"Enable_MAGICVOICE", false, ValueKind::Int, std::nullopt},
    {u"MagicVoice_Selection", false, ValueKind::Int, std::nullopt},
};

// Headphone surround takes this record where other properties take a channel.
constexpr std::int32_t kSurroundParameters[3] = {4, -1, 0};
// The output endpoint kinds in the order they are preferred.
constexpr std::int32_t kOutputKinds[] = {1, 12, 7, 4};
constexpr std::size_t kFeatureFields = 7;
constexpr std::size_t kKeptFeatureFields[] = {0, 4, 6};

const char16_t* const kBandProperties[CHeadsetSoundControl::kBands] = {
    u"EQ_Slider1", u"EQ_Slider2", u"EQ_Slider3", u"EQ_Slider4", u"EQ_Slider5",
    u"EQ_Slider6", u"EQ_Slider7", u"EQ_Slider8", u"EQ_Slider9", u"EQ_Slider10",
};

void OnDeviceChange(void* context) {
    if (const auto* notify = static_cast<const std::function<void()>*>(context); *notify) (*notify)();
}

std::string Narrow(const char16_t* text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < limit && text[i]; ++i) out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    return out;
}

std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') fields.emplace_back();
        else fields.back().push_back(c);
    }
    return fields;
}

int Percent(float scalar) { return static_cast<int>(std::lround(std::clamp(scalar, 0.0f, 1.0f) * 100.0f)); }

}  // namespace

CHeadsetSoundControl::CHeadsetSoundControl(std::unique_ptr<COsConfLib> library, std::function<void()> onDeviceChange)
    : library_(std::move(library)), buffers_(std::make_unique<Buffers>()), onDeviceChange_(std::move(onDeviceChange)) {}

CHeadsetSoundControl::~CHeadsetSoundControl() {
    if (library_ && initialised_) library_->ConfLibUnInit();
}

void CHeadsetSoundControl::Start() {
    output_.reset();
    input_.reset();
    features_ = 0;
    state_ = HeadsetSoundState::NoServer;
    if (!library_) return;
    if (library_->ConfLibInit() != 0) {
        DebugTrace("ConfLibInit called failed!");
        return;
    }
    initialised_ = true;
    if (!callbackRegistered_) callbackRegistered_ = library_->RegisterCallbackFunction(&OnDeviceChange, &onDeviceChange_) == 0;
    state_ = HeadsetSoundState::NoHeadset;
    library_->CreateDeviceList();
    std::uint32_t count = 0;
    if (library_->GetDeviceCount(0, &count) != 0 || count == 0) return;
    SelectRecords();
    if (!output_ && !input_) return;
    ReadFeatures();
    BringToKnownState();
    state_ = HeadsetSoundState::Ready;
}

void CHeadsetSoundControl::SelectRecords() {
    std::uint32_t count = 0;
    library_->GetDeviceCount(0, &count);
    std::vector<ConfDeviceRecord> present;
    for (std::uint32_t i = 0; i < count; ++i) {
        ConfDeviceRecord record;
        if (library_->GetDeviceById(0, i, &record) == 0) present.push_back(record);
    }
    for (std::int32_t kind : kOutputKinds) {
        for (const ConfDeviceRecord& record : present)
            if (!output_ && record.words[1] == kind && record.words[3] == kConfStatePresent) output_ = record;
    }
    for (const ConfDeviceRecord& record : present)
        if (!input_ && record.words[1] == kConfKindInput) input_ = record;
}

void CHeadsetSoundControl::ReadFeatures() {
    const auto read = [&](Endpoint endpoint, std::array<std::int32_t, 3>& words) {
        if (!RecordOf(endpoint)) return;
        const std::optional<std::string> reply = GetText(endpoint, u"GetSupportFeature");
        const std::vector<std::string> fields = reply ? SplitFields(*reply) : std::vector<std::string>{};
        if (fields.size() < kFeatureFields) {
            DebugTrace("UpdateAPOAvailable failed!");
            return;
        }
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = static_cast<std::int32_t>(std::strtol(fields[kKeptFeatureFields[i]].c_str(), nullptr, 10));
    };
    read(Endpoint::Output, outputFeatureWords_);
    read(Endpoint::Input, inputFeatureWords_);
    features_ = outputFeatureWords_[0] | inputFeatureWords_[0];
}

void CHeadsetSoundControl::BringToKnownState() {
    const std::int32_t zero = 0;
    for (const KnownStateStep& step : kKnownState) {
        const Endpoint endpoint = step.output ? Endpoint::Output : Endpoint::Input;
        if (!RecordOf(endpoint)) continue;
        const std::int32_t* parameters = step.surroundParameters ? kSurroundParameters : nullptr;
        const std::optional<std::int32_t> readChannel = step.kind == ValueKind::Float ? step.writeChannel : std::nullopt;
        if (Call(endpoint, step.property, false, nullptr, 0, readChannel, parameters) == 0) continue;
        Call(endpoint, step.property, true, &zero, sizeof zero, step.writeChannel, parameters);
    }
}

const ConfDeviceRecord* CHeadsetSoundControl::RecordOf(Endpoint endpoint) const {
    const std::optional<ConfDeviceRecord>& record = endpoint == Endpoint::Output ? output_ : input_;
    return record ? &*record : nullptr;
}

int CHeadsetSoundControl::Call(Endpoint endpoint, std::u16string_view property, bool set, const void* value, std::size_t size,
                        std::optional<std::int32_t> channel, const std::int32_t* parameters) {
    const ConfDeviceRecord* record = RecordOf(endpoint);
    if (!library_ || !record) return -1;
    std::memset(buffers_->value, 0, sizeof buffers_->value);
    std::memset(buffers_->channel, 0, sizeof buffers_->channel);
    if (value) std::memcpy(buffers_->value, value, std::min(size, sizeof buffers_->value));
    if (channel) std::memcpy(buffers_->channel, &*channel, sizeof *channel);
    if (parameters) std::memcpy(buffers_->channel, parameters, sizeof kSurroundParameters);
    void* valuePointer = buffers_->value;
    void* channelPointer = buffers_->channel;
    const bool hasChannel = channel || parameters;
    return library_->PropertyControl(*record, property, &valuePointer, hasChannel ? &channelPointer : nullptr, set ? 1 : 0);
}

std::optional<std::int32_t> CHeadsetSoundControl::GetInt(Endpoint endpoint, std::u16string_view property) {
    if (Call(endpoint, property, false, nullptr, 0) != 0) return std::nullopt;
    std::int32_t value = 0;
    std::memcpy(&value, buffers_->value, sizeof value);
    return value;
}

std::optional<float> CHeadsetSoundControl::GetFloat(Endpoint endpoint, std::u16string_view property, std::int32_t channel) {
    if (Call(endpoint, property, false, nullptr, 0, channel) != 0) return std::nullopt;
    float value = 0;
    std::memcpy(&value, buffers_->value, sizeof value);
    return std::isfinite(value) ? std::optional<float>(value) : std::nullopt;
}

std::optional<std::string> CHeadsetSoundControl::GetText(Endpoint endpoint, std::u16string_view property) {
    if (Call(endpoint, property, false, nullptr, 0) != 0) return std::nullopt;
    char16_t text[kConfValueBufferSize / sizeof(char16_t)];
    std::memcpy(text, buffers_->value, sizeof text);
    text[std::size(text) - 1] = 0;  // whatever the library left, the reply ends in the buffer
    return Narrow(text, std::size(text));
}

bool CHeadsetSoundControl::SetInt(Endpoint endpoint, std::u16string_view property, std::int32_t value) {
    return Call(endpoint, property, true, &value, sizeof value) == 0;
}

bool CHeadsetSoundControl::SetScalar(Endpoint endpoint, std::u16string_view property, int percent, std::int32_t channel) {
    const float scalar = static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
    return Call(endpoint, property, true, &scalar, sizeof scalar, channel) == 0;
}

void CHeadsetSoundControl::TraceDecibels(std::u16string_view property) {
    const std::optional<std::string> text = GetText(Endpoint::Input, property);
    if (text) DebugTraceF("%.2f", std::strtod(text->c_str(), nullptr));
}

std::optional<HeadsetSoundValues> CHeadsetSoundControl::ReadValues() {
    if (state_ != HeadsetSoundState::Ready) return std::nullopt;
    HeadsetSoundValues values;
    // A server that does not answer this any more answers nothing: the profile is shown instead.
    const std::optional<float> micVolume = GetFloat(Endpoint::Input, u"VolumeScalarControl", -1);
    if (!micVolume) return std::nullopt;
    values.micVolume = Percent(*micVolume);
    if (const std::optional<std::int32_t> m = GetInt(Endpoint::Input, u"MuteControl")) values.micMuted = *m != 0;
    if (const std::optional<float> v = GetFloat(Endpoint::Input, u"AAVolumeScalarControl", 0)) values.monitorVolume = Percent(*v);
    if (const std::optional<std::int32_t> m = GetInt(Endpoint::Input, u"AAMuteControl")) values.monitorMuted = *m != 0;
    if (const std::optional<std::int32_t> on = GetInt(Endpoint::Output, u"Enable_EQ_GFX")) values.equaliserOn = *on != 0;
    for (int b = 0; b < kBands; ++b)
        if (const std::optional<std::int32_t> gain = GetInt(Endpoint::Output, kBandProperties[b]))
            values.bands[static_cast<std::size_t>(b)] = std::clamp<std::int32_t>(*gain, kBandMin, kBandMax);
    return values;
}

bool CHeadsetSoundControl::SetMicVolume(int percent) {
    if (!SetScalar(Endpoint::Input, u"VolumeScalarControl", percent, -1)) return false;
    TraceDecibels(u"VolumeControl");
    return true;
}

bool CHeadsetSoundControl::SetMicMute(bool muted) { return SetInt(Endpoint::Input, u"MuteControl", muted ? 1 : 0); }

bool CHeadsetSoundControl::SetMonitorVolume(int percent) {
    if (!SetScalar(Endpoint::Input, u"AAVolumeScalarControl", percent, -1)) return false;
    TraceDecibels(u"AAVolumeControl");
    return true;
}

bool CHeadsetSoundControl::SetMonitorMute(bool muted) { return SetInt(Endpoint::Input, u"AAMuteControl", muted ? 1 : 0); }

bool CHeadsetSoundControl::SetEqualiser(bool on) { return SetInt(Endpoint::Output, u"Enable_EQ_GFX", on ? 1 : 0); }

bool CHeadsetSoundControl::SetEqPreset(const std::array<int, 10>& bands) {
    bool ok = SetEqualiser(true);
    for (int b = 0; b < kBands; ++b) ok = SetEqBand(b, bands[static_cast<std::size_t>(b)]) && ok;
    return ok;
}

bool CHeadsetSoundControl::SetEqBand(int band, int gain) {
    if (band < 0 || band >= kBands) return false;
    return SetInt(Endpoint::Output, kBandProperties[band], std::clamp(gain, kBandMin, kBandMax));
}

bool CHeadsetSoundControl::SetVoiceChanger(bool on) {
    const bool ok = SetInt(Endpoint::Input, u"Enable_MAGICVOICE", on ? 1 : 0);
    if (on) SetInt(Endpoint::Input, u"Enable_MICECHO", 0);
    return ok;
}

bool CHeadsetSoundControl::SetVoiceSelection(int selection) {
    return SetInt(Endpoint::Input, u"MagicVoice_Selection", selection - 1);
}

}  // namespace kx58
