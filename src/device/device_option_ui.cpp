#include "device/device_option_ui.h"

#include <algorithm>

#include "device/protocol/device_channel.h"
#include "device/quorin_usb_device.h"
#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr std::uint32_t kStreamDelayMs = 5;
constexpr std::uint32_t kStreamCableMs = 100;
constexpr std::uint32_t kStreamWirelessMs = 500;
constexpr std::uint32_t kPowerFirstMs = 50;
constexpr int kSwitchLinkAttempts = 26;
constexpr std::uint32_t kSwitchLinkPauseMs = 50;
constexpr std::uint32_t kPowerRepeatMs = 5000;
constexpr std::uint32_t kLinkWatchFirstMs = 2000;

CDeviceOptionUI* TabAt(ui::CContainerUI& strip, int index) {
    ui::CControlUI* item = strip.GetItemAt(index);
    return item ? static_cast<CDeviceOptionUI*>(item->GetInterface("DeviceOption")) : nullptr;
}

void SelectPage(ui::CPaintManagerUI* manager, const char* name, int index) {
    if (!manager || index < 0) return;
    ui::CControlUI* control = manager->FindControl(name);
    if (auto* tabs = control ? static_cast<ui::CTabLayoutUI*>(control->GetInterface("TabLayout")) : nullptr)
        tabs->SelectItem(index);
}

}  // namespace

CDeviceOptionUI::~CDeviceOptionUI() {
    StopAllTimers();
    if (device_ && device_->GetDeviceTab() == this) device_->SetDeviceTab(nullptr);
}

