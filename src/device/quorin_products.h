#pragma once
// The four products on top of the device base: keyboard, mouse, mouse pad and headset. Each
// reads its device back when attached, previews the light modes it has and keeps its
// profiles in its own data sub-folder.
#include "device/protocol/keyboard_protocol.h"
#include "device/protocol/mouse_protocol.h"
#include "device/quorin_usb_device.h"

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

    // What the last read-back found (UI thread).
    const KeyboardMemory& Memory() const { return memory_; }
    const KeyboardSettingsReadBack& Settings() const { return settings_; }

protected:
    const char* LightThreadExitTrace() const override { return "KB灯光线程设定退出"; }

private:
    KeyboardMemory memory_;
    KeyboardSettingsReadBack settings_;
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
