// The mouse pad: LEDs only. Its settings block (the active record's first 21 bytes) is the
// pad's state as read and as the lighting editor changed it; writes go out from it, so the
// bytes the host does not understand return to the pad unchanged.
#include <cstdio>

#include "device/product_profiles.h"
#include "device/protocol/command_report.h"
#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "profile/default_light_names.h"
#include "profile/device_profile_ui.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

const ProductProfileFiles& PadFiles() { return *FindProductProfileFiles(DeviceKind::MousePad); }

// Where the light record's fields sit in the settings block.
struct BlockField {
    std::size_t at;
    std::uint8_t LightInfo::*field;
};
constexpr BlockField kLightFields[] = {
    {1, &LightInfo::SelectItem}, {2, &LightInfo::Light}, {3, &LightInfo::Speed}, {4, &LightInfo::Fx},
    {5, &LightInfo::MultiColor}, {6, &LightInfo::Red},   {7, &LightInfo::Green}, {8, &LightInfo::Blue},
};


}  // namespace

CQuorinMousePadDevice::CQuorinMousePadDevice() {
    SetDeviceFolderName("MousePad");
    SetReportsPowerStatus(true);  // the charger: charge and the phone lying on it
}

CQuorinMousePadDevice::~CQuorinMousePadDevice() { StopDeviceThreads(); }

void* CQuorinMousePadDevice::GetInterface(std::string_view name) {
    if (name == "QuorinMousePadDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

// --- Attach and read-back -----------------------------------------------------------------------

int CQuorinMousePadDevice::OnAttached() {
    const int result = ReadPadDeviceInfo(commandChannel_, deviceInfo_);
    LoadKeyPage();
    // What the pad shows wins over the profile, and the block's unknown bytes come from the
    // pad before anything is written to it.
    if (ReloadSettings() != kResultOk) {
        DebugTrace("mouse pad: the settings were not read");
        LoadLightPage();
    }
    ShowConnection();
    StartLightThread();
    return result;
}

int CQuorinMousePadDevice::ReloadSettings() {
    commandChannel_.SetRefreshPending(false);
    PadSettingsReadBack readBack;
    const int result = ReadPadSettings(commandChannel_, modeCodes_, readBack);
    if (result != kResultOk) return result;
    settings_ = readBack.block;
    StoreBlockInProfile();
    LoadLightPage();
    if (mainWindow_) PostMessage(mainWindow_, WM_MOUSEPAD_RECORD_INDEX, readBack.activeIndex, 0);
    return result;
}

int CQuorinMousePadDevice::ReadPowerStatus() { return ReadAndSendPowerStatus(); }

void CQuorinMousePadDevice::ShowConnection() {
    ui::CPaintManagerUI* manager = GetManager();
    ui::CControlUI* label = manager ? manager->FindSubControlByName(this, "mousepad_connection") : nullptr;
    if (!label) return;
    std::string how, firmware;
    ui::CResourceManager::GetInstance()->FindText("connection_cable", how);
    ui::CResourceManager::GetInstance()->FindText("firmware_text", firmware);
    char text[128];
    std::snprintf(text, sizeof text, "%s  ·  %s %u.%02u", how.c_str(), firmware.c_str(), deviceInfo_[1], deviceInfo_[2]);
    label->SetText(text);
}

// --- The settings block and the profile ---------------------------------------------------------

void CQuorinMousePadDevice::StoreLightInBlock(const LightInfo& info) {
    for (const BlockField& f : kLightFields) settings_[f.at] = info.*f.field;
}

void CQuorinMousePadDevice::StoreBlockInProfile() {
    // The page shows what the pad holds from now on.
    LightInfo info = profile_.GetLightInfo();
    for (const BlockField& f : kLightFields) info.*f.field = settings_[f.at];
    profile_.SetLightInfo(info);
}

int CQuorinMousePadDevice::ApplySettings(int recordIndex, int, int, int, int) {
    return WritePadSettings(commandChannel_, settings_, modeCodes_, recordIndex);
}

// --- Page and profile --------------------------------------------------------------------------

void CQuorinMousePadDevice::SetUpPageEditors() {
    profile_.SetDefaultPath(DefaultDocumentPathFor(PadFiles()));
    SetUpDevicePage(DeviceKind::MousePad, PadFiles());
}

int CQuorinMousePadDevice::LoadPageLists() { return LoadEffectCodes(PadFiles().lightNameSlot); }

int CQuorinMousePadDevice::LoadProfile() {
    if (!LoadCurrentProfile(profile_)) return 0;
    StoreLightInBlock(profile_.GetLightInfo());
    LoadLightPage();
    return 1;
}

int CQuorinMousePadDevice::LoadLightPage() {
    ShowLightRecord(profile_.GetLightInfo());
    return 1;
}

int CQuorinMousePadDevice::TakeLightEdit() {
    ILightStateView* view = LightStateView();
    if (!view) return 0;
    profile_.SetLightInfo(view->ReadLightInfo(profile_.GetLightInfo()));
    StoreLightInBlock(profile_.GetLightInfo());
    LoadLightPage();
    return 1;
}

int CQuorinMousePadDevice::ApplyLightToDevice() {
    if (!profile_.Save()) DebugTrace("mouse pad: the profile cannot be saved");
    return IsOpen() ? ApplySettings(0, 0, 0, 0, 0) : 0;  // kept in the profile; written when the pad comes
}

}  // namespace kx58