void* CDeviceOptionUI::GetInterface(std::string_view name) {
    if (name == "DeviceOption") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CDeviceOptionUI::DoEvent(ui::TEventUI& event) {
    if (event.Type == ui::UIEVENT_TIMER) {
        OnTimer(static_cast<UINT>(event.wParam));
        return;
    }
    CHorizontalLayoutUI::DoEvent(event);
}

void CDeviceOptionUI::SetDevice(CQuorinUSBDevice* device) {
    device_ = device;
    if (device_) device_->SetDeviceTab(this);
}

void CDeviceOptionUI::SetTabText(const std::string& text) {
    ui::CControlUI* label = FindControl([](ui::CControlUI* c) { return c->GetName() == "device_select_name"; },
                                        ui::UIFIND_ALL);
    if (label) label->SetText(text);
    else if (ui::COptionUI* option = Option()) option->SetText(text);
}

ui::COptionUI* CDeviceOptionUI::Option() const {
    auto* self = const_cast<CDeviceOptionUI*>(this);
    ui::CControlUI* control =
        self->FindControl([](ui::CControlUI* c) { return c->GetName() == "device_select"; }, ui::UIFIND_ALL);
    return control ? static_cast<ui::COptionUI*>(control->GetInterface("Option")) : nullptr;
}

void CDeviceOptionUI::SetConnectedTab(bool connected) {
    connected_ = connected;
    SetVisible(connected_ && !scrolledAway_);
}

void CDeviceOptionUI::SetScrolledAway(bool away) {
    scrolledAway_ = away;
    SetVisible(connected_ && !scrolledAway_);
}

bool CDeviceOptionUI::IsSelectedTab() const {
    const ui::COptionUI* option = Option();
    return option && option->IsSelected();
}

void CDeviceOptionUI::SelectTab() {
    if (ui::COptionUI* option = Option()) option->Selected(true, false);
    SelectPage(m_pManager, "device_switch", pageIndex_);
    SelectPage(m_pManager, "device_power_switch", powerIndex_);
}

// --- Timers -----------------------------------------------------------------------------------

void CDeviceOptionUI::Arm(UINT id, std::uint32_t delayMs) {
    armed_[id] = delayMs;
    SetTimer(id, delayMs);
}

void CDeviceOptionUI::ArmOnGrid(UINT id, std::uint32_t periodMs) {
    armed_[id] = periodMs;
    SetTimer(id, MsToTickGrid(periodMs / 2, periodMs));
}

void CDeviceOptionUI::Disarm(UINT id) {
    armed_.erase(id);
    KillTimer(id);
}

std::uint32_t CDeviceOptionUI::ArmedDelay(UINT id) const {
    const auto it = armed_.find(id);
    return it == armed_.end() ? 0 : it->second;
}

void CDeviceOptionUI::StartAttach() {
    switchLinkTries_ = 0;
    Arm(kTimerAttach, kAttachDelayMs);
}

void CDeviceOptionUI::StartSwitchLinkWait() {
    switchLinkTries_ = kSwitchLinkAttempts;
    Arm(kTimerAttach, kSwitchLinkPauseMs);
}

void CDeviceOptionUI::OnSwitchLinkTimer() {
    const bool up = device_->CommandChannel().IsConnected() && device_->IsWirelessLinkUp();
    if (!up && --switchLinkTries_ > 0) {
        DebugTrace("获取2.4G模式失败");
        Arm(kTimerAttach, kSwitchLinkPauseMs);
        return;
    }
    switchLinkTries_ = 0;
    DebugTrace("获取2");
    if (device_->ReportsPowerStatus() && device_->CommandChannel().IsConnected()) device_->ReadPowerStatus();
    StartAttach();
}

void CDeviceOptionUI::StopAllTimers() {
    switchLinkTries_ = 0;
    while (!armed_.empty()) Disarm(armed_.begin()->first);
}

void CDeviceOptionUI::OnTimer(UINT id) {
    Disarm(id);  // every tab timer is one-shot
    if (!device_) return;
    switch (id) {
    case kTimerAttach: OnAttachTimer(); break;
    case kTimerColourStream: OnColourStreamTimer(); break;
    case kTimerReloadSettings: OnReloadSettingsTimer(); break;
    case kTimerSecondDeferredStep: device_->SecondDeferredStep(); break;
    case kTimerThirdDeferredStep: device_->ThirdDeferredStep(); break;
    case kTimerPowerStatus: OnPowerStatusTimer(); break;
    case kTimerLinkWatch: OnLinkWatchTimer(); break;
    default: break;
    }
}

void CDeviceOptionUI::OnAttachTimer() {
    if (switchLinkTries_ > 0) return OnSwitchLinkTimer();
    CDeviceChannel& channel = device_->CommandChannel();
    if (!channel.IsConnected()) return;  // removed before the attach step came
    if (channel.IsWirelessMode()) {
        if (!device_->IsWirelessLinkUp()) {
            linkFailures_ = (linkFailures_ + 1) % kLinkFailureWrap;
            if (connected_) ReportLink(false);
            Arm(kTimerAttach, kLinkRetryMs);
            return;
        }
        ReportLink(true);
    }
    device_->OnAttached();
    linkFailures_ = 0;
    Arm(kTimerColourStream, kStreamDelayMs);
    if (device_->ReportsPowerStatus() && channel.IsConnected()) Arm(kTimerPowerStatus, kPowerFirstMs);
    if (channel.IsWirelessMode()) Arm(kTimerLinkWatch, kLinkWatchFirstMs);
}

void CDeviceOptionUI::OnColourStreamTimer() {
    device_->SetPageShown(PageOnScreen());
    device_->BuildStreamFrame();
    if (device_->IsPageShown()) device_->RefreshLightButtons();
    if (const unsigned requests = device_->TakeDeviceRequests()) {
        if (requests & CQuorinUSBDevice::kRequestSettingsReload) Arm(kTimerReloadSettings, device_->SettingsReloadDelayMs());
        device_->HandleDeviceRequests(requests);
    }
    // Armed only while there is work: frames the device takes, or colours on screen. Device
    // requests and a page coming on screen wake it again (WakeStream).
    const CDeviceChannel& channel = device_->CommandChannel();
    if (channel.IsConnected() && (device_->TakesStreamFrames() || device_->IsPageShown()))
        ArmOnGrid(kTimerColourStream, channel.IsWirelessMode() ? kStreamWirelessMs : kStreamCableMs);
}

bool CDeviceOptionUI::PageOnScreen() const {
    return IsSelectedTab() && device_->GetDisplayRefresh() && !device_->IsMainWindowHidden();
}

void CDeviceOptionUI::WakeStream() {
    if (!device_ || ArmedDelay(kTimerColourStream) != 0 || ArmedDelay(kTimerAttach) != 0) return;
    if (!device_->CommandChannel().IsConnected()) return;
    device_->SetPageShown(PageOnScreen());
    Arm(kTimerColourStream, kStreamDelayMs);
}

void CDeviceOptionUI::OnReloadSettingsTimer() {
    device_->ReloadSettings();
    // Products without a settings record of their own never clear the flag themselves; a
    // light thread must not stay idle for them.
    device_->CommandChannel().SetRefreshPending(false);
}

void CDeviceOptionUI::OnPowerStatusTimer() {
    device_->ReadPowerStatus();
    if (device_->ReportsPowerStatus() && device_->CommandChannel().IsConnected()) Arm(kTimerPowerStatus, kPowerRepeatMs);
}

void CDeviceOptionUI::OnLinkWatchTimer() {
    const CDeviceChannel& channel = device_->CommandChannel();
    if (!channel.IsConnected()) return;
    if (!channel.IsWirelessMode()) {
        DebugTrace(kLinkWatchCableTrace);
        return;
    }
    const bool up = device_->IsWirelessLinkUp();
    if (up && !connected_) {
        ReportLink(true);
        if (device_->ReportsPowerStatus()) device_->ReadPowerStatus();
        DebugTrace(kLinkWatchUpTrace);
    } else if (!up && connected_) {
        ReportLink(false);
        DebugTrace(kLinkWatchDownTrace);
    }
    Arm(kTimerLinkWatch, kLinkRetryMs);
}

void CDeviceOptionUI::ReportLink(bool up) {
    auto* strip = GetParent() ? static_cast<ui::CContainerUI*>(GetParent()->GetInterface("Container")) : nullptr;
    const int index = strip ? strip->GetItemIndex(this) : -1;
    // The main window first: hiding the selected tab closes its auxiliary windows there.
    if (device_ && device_->GetMainWindow())
        SendMessage(device_->GetMainWindow(), WM_DEVICE_LINK_STATE, static_cast<WPARAM>(index), up ? 1 : 0);
    if (!strip) {
        SetConnectedTab(up);
    } else if (up) {
        ShowDeviceTab(*strip, index);
    } else {
        HideDeviceTab(*strip, index);
    }
}

// --- The tab strip ----------------------------------------------------------------------------

bool HideDeviceTab(ui::CContainerUI& strip, int index, const std::function<void()>& beforeLeavingSelected) {
    CDeviceOptionUI* tab = TabAt(strip, index);
    if (!tab) return false;
    CDeviceOptionUI* replacement = nullptr;
    if (tab->IsConnectedTab() && tab->IsSelectedTab()) {
        if (beforeLeavingSelected) beforeLeavingSelected();
        for (int i = 0; i < strip.GetCount() && !replacement; ++i) {
            CDeviceOptionUI* other = TabAt(strip, i);
            if (other && other != tab && other->IsConnectedTab()) replacement = other;
        }
    }
    tab->SetConnectedTab(false);
    if (replacement) replacement->SelectTab();
    ScrollDeviceTabs(strip, 0);
    return true;
}

bool ShowDeviceTab(ui::CContainerUI& strip, int index) {
    CDeviceOptionUI* tab = TabAt(strip, index);
    if (!tab) return false;
    if (tab->IsConnectedTab()) return true;
    const bool alone = ConnectedTabCount(strip) == 0;
    tab->SetConnectedTab(true);
    if (alone) tab->SelectTab();
    ScrollDeviceTabs(strip, 0);
    return true;
}

CDeviceOptionUI* SelectedDeviceTab(ui::CContainerUI& strip) {
    CDeviceOptionUI* last = nullptr;
    for (int i = 0; i < strip.GetCount(); ++i) {
        CDeviceOptionUI* tab = TabAt(strip, i);
        if (!tab) continue;
        if (tab->IsConnectedTab() && tab->IsSelectedTab()) return tab;
        last = tab;
    }
    return last;
}

int ConnectedTabCount(ui::CContainerUI& strip) {
    int count = 0;
    for (int i = 0; i < strip.GetCount(); ++i)
        if (CDeviceOptionUI* tab = TabAt(strip, i); tab && tab->IsConnectedTab()) ++count;
    return count;
}

void ScrollDeviceTabs(ui::CContainerUI& strip, int step) {
    int front = 0, connected = 0;
    for (int i = 0; i < strip.GetCount(); ++i) {
        CDeviceOptionUI* tab = TabAt(strip, i);
        if (!tab || !tab->IsConnectedTab()) continue;
        ++connected;
        if (tab->IsScrolledAway()) ++front;
    }
    front = std::clamp(front + step, 0, std::max(0, connected - 1));
    for (int i = 0; i < strip.GetCount(); ++i) {
        CDeviceOptionUI* tab = TabAt(strip, i);
        if (!tab) continue;
        const bool away = tab->IsConnectedTab() && front > 0;
        if (away) --front;
        tab->SetScrolledAway(away);
    }
}

}  // namespace kx58
