#include "device/protocol/command_report.h"
#include "device/quorin_products.h"

namespace kx58 {

CQuorinHS6533Device::CQuorinHS6533Device() { SetDeviceFolderName("Headset"); }

CQuorinHS6533Device::~CQuorinHS6533Device() { StopDeviceThreads(); }

void* CQuorinHS6533Device::GetInterface(std::string_view name) {
    if (name == "QuorinHS6533Device") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

// The headset speaks through output reports of its one collection; there is nothing to read
// back, only its light preview to run.
int CQuorinHS6533Device::OnAttached() {
    LoadLightPage();
    return StartLightThread() ? kResultOk : kResultFailed;
}

}  // namespace kx58
