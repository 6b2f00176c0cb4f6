// The headset: LEDs driven by colour frames of plain output reports, the lighting kept in the
// profile, and its sound settings on the desktop's sound server (headset_sound_page.cpp).
#include <mutex>

#include "device/hid/products.h"
#include "device/product_profiles.h"
#include "device/protocol/command_report.h"
#include "device/protocol/headset_protocol.h"
#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "platform/tick.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

const ProductProfileFiles& HeadsetFiles() { return *FindProductProfileFiles(DeviceKind::Headset); }

constexpr std::uint32_t kFrameReportTimeoutMs = 100;

}  // namespace

CQuorinHS6533Device::CQuorinHS6533Device() { SetDeviceFolderName("Headset"); }

CQuorinHS6533Device::~CQuorinHS6533Device() { StopDeviceThreads(); }

void* CQuorinHS6533Device::GetInterface(std::string_view name) {
    if (name == "QuorinHS6533Device") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

// The headset's collection answers nothing: there is no state to read back, only the
// profile's lighting to preview and send.
int CQuorinHS6533Device::OnAttached() {
    frameReportsSent_ = 0;
    lastFrame_ = {};
    lastFrameAt_ = 0;
    LoadLightPage();
    ShowConnection();
    // Its sound card arrives with it; the server may not have seen it yet.
    if (sound_ && sound_->State() != HeadsetSoundState::Ready) StartSound();
    return StartLightThread() ? kResultOk : kResultFailed;
}

void CQuorinHS6533Device::ShowConnection() {
    ui::CControlUI* label = Find("headset_connection");
    if (!label) return;
    std::string text;
    ui::CResourceManager::GetInstance()->FindText("hs_connection", text);
    label->SetText(text);
}

int CQuorinHS6533Device::ReloadSettings() {
    if (sound_) ShowSoundPages();
    return kResultOk;
}

void CQuorinHS6533Device::HandleDeviceRequests(unsigned requests) {
    if (requests & kRequestSoundDevices) StartSound();
    CQuorinUSBDevice::HandleDeviceRequests(requests & ~kRequestSoundDevices);
}

// --- Colour frame -----------------------------------------------------------------------------

int CQuorinHS6533Device::SendStreamFrame() {
    if (!commandChannel_.IsConnected()) return kResultOk;
    const HeadsetFrame frame = BuildHeadsetFrame(PageColours());
    // The LEDs keep what they were given: only the reports that changed go out, and the whole
    // frame once a second.
    const std::uint32_t now = TickCount();
    const bool whole = now - lastFrameAt_ >= kUnchangedFrameMs;
    if (!whole && frame == lastFrame_) return kResultOk;
    CHidDevice& hid = commandChannel_.CableCollection();
    std::lock_guard io(commandChannel_.IoLock());
    const HeadsetFrameSent sent = SendHeadsetFrame(frame, whole ? HeadsetFrame{} : lastFrame_, [&hid](const HeadsetReport& report) {
        std::uint32_t written = 0;
        return hid.Write(report.data(), static_cast<std::uint32_t>(report.size()), &written, kFrameReportTimeoutMs) &&
               written == report.size();
    });
    frameReportsSent_ += sent.sent;
    if (whole) lastFrameAt_ = now;
    lastFrame_ = sent.sent == sent.tried ? frame : HeadsetFrame{};  // a report lost: the whole frame next
    if (sent.sent < sent.tried) DebugTraceF("headset: %zu of %zu frame reports sent", sent.sent, sent.tried);
    return kResultOk;  // a report lost is redrawn by the next frame; no pause needed
}

// --- Page and profile --------------------------------------------------------------------------

void CQuorinHS6533Device::SetUpPageEditors() {
    profile_.SetDefaultPath(DefaultDocumentPathFor(HeadsetFiles()));
    SetUpDevicePage(DeviceKind::Headset, HeadsetFiles());
    if (!soundLibrary_) soundLibrary_ = LoadOsConfLib(usb::kHeadsetVendor, usb::kHeadset);
    sound_ = std::make_unique<CHeadsetSoundControl>(std::move(soundLibrary_), [this] { PostDeviceRequest(kRequestSoundDevices); });
    StartSound();
}

int CQuorinHS6533Device::LoadPageLists() { return LoadEffectCodes(HeadsetFiles().lightNameSlot); }

int CQuorinHS6533Device::LoadProfile() {
    if (!LoadCurrentProfile(profile_)) return 0;
    LoadLightPage();
    if (sound_) ShowSoundPages();
    return 1;
}

int CQuorinHS6533Device::LoadLightPage() {
    ShowLightRecord(profile_.GetLightInfo());
    return 1;
}

int CQuorinHS6533Device::TakeLightEdit() {
    ILightStateView* view = LightStateView();
    if (!view) return 0;
    profile_.SetLightInfo(view->ReadLightInfo(profile_.GetLightInfo()));
    LoadLightPage();
    return 1;
}

int CQuorinHS6533Device::ApplyLightToDevice() {
    if (!profile_.Save()) DebugTrace("headset: the profile cannot be saved");
    return 1;
}

ui::CControlUI* CQuorinHS6533Device::Find(const std::string& name) const {
    ui::CPaintManagerUI* manager = GetManager();
    return manager ? manager->FindSubControlByName(const_cast<CQuorinHS6533Device*>(this), name) : nullptr;
}

}  // namespace kx58
