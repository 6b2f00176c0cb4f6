#include "device/protocol/command_report.h"
#include "device/quorin_products.h"

namespace kx58 {

CQuorinMousePadDevice::CQuorinMousePadDevice() { SetDeviceFolderName("MousePad"); }

CQuorinMousePadDevice::~CQuorinMousePadDevice() { StopDeviceThreads(); }

void* CQuorinMousePadDevice::GetInterface(std::string_view name) {
    if (name == "QuorinMousePadDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

int CQuorinMousePadDevice::OnAttached() {
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int result = commandChannel_.ReadDeviceInfo(info);
    if (result == kResultOk) deviceInfo_ = info;
    LoadLightPage();
    StartLightThread();
    return result;
}

}  // namespace kx58
