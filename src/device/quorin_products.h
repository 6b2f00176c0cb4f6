#pragma once
// The four products on top of the device base: keyboard, mouse, mouse pad and headset. Each
// reads its device back when attached, previews the light modes it has and keeps its
// profiles in its own data sub-folder.
#include "device/protocol/keyboard_protocol.h"
#include "device/protocol/mouse_protocol.h"
#include "device/quorin_usb_device.h"
#include "profile/keyboard_profiledata.h"

namespace kx58 {

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
    std::string GetProfileName() const override;
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
    // The device's light-mode code of each entry of the page's mode list.
    const std::vector<int>& ModeCodes() const { return modeCodes_; }
    // The user changed the lighting editor: its values go into the profile and the preview.
    // The write to the keyboard waits for ApplyLightToDevice, so a drag writes once.
    int TakeLightEdit() override;
    int ApplyLightToDevice() override;

protected:
    const char* LightThreadExitTrace() const override { return "KB灯光线程设定退出"; }
    void SetUpPageEditors() override;
    void OnConsumerUsage(DeviceKind kind, std::uint16_t usage) override;

    int EffectIndexOf(int modeCode) const override;

private:
    // Shows the profile's system settings on the system page.
    void ShowSystemPage();
    // The effect list and the page kind, from the built-in effects.
    void SetUpLightEditor();
    void StoreReadBackInProfile(const LightState& state, const KeyboardSettings& decoded);
    // How the keyboard is attached, its firmware and key count, in the page's side panel.
    void ShowConnection();
    std::string ProfileDocumentPath() const;
    // The profile's assignment of every page key (the factory code where it has none).
    std::vector<std::uint32_t> ProfileAssignments();

    KeyboardMemory memory_;
    KeyboardSettingsReadBack settings_;
    CKeyboardProfiledata profile_;
    std::vector<int> modeCodes_;
    std::vector<int> modeVisible_;
    // Written by the sync threads, taken on the UI thread.
    std::atomic<int> streamPause_{0};
    std::atomic<int> switchedRecord_{-1};  // active index | second value << 8 | has second << 16
    bool resetListOnReadBack_ = false;
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

    const MouseMemory& Memory() const { return memory_; }
    const MouseSettingsReadBack& Settings() const { return settings_; }

protected:
    const char* LightThreadExitTrace() const override { return "MS灯光线程设定退出"; }

private:
    MouseMemory memory_;
    MouseSettingsReadBack settings_;
};

class CQuorinMousePadDevice : public CQuorinUSBDevice {
public:
    CQuorinMousePadDevice();
    ~CQuorinMousePadDevice() override;
    std::string GetClass() const override { return "QuorinMousePadDevice"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;

protected:
    const char* LightThreadExitTrace() const override { return "MP灯光线程设定退出"; }
};

class CQuorinHS6533Device : public CQuorinUSBDevice {
public:
    CQuorinHS6533Device();
    ~CQuorinHS6533Device() override;
    std::string GetClass() const override { return "QuorinHS6533Device"; }
    void* GetInterface(std::string_view name) override;

    int OnAttached() override;
    // The headset takes longer to settle after it reported a change.
    std::uint32_t SettingsReloadDelayMs() const override { return 500; }

protected:
    const char* LightThreadExitTrace() const override { return "HS灯光线程设定退出"; }
};

}  // namespace kx58
