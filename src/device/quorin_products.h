#pragma once
// The four products on top of the device base: keyboard, mouse, mouse pad and headset. Each
// reads its device back when attached, previews the light modes it has and keeps its
// profiles in its own data sub-folder.
#include "device/keyboard_previews.h"
#include "device/led_strip_previews.h"
#include "device/headset_sound_control.h"
#include "device/protocol/headset_protocol.h"
#include "device/protocol/keyboard_protocol.h"
#include "device/protocol/mouse_protocol.h"
#include "device/protocol/pad_protocol.h"
#include "device/quorin_usb_device.h"
#include "profile/hs6533_profiledata.h"
#include "profile/keyboard_profiledata.h"
#include "profile/mouse_profiledata.h"

namespace kx58 {

// Sent by a keyboard page whose keyboard switched its profile itself: the key assignments
// the page shows came from another profile document.
inline constexpr const char* kNotifyKeysReloaded = "keysreloaded";

class CQuorinKeyboardDevice : public CQuorinUSBDevice {
public:
    CQuorinKeyboardDevice();
    ~CQuorinKeyboardDevice() override;
    std::string GetClass() const override { return "QuorinKeyboardDevice"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;
    int ReloadSettings() override;
    int ReadPowerStatus() override;
    bool IsWirelessLinkUp() override;
    int LoadPageLists() override;
    int LoadProfile() override;
    int LoadLightPage() override;
    int LoadKeyPage() override;
    // Record `recordIndex` from the profile, `recordByte0` in its byte 0.
    int ApplySettings(int recordIndex, int recordByte0, int value1, int value2, int value3) override;
    int ApplyKeys(std::span<const std::uint32_t> assignments) override;
    int ApplyProfileKeys() override;
    // Macro numbers of "macro.config" the profile's keys use, in the order of their slots.
    std::vector<int> CollectUsedMacros() override;
    int ApplyMacros(std::span<const int> macroNumbers) override;
    CBasicProfiledata* KeyProfileData() override { return &profile_; }
    std::span<const KeyCode> PageKeyDefaults() const override { return DefaultKeyCodes(); }
    int KeyEditorMode() const override { return 1; }
    int BuildStreamFrame() override;
    void HandleDeviceRequests(unsigned requests) override;
    // The key panels: page 1 offers the Fn key (page key 110) for assignment, page 2 does not.
    void SetFunctionPage(int page) override;
    // Frames the colour stream still skips after the keyboard asked for a pause.
    int StreamPauseLeft() const { return streamPause_.load(); }
    static constexpr int kStreamPauseFrames = 10;

    // The settings record the profile makes, every field within the firmware's ranges.
    KeyboardSettings ProfileSettings();
    // The system page changed: its options go into the profile and the device.
    int ApplySystemPage();
    // Mode 20 keeps a colour per key in the keyboard: read into the page colours, or the page
    // colours written (`cableOnly`: not through the receiver, whose chunks are too slow).
    int ReadPerKeyColours();
    int WritePerKeyColours(bool cableOnly);
    static constexpr int kPerKeyColourMode = 20;
    // What the last read-back found (UI thread).
    const KeyboardMemory& Memory() const { return memory_; }
    const KeyboardSettingsReadBack& Settings() const { return settings_; }
    CKeyboardProfiledata& ProfileData() { return profile_; }
    // The user changed the lighting editor: its values go into the profile and the preview.
    // The write to the keyboard waits for ApplyLightToDevice, so a drag writes once.
    int TakeLightEdit() override;
    int ApplyLightToDevice() override;
    int ApplySyncLighting(bool on) override;
    // The custom mode: the keys selected on the page take the colour (kept in the profile's
    // custom group; written to the keyboard with the lighting).
    int PaintSelectedKeys(DWORD argb) override;

protected:
    const char* LightThreadExitTrace() const override { return "KB灯光线程设定退出"; }
    void SetUpPageEditors() override;
    void OnConsumerUsage(DeviceKind kind, std::uint16_t usage) override;


private:
    // Shows the profile's system settings on the system page.
    void ShowSystemPage();
    // The custom group of the profile, by key position, to and from the page colours.
    void StoreCustomGroup(const std::vector<Rgba>& pageColours);
    void ShowCustomGroup();
    void StoreReadBackInProfile(const LightState& state, const KeyboardSettings& decoded);
    // How the keyboard is attached, its firmware and key count, in the page's side panel.
    void ShowConnection();
    // The profile's assignment of every page key (the factory code where it has none).
    std::vector<std::uint32_t> ProfileAssignments();

    KeyboardMemory memory_;
    KeyboardSettingsReadBack settings_;
    CKeyboardProfiledata profile_;
    // Written by the sync threads, taken on the UI thread.
    std::atomic<int> streamPause_{0};
    std::atomic<int> switchedRecord_{-1};  // active index | second value << 8 | has second << 16
    bool resetListOnReadBack_ = false;

    // --- Light previews (keyboard_previews.cpp) ----------------------------------------------
public:
    // One step of each of the keyboard's own effects over the key layout, run by the light
    // thread at the cadence of its mode (the comment names the mode codes).
    void PreviewWave();           // 1
    void PreviewNeonStream();     // 2
    void PreviewSpiral();         // 3
    void PreviewReactive();       // 7 and 25
    void PreviewRipple();         // 8
    void PreviewReactiveLine();   // 9
    void PreviewStarlight();      // 10
    void PreviewRainbowWheel();   // 11
    void PreviewRaindrops();      // 12
    void PreviewFlicker();        // 13
    void PreviewSnake();          // 14
    void PreviewCross();          // 15
    void PreviewKeyFade();        // 16
    void PreviewZoneCycle();      // 17
    void PreviewPulseRing();      // 18
    void PreviewCustomColours();  // 20: the keys' own colours
    void PreviewWaterfall();      // 21
    void PreviewTrigger();        // 22
    void PreviewWhirl();          // 24
    void PreviewMusic();          // 29: the music bars fall between two level blocks
    void PreviewScreenSync();     // 30
    // The music bars from the latest levels: the colours spread over `hueSpread` wheel steps
    // across the width, the bars rising from the bottom row (`rising` 1) or the top (0).
    void PreviewAudioLevels(int hueSpread, int rising);
    // A 100-byte block of 25 levels and its sample count (capped at 500), kept as the latest;
    // in mode 29 with the audio-light mode 2 they move the music bars. Safe beside the light
    // thread.
    int FeedAudioLevels(std::span<const std::uint8_t> levels, int count) override;
    // In mode 20 the colour set is also the key's own colour that the preview shows.
    void SetLedColour(std::size_t index, Rgba colour) override;
    void ClearPreviewBuffers() override;
    // The three audio-light values (mode, seven-colour flag, colour type), also kept in the
    // profile's AudioLightInfo, whose mode the music input follows.
    void SetAudioLightInfo(int mode, int value2, int value3) override;
    std::array<int, 3> GetAudioLightInfo() override;

protected:
    bool PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const override;
    // Modes 29 and 30 by cable: the page colours at the keys' LED indexes, N x 3 bytes.
    int SendStreamFrame() override;
    bool TakesStreamFrames() const override;

private:
    // Puts every page key on the layout grid: where its button is on the page, else in the
    // LED grid cell of its LED index. UI thread, after the page or the LED map changed.
    void PlaceKeysOnLayout();
    // Runs step(state, light, colours) under the colour lock, the effect restarted when the
    // mode changed.
    template <class Step>
    void RunPreviewStep(Step&& step);
    KeyboardPreviewState preview_;  // under the colour lock
};

class CQuorinMouseDevice : public CQuorinUSBDevice {
public:
    CQuorinMouseDevice();
    ~CQuorinMouseDevice() override;
    std::string GetClass() const override { return "QuorinMouseDevice"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;
    int ReloadSettings() override;
    int ReadPowerStatus() override;
    bool IsWirelessLinkUp() override;
    void HandleDeviceRequests(unsigned requests) override;
    int LoadPageLists() override;
    int LoadProfile() override;
    int LoadLightPage() override;
    int LoadKeyPage() override;
    // Record `recordIndex` from the profile with `recordByte0` and `byte59`; the screen size
    // goes into bytes 60-63 (0 keeps the size given last).
    int ApplySettings(int recordIndex, int recordByte0, int byte59, int screenWidth, int screenHeight) override;
    int ApplyKeys(std::span<const std::uint32_t> assignments) override;
    int ApplyProfileKeys() override;
    std::vector<int> CollectUsedMacros() override;
    int ApplyMacros(std::span<const int> macroNumbers) override;
    CBasicProfiledata* KeyProfileData() override { return &profile_; }
    std::span<const KeyCode> PageKeyDefaults() const override { return DefaultMouseButtonCodes(); }
    int TakeLightEdit() override;
    int ApplyLightToDevice() override;

    const MouseMemory& Memory() const { return memory_; }
    const MouseSettingsReadBack& Settings() const { return settings_; }
    CMouseProfiledata& ProfileData() { return profile_; }
    MouseDpiModel DpiModel() const { return DpiModelFromInfo(memory_.info); }
    // The record the profile makes (before the sensor's ranges are applied).
    MouseRecordFields ProfileRecord();
    // The profile's assignment of every page button (the default code where it has none).
    std::vector<std::uint32_t> ProfileAssignments();

    // The four guns of the shoot editor's files written to the mouse.
    int WriteShootData();

    // --- The DPI, report-rate, lift-off and system pages (mouse_page.cpp) ----------------------
    // A control of the DPI page changed (slider moved or released, edit left, enable or select
    // check, colour chosen): the stage goes into the profile and the mouse.
    void OnDpiSlider(int stage, bool released);
    void OnDpiEdit(int stage);
    void OnDpiEnable(int stage, bool enabled);
    void OnDpiSelect(int stage);
    void SetDpiColour(int stage, DWORD argb);
    DWORD DpiColour(int stage);
    // The report-rate, lift-off and pointer options of the system page went into the profile.
    void OnSystemOption();
    static constexpr int kDpiStages = 5;

protected:
    const char* LightThreadExitTrace() const override { return "MS灯光线程设定退出"; }
    void SetUpPageEditors() override;

private:
    void ShowConnection();
    void SaveAndApplySettings();
    // The DPI page from the profile: five stages, the active one marked.
    void ShowDpiPage();
    void ShowDpiStage(int stage, const std::vector<DpiStage>& stages, int active);
    void ShowSystemPage();
    std::vector<DpiStage> FiveStages();

    MouseMemory memory_;
    MouseSettingsReadBack settings_;
    CMouseProfiledata profile_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    // Written by the sync threads, taken on the UI thread.
    std::atomic<int> switchedRecord_{-1};  // active index | stage << 8 | has stage << 16
    bool TakeRecordSwitch(std::uint16_t usage);

    // --- Light previews (strip_device_previews.cpp) -------------------------------------------
public:
    void PreviewFlowing();           // 0
    void PreviewRainbowWave();       // 5
    void PreviewReactiveFade();      // 6: the colours a click scattered fade out
    void PreviewRainbowBreathing();  // 7
    void PreviewColourCycle();       // 8
    static constexpr int kReactiveMode = 6;

protected:
    bool PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const override;
    // 0x403 by cable is a click: in the reactive mode every LED takes a random colour.
    void OnConsumerUsage(DeviceKind kind, std::uint16_t usage) override;

private:
    LedStripPreviews strip_;  // under the colour lock
};

class CQuorinMousePadDevice : public CQuorinUSBDevice {
public:
    CQuorinMousePadDevice();
    ~CQuorinMousePadDevice() override;
    std::string GetClass() const override { return "QuorinMousePadDevice"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;
    // Reads the active record into the settings block and tells the main window its index.
    int ReloadSettings() override;
    int ReadPowerStatus() override;
    int LoadPageLists() override;
    int LoadProfile() override;
    int LoadLightPage() override;
    // The pad has no keys: its page is the profile's lighting, taken again from the file.
    int LoadKeyPage() override { return LoadProfile(); }
    // Record `recordIndex` from the settings block (the other values mean nothing to the pad).
    int ApplySettings(int recordIndex, int recordByte0, int value1, int value2, int value3) override;
    int TakeLightEdit() override;
    int ApplyLightToDevice() override;
    CBasicProfiledata& ProfileData() { return profile_; }
    // The block as last read and as the lighting editor changed it, in page values.
    const PadSettingsBlock& SettingsBlock() const { return settings_; }
    int ActiveRecordIndex() const { return settings_[0]; }

protected:
    const char* LightThreadExitTrace() const override { return "MP灯光线程设定退出"; }
    void SetUpPageEditors() override;

private:
    // The light fields of the block to and from the profile's light record.
    void StoreLightInBlock(const LightInfo& info);
    void StoreBlockInProfile();
    void ShowConnection();

    PadSettingsBlock settings_{};
    CBasicProfiledata profile_;

    // --- Light previews (strip_device_previews.cpp) -------------------------------------------
public:
    void PreviewFlowing();      // 0
    void PreviewColourCycle();  // 7
    void PreviewRainbow();      // 6
    void PreviewHoldColour();   // the modes the pad shows without animation

protected:
    bool PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const override;

private:
    LedStripPreviews strip_;  // under the colour lock
};

class CVoice6533ControlUI;
class CMagicControlUI;

class CQuorinHS6533Device : public CQuorinUSBDevice {
public:
    CQuorinHS6533Device();
    ~CQuorinHS6533Device() override;
    std::string GetClass() const override { return "QuorinHS6533Device"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;
    // The headset takes longer to settle after it reported a change.
    std::uint32_t SettingsReloadDelayMs() const override { return 500; }
    // Its keys change its sound on the server: the sound pages show the server again.
    int ReloadSettings() override;
    int LoadPageLists() override;
    int LoadProfile() override;
    int LoadLightPage() override;
    // The headset has no keys: its page is the profile, taken again from the file.
    int LoadKeyPage() override { return LoadProfile(); }
    int TakeLightEdit() override;
    int ApplyLightToDevice() override;
    // Its LEDs take no record: the profile keeps the lighting, the frames show it.
    int ApplySettings(int, int, int, int, int) override { return kResultOk; }
    void HandleDeviceRequests(unsigned requests) override;
    CHs6533Profiledata& ProfileData() { return profile_; }
    // Reports of the colour frames sent since the headset was attached.
    std::uint64_t FrameReportsSent() const { return frameReportsSent_.load(); }

    // --- The sound side (headset_sound_page.cpp) ----------------------------------------------
    // Where the page's sound settings go: the sound server's state for the headset.
    HeadsetSoundState SoundState() const { return sound_ ? sound_->State() : HeadsetSoundState::NoServer; }
    // A control of the sound, voice-changer or surround page changed (by name; `number` is
    // the numbered family's index); `live` while a slider is dragged.
    void OnSoundControl(std::string_view name, int number, bool live);
    // The library to use instead of the sound server's (before the page is set up).
    void SetSoundLibrary(std::unique_ptr<COsConfLib> library) { soundLibrary_ = std::move(library); }
    static constexpr int kPresetCount = 13;
    static constexpr int kCustomPreset = 13;
    static constexpr int kVoiceEffects = 5;
    enum SettingIndex : std::size_t {
        kMagicEnable, kMagicType, kEqType, kCustomEqIndex, kMicInSelect, kMicInValue, kMicMonitorSelect, kMicMonitorValue,
    };
    static constexpr unsigned kRequestSoundDevices = 1u << 8;

protected:
    const char* LightThreadExitTrace() const override { return "HS灯光线程设定退出"; }
    void SetUpPageEditors() override;
    // The twelve output reports of the page colours, whenever the tab's stream timer runs.
    int SendStreamFrame() override;

private:
    void ShowConnection();
    void StartSound();
    // The sound, voice-changer and surround pages from the server's state and the profile.
    void ShowSoundPages();
    void ShowUnavailable();
    CVoice6533ControlUI* Voice() const;
    CMagicControlUI* Magic() const;
    // Stores one of the eight settings and saves the profile.
    void StoreSetting(SettingIndex index, int value);
    // True when the value may be stored: taken by the server, or no server to take it.
    bool Applied(bool taken) const;
    std::array<int, 10> PresetBands(int preset);
    std::array<int, 10> SliderBands();
    struct VoicePath;
    static const VoicePath kVoicePaths[2];
    void OnVolume(const VoicePath& path, bool live);
    void OnMute(const VoicePath& path);
    void OnEqPreset(int preset);
    void OnEqBand(int band, bool live);
    void OnEqEnable();
    void OnCustomEqChosen();
    void OnCustomEqSave();
    void OnCustomEqDelete();
    void OnVoiceChangerEnable();
    void OnVoiceEffect(int effect);
    // Brings monitoring back as the profile left it (the server forgets it with the program).
    void RestoreMonitoring();
    ui::CControlUI* Find(const std::string& name) const;

    CHs6533Profiledata profile_;
    std::unique_ptr<COsConfLib> soundLibrary_;
    std::unique_ptr<CHeadsetSoundControl> sound_;
    std::atomic<std::uint64_t> frameReportsSent_{0};
    static constexpr std::uint32_t kUnchangedFrameMs = 1000;
    HeadsetFrame lastFrame_{};  // UI thread (the stream timer); all zero after a failed report
    std::uint32_t lastFrameAt_ = 0;
    bool showingSound_ = false;  // the page is being filled: its notifications are not the user's

    // --- Light previews (strip_device_previews.cpp) -------------------------------------------
public:
    void PreviewFlowing();      // 0
    void PreviewColourCycle();  // 7
    void PreviewRainbow();      // 6
    void PreviewHoldColour();   // the modes the headset shows without animation

protected:
    bool PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const override;

private:
    LedStripPreviews strip_;  // under the colour lock
};

}  // namespace kx58
