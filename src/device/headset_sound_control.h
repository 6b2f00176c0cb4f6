#pragma once
// The headset's sound side: its two endpoint records in the sound-configuration library, the
// properties it sets, and the state the page shows. UI thread only, but for the library's
// device-change callback, which only calls the given notification (it must only post).
#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "soundconf/os_conf_lib.h"

namespace kx58 {

enum class HeadsetSoundState {
    NoServer,   // no sound server answers: settings go into the profile only
    NoHeadset,  // the server has no endpoint of the headset's sound card
    Ready,
};

// What the endpoints hold, as the page shows it.
struct HeadsetSoundValues {
    int micVolume = 0;  // 0-100
    bool micMuted = false;
    int monitorVolume = 0;
    bool monitorMuted = true;
    bool equaliserOn = false;
    std::array<int, 10> bands{};
};

class CHeadsetSoundControl {
public:
    static constexpr int kBands = 10;
    static constexpr int kBandMin = -12;
    static constexpr int kBandMax = 12;

    CHeadsetSoundControl(std::unique_ptr<COsConfLib> library, std::function<void()> onDeviceChange);
    ~CHeadsetSoundControl();
    CHeadsetSoundControl(const CHeadsetSoundControl&) = delete;
    CHeadsetSoundControl& operator=(const CHeadsetSoundControl&) = delete;

    // Init, the endpoint list, the two records and their features, every property brought to
    // a known state. Again after a device change (the library stays loaded).
    void Start();

    HeadsetSoundState State() const { return state_; }
    // Feature bits the system applies (both records' field 0); 0 until Ready.
    std::int32_t Features() const { return features_; }
    bool Supports(std::int32_t feature) const { return (features_ & feature) != 0; }
    std::optional<HeadsetSoundValues> ReadValues();

    // Each true when the library took the value.
    bool SetMicVolume(int percent);
    bool SetMicMute(bool muted);
    bool SetMonitorVolume(int percent);
    bool SetMonitorMute(bool muted);
    bool SetEqualiser(bool on);
    // "Enable_EQ_GFX" 1, then the ten bands in order.
    bool SetEqPreset(const std::array<int, 10>& bands);
    bool SetEqBand(int band, int gain);
    // The voice changer on also switches the microphone echo off.
    bool SetVoiceChanger(bool on);
    // The user's 1-based selection.
    bool SetVoiceSelection(int selection);

private:
    struct Buffers {
        alignas(8) std::uint8_t value[kConfValueBufferSize];
        alignas(8) std::uint8_t channel[kConfValueBufferSize];
    };
    enum class Endpoint { Output, Input };
    const ConfDeviceRecord* RecordOf(Endpoint endpoint) const;
    // Zeroes both buffers, then one PropertyControl call; `channel` puts an int32 channel
    // into the second buffer, `parameters` a record of three words in its place.
    int Call(Endpoint endpoint, std::u16string_view property, bool set, const void* value, std::size_t size,
             std::optional<std::int32_t> channel = std::nullopt, const std::int32_t* parameters = nullptr);
    std::optional<std::int32_t> GetInt(Endpoint endpoint, std::u16string_view property);
    std::optional<float> GetFloat(Endpoint endpoint, std::u16string_view property, std::int32_t channel);
    std::optional<std::string> GetText(Endpoint endpoint, std::u16string_view property);
    bool SetInt(Endpoint endpoint, std::u16string_view property, std::int32_t value);
    bool SetScalar(Endpoint endpoint, std::u16string_view property, int percent, std::int32_t channel);
    void TraceDecibels(std::u16string_view property);
    void SelectRecords();
    void ReadFeatures();
    void BringToKnownState();

    std::unique_ptr<COsConfLib> library_;
    std::unique_ptr<Buffers> buffers_;
    std::optional<ConfDeviceRecord> output_;
    std::optional<ConfDeviceRecord> input_;
    std::array<std::int32_t, 3> outputFeatureWords_{};
    std::array<std::int32_t, 3> inputFeatureWords_{};
    std::int32_t features_ = 0;
    HeadsetSoundState state_ = HeadsetSoundState::NoServer;
    bool initialised_ = false;
    bool callbackRegistered_ = false;
    std::function<void()> onDeviceChange_;
};

}  // namespace kx58
