#include "device/protocol/command_report.h"
#include "device/quorin_products.h"

namespace kx58 {

CQuorinMouseDevice::CQuorinMouseDevice() {
    SetDeviceFolderName("Mouse");
    SetReportsPowerStatus(true);
}

CQuorinMouseDevice::~CQuorinMouseDevice() { StopDeviceThreads(); }

void* CQuorinMouseDevice::GetInterface(std::string_view name) {
    if (name == "QuorinMouseDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

int CQuorinMouseDevice::OnAttached() {
    const int result = ReadBackMouse(commandChannel_, memory_);
    if (result == kResultOk) deviceInfo_ = memory_.info;
    ReloadSettings();
    LoadKeyPage();
    LoadLightPage();
    StartLightThread();
    return result;
}

int CQuorinMouseDevice::ReloadSettings() {
    MouseSettingsReadBack readBack;
    const int result = ReadMouseSettings(commandChannel_, readBack);
    if (result != kResultOk) return result;
    settings_ = readBack;
    const MouseSettings decoded = readBack.Decoded();
    LightState state = GetLightState();
    if (decoded.modeCode != state.modeCode) ClearPreviewBuffers();
    state.modeCode = decoded.modeCode;
    state.brightness = decoded.brightness;
    state.speed = decoded.speed;
    state.multiColor = decoded.multiColor;
    state.red = decoded.red;
    state.green = decoded.green;
    state.blue = decoded.blue;
    const auto words = state.ToWords();
    SetLightState(words[0], words[1], words[2], words[3]);
    return result;
}

int CQuorinMouseDevice::ReadPowerStatus() { return ReadAndSendPowerStatus(); }

bool CQuorinMouseDevice::IsWirelessLinkUp() { return QueryWirelessLinkOfChannel(); }

}  // namespace kx58
