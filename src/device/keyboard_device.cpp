#include "device/protocol/command_report.h"
#include "device/quorin_products.h"

namespace kx58 {

CQuorinKeyboardDevice::CQuorinKeyboardDevice() {
    SetDeviceFolderName("Keyboard");
    SetReportsPowerStatus(true);
    SetStreamFailurePause(kStreamFailurePauseMs);
}

CQuorinKeyboardDevice::~CQuorinKeyboardDevice() { StopDeviceThreads(); }

void* CQuorinKeyboardDevice::GetInterface(std::string_view name) {
    if (name == "QuorinKeyboardDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

int CQuorinKeyboardDevice::OnAttached() {
    const int result = ReadBackKeyboard(commandChannel_, memory_);
    if (result == kResultOk) {
        std::map<int, std::uint8_t> positions, leds;
        for (std::size_t key = 0; key < kPageKeyCount; ++key) {
            if (memory_.maps.position[key] != kNoKeyPosition) positions[static_cast<int>(key)] = memory_.maps.position[key];
            if (memory_.maps.led[key] != kNoKeyPosition) leds[static_cast<int>(key)] = memory_.maps.led[key];
        }
        {
            std::lock_guard lock(keyMapLock_);
            keyPositionMap_ = std::move(positions);
        }
        SetLedIndexMap(leds);
        deviceInfo_ = memory_.info;
    }
    LoadKeyPage();
    ReloadSettings();
    LoadLightPage();
    StartLightThread();
    return result;
}

int CQuorinKeyboardDevice::ReloadSettings() {
    KeyboardSettingsReadBack readBack;
    const int result = ReadKeyboardSettings(commandChannel_, readBack);
    if (result != kResultOk) return result;
    settings_ = readBack;
    const KeyboardSettings decoded = DecodeKeyboardSettingsRecord(readBack.record);
    LightState state = GetLightState();
    const bool modeChanged = decoded.modeCode != kHostRenderedModeByte && decoded.modeCode != state.modeCode;
    if (decoded.modeCode != kHostRenderedModeByte) state.modeCode = decoded.modeCode;
    state.brightness = decoded.brightness;
    state.speed = decoded.speed;
    state.fx = decoded.fx;
    state.multiColor = decoded.multiColor;
    state.red = decoded.red;
    state.green = decoded.green;
    state.blue = decoded.blue;
    if (modeChanged) ClearPreviewBuffers();
    const auto words = state.ToWords();
    SetLightState(words[0], words[1], words[2], words[3]);
    return result;
}

int CQuorinKeyboardDevice::ReadPowerStatus() { return ReadAndSendPowerStatus(); }

bool CQuorinKeyboardDevice::IsWirelessLinkUp() { return QueryWirelessLinkOfChannel(); }

}  // namespace kx58
