// The main window's message table: registered messages first, then the fixed numbers, in the
// order the window tests them.
#include <cstring>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"

namespace kx58 {

void SetProcessActive(bool active);

// Every message the window acts on, registered ones first, in the order the window tests
// them. Between a suspend and a resume only the rows that act while suspended run; the others
// are swallowed. A row that passes on lets the window base handle the message too.
void CMainWnd::BuildMessageRoutes() {
    using M = CMainWnd;
    const auto route = [this](UINT message, Handler handler, bool whileSuspended, bool passOn = false) {
        if (message != 0) m_routes.push_back({message, handler, whileSuspended, passOn});
    };
    route(WM_ACTIVATE, &M::OnActivate, true, true);
    route(WM_MOUSELEAVE, &M::OnMouseLeave, true, true);
    route(WM_MOUSEHOVER, &M::OnMouseHover, true, true);
    route(m_messages.UWM_APP_INSTANCE_MSG, &M::OnInstanceMessage, true);
    route(m_messages.UWM_SETWND_RELAY_MSG, &M::OnSettingsRelay, true);
    route(m_messages.UWM_LIGHT_CONTROL_MSG, &M::OnLightControlMessage, true);
    route(m_messages.UWM_WORKTOOL_QUERY_MSG, &M::OnWorkToolQuery, true);
    route(WM_DESTROY, &M::OnShellDestroy, true, true);  // the window base finishes it
    route(WM_POWERBROADCAST, &M::OnPowerBroadcast, true);
    for (UINT game : {m_hooks.Game_Start, m_hooks.Game_End, m_hooks.Game_Kill, m_hooks.Game_Death})
        route(game, &M::OnGameMessage, false);
    route(m_hooks.WM_HOOK_KEY_SINGLEKEY_MSG, &M::OnKeyCaptureHook, false);
    route(m_hooks.WM_HOOK_KEY_HITKEY_MSG, &M::Ignore, false);
    route(m_hooks.WM_HOOK_KEY_KBMACRO_MSG, &M::OnRecordKeyHook<RecordPlacement::Append>, false);
    route(m_hooks.WM_HOOK_KEY_MSMACRO_MSG, &M::OnRecordMouseHook<RecordPlacement::Append>, false);
    route(m_hooks.WM_HOOK_KEY_KBMACROSINGLE_MSG, &M::OnRecordKeyHook<RecordPlacement::Replace>, false);
    route(m_hooks.WM_HOOK_KEY_KBMACROPREVIOUS_MSG, &M::OnRecordKeyHook<RecordPlacement::Before>, false);
    route(m_hooks.WM_HOOK_KEY_KBMACROLATER_MSG, &M::OnRecordKeyHook<RecordPlacement::After>, false);
    route(m_hooks.WM_HOOK_KEY_MSMACROSINGLE_MSG, &M::OnRecordMouseHook<RecordPlacement::Replace>, false);
    route(m_hooks.WM_HOOK_KEY_MSMACROPREVIOUS_MSG, &M::OnRecordMouseHook<RecordPlacement::Before>, false);
    route(m_hooks.WM_HOOK_KEY_MSMACROLATER_MSG, &M::OnRecordMouseHook<RecordPlacement::After>, false);
    route(WM_HOOK_CONTROL, &M::OnHookControl, false);
    route(WM_SHOW_SETTING_PROGRESS, &M::OnShowSettingProgress, false);
    route(WM_LANGUAGE_CHANGED, &M::OnLanguageChanged, false);
    route(WM_DEVICE_ARRIVED, &M::OnDeviceArrivedMessage, false);
    route(WM_DEVICE_REMOVED, &M::OnDeviceRemovedMessage, false);
    route(WM_CLEAR_UPDATE_MARK, &M::OnClearUpdateMark, false);
    route(WM_DEVICE_LINK_STATE, &M::OnLinkStateMessage, false);
    route(WM_DEVICE_WAKE, &M::OnDeviceWake, false);
    route(WM_DISPLAYCHANGE, &M::OnDisplayChange, false);
    route(WM_DPICHANGED, &M::OnDpiChanged, false);
    route(WM_DPI_NOTICE, &M::OnDpiNotice, false);
    route(WM_TRAY_NOTIFY, &M::OnTrayNotify, false);
    route(WM_MENU_COMMAND, &M::OnMenuCommandMessage, false);
    route(WM_COPYDATA, &M::OnCopyData, false);
    route(WM_AUDIO_RECORD_FAILED, &M::OnAudioRecordFailed, false);
    // Received, and left to the windows and programs that are not part of this one.
    route(WM_OPEN_SETWND, &M::OnOpenSettingsMessage, false);
    route(WM_START_UPGRADE, &M::OnStartUpgrade, false);
    for (UINT received : {WM_MOUSEPAD_RECORD_INDEX,
                          WM_DEVICE_POWER_STATUS, WM_DEVICE_RESERVED})
        route(received, &M::Ignore, false);
}

LRESULT CMainWnd::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    const bool input = (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) ||
                       (message >= WM_MOUSEMOVE && message <= WM_XBUTTONUP) || message == WM_MOUSELEAVE;
    if (input && TakeHookInput(message, wParam, lParam)) {
        handled = true;
        return 0;
    }
    for (const MessageRoute& route : m_routes) {
        if (route.message != message) continue;
        if (!route.actsWhileSuspended && !IsProcessActive()) {
            handled = true;  // nothing is acted on between a suspend and a resume
            return 0;
        }
        const LRESULT result = (this->*route.handler)(wParam, lParam);
        handled = !route.passOn;
        return result;
    }
    return 0;
}

LRESULT CMainWnd::Ignore(WPARAM, LPARAM) { return 0; }

LRESULT CMainWnd::OnActivate(WPARAM wParam, LPARAM) {
    m_windowActive = (wParam & 0xFFFF) != 0;
    // The key capture grabs the keyboards for the key edit; another window's keys are its own.
    if (!m_windowActive && m_deviceHook.Mode() == kHookModeKeyCapture && !m_recordingEditor) m_deviceHook.Unhook();
    TellDisplayRefresh();
    return 0;
}

LRESULT CMainWnd::OnMouseHover(WPARAM, LPARAM) {
    DebugTrace("鼠标移入");
    m_mouseInside = true;
    TellDisplayRefresh();
    return 0;
}

LRESULT CMainWnd::OnMouseLeave(WPARAM, LPARAM) {
    DebugTrace("鼠标移出");
    m_mouseInside = false;
    TellDisplayRefresh();
    return 0;
}

void CMainWnd::TellDisplayRefresh() {
    // The colour display on a page is worth repainting only while someone may look at it.
    const bool refresh = m_windowActive || m_mouseInside;
    ForEachDevice(kLightingDevices, [refresh](CQuorinUSBDevice& device) { device.SetDisplayRefresh(refresh); });
    if (refresh) WakeDeviceStreams();
}

LRESULT CMainWnd::OnInstanceMessage(WPARAM wParam, LPARAM lParam) {
    DebugTraceF("软件标示 %u，%xd%xd", m_messages.UWM_APP_INSTANCE_MSG, static_cast<unsigned>(wParam),
                static_cast<unsigned>(lParam));
    if (lParam != 0) m_stayInTray = false;  // another start asks for the window; the first scan does not
    if (!m_shuttingDown) ShowStep();
    return 0;
}

LRESULT CMainWnd::OnSettingsRelay(WPARAM wParam, LPARAM lParam) {
    if (m_settingsWnd && IsWindow(m_settingsWnd))
        kx58::PostMessage(m_settingsWnd, m_messages.UWM_SETWND_RELAY_MSG, wParam, lParam);
    return 0;
}

LRESULT CMainWnd::OnPowerBroadcast(WPARAM event, LPARAM) {
    if (event == PBT_APMSUSPEND) {
        SetProcessActive(false);
        TellLightingControl(false);
    } else if (event == PBT_APMRESUMEAUTOMATIC) {
        SetProcessActive(true);
        TellLightingControl(m_lightControlOn);
        CatchUpWithDiscovery();
    }
    return 1;
}

LRESULT CMainWnd::OnLightControlMessage(WPARAM wParam, LPARAM lParam) {
    if (wParam != 1) return 0;
    if (lParam == 0) SetLightingControl(false, false);
    else if (lParam == 1) SetLightingControl(true, false);
    else TellLightingControl(m_lightControlOn);
    return 0;
}

LRESULT CMainWnd::OnWorkToolQuery(WPARAM, LPARAM) {
    const HWND tool = FindWindow(std::nullopt, std::string(kWorkToolTitle));
    if (!tool) return 0;
    std::vector<WorkToolDeviceType> types;
    for (const DeviceTypeRow& row : DeviceTypeRows()) types.push_back({row.vendorId, row.productId, KindNumber(row.kind)});
    const std::vector<std::uint8_t> report = BuildWorkToolReport(m_versionDescriptor, types);
    COPYDATASTRUCT copy;
    copy.dwData = kWorkToolCopyDataId;
    copy.cbData = static_cast<DWORD>(report.size());
    copy.lpData = report.data();
    kx58::SendMessage(tool, WM_COPYDATA, reinterpret_cast<WPARAM>(GetHWND()), reinterpret_cast<LPARAM>(&copy));
    return 0;
}

LRESULT CMainWnd::OnGameMessage(WPARAM wParam, LPARAM lParam) {
    DevicePage* page = SelectedPage();
    if (page && page->device && wParam <= 2) {
        // The event's effect goes into byte 0 of the settings record and is written at once.
        page->device->ApplySettings(0, static_cast<int>(lParam & 0xFF), 1, m_screenWidth, m_screenHeight);
    }
    kx58::SetTimer(GetHWND(), kTimerGameRestore, kTimerGameRestoreMs);
    m_gameRestorePending = true;
    return 0;
}

void CMainWnd::OnGameRestore() {
    m_gameRestorePending = false;
    DevicePage* page = SelectedPage();
    if (!page || !page->device) return;
    // The effect stored with the light record (its byte 13) goes back into byte 0; the pointer
    // settings follow with the screen size.
    const int storedEffect = page->device->GetLightState().oldLedMode;
    DebugTraceF("game event over: effect %d restored", storedEffect);
    page->device->ApplySettings(0, storedEffect, 1, m_screenWidth, m_screenHeight);
}

LRESULT CMainWnd::OnShowSettingProgress(WPARAM, LPARAM) {
    if (ui::CControlUI* progress = m_pm.FindControl("setting_progress")) progress->SetVisible(true);
    return 0;
}

LRESULT CMainWnd::OnLanguageChanged(WPARAM wParam, LPARAM) {
    if (!m_language.Apply(static_cast<int>(wParam), m_pm)) return 0;
    ForEachDevice(kMiceAndKeyboards, [](CQuorinUSBDevice& device) { device.RefreshPage(); });
    TellAuxiliaryWindowsLanguage();
    return 0;
}

LRESULT CMainWnd::OnDeviceArrivedMessage(WPARAM slot, LPARAM) {
    if (!m_shuttingDown) OnDeviceArrived(slot);
    return 0;
}

LRESULT CMainWnd::OnDeviceRemovedMessage(WPARAM slot, LPARAM) {
    if (!m_shuttingDown) OnDeviceRemoved(slot);
    return 0;
}

LRESULT CMainWnd::OnClearUpdateMark(WPARAM, LPARAM) {
    if (ui::CControlUI* set = m_pm.FindControl("setbtn")) set->SetForeImage("");
    return 0;
}

LRESULT CMainWnd::OnLinkStateMessage(WPARAM tabIndex, LPARAM up) {
    OnLinkState(tabIndex, up);
    return 0;
}

LRESULT CMainWnd::OnDeviceWake(WPARAM typeRow, LPARAM) {
    for (DevicePage& page : m_pages)
        if (page.typeRow == typeRow && page.tab) page.tab->WakeStream();
    return 0;
}

void CMainWnd::WakeDeviceStreams() {
    for (DevicePage& page : m_pages)
        if (page.tab) page.tab->WakeStream();
}

LRESULT CMainWnd::OnDisplayChange(WPARAM, LPARAM) {
    DebugTrace("显示器分辨率发生变化");
    m_displayChanged = true;
    FixSizeAndDpi();
    return 0;
}

LRESULT CMainWnd::OnDpiChanged(WPARAM wParam, LPARAM) {
    // The window base has rescaled the controls already.
    DebugTrace("界面 DPI 发生变化");
    m_dpi = static_cast<int>(wParam & 0xFFFF);
    m_pm.ResetDPIAssets();
    CenterWindow();
    m_pm.Invalidate();
    return 0;
}

LRESULT CMainWnd::OnDpiNotice(WPARAM, LPARAM) {
    DebugTrace("界面 DPI 1发生变化");
    return 0;
}

LRESULT CMainWnd::OnTrayNotify(WPARAM, LPARAM lParam) {
    if (lParam == WM_LBUTTONUP) OnTrayClick(false);
    else if (lParam == WM_RBUTTONUP) OnTrayClick(true);
    return 0;
}

LRESULT CMainWnd::OnMenuCommandMessage(WPARAM, LPARAM lParam) {
    if (const auto* cmd = reinterpret_cast<const ui::MenuCmd*>(lParam)) OnMenuCommand(cmd->name);
    return 0;
}

LRESULT CMainWnd::OnCopyData(WPARAM, LPARAM lParam) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    // The last blocks that arrive while the window closes have no lighting left to drive.
    return copy && !m_shuttingDown ? m_audioLink.TakeBlock(*copy, FirstKeyboard()) : 0;
}

LRESULT CMainWnd::OnAudioRecordFailed(WPARAM, LPARAM) {
    if (!m_shuttingDown) CMsgWnd::ShowMessage(*this, {}, kRecordOpenFailedText, m_dpi, false, kMessageButtonsConfirm);
    return 0;
}

CQuorinUSBDevice* CMainWnd::FirstKeyboard() {
    for (const DevicePage& page : m_pages)
        if (page.device && DeviceTypeRows()[page.typeRow].kind == DeviceKind::KeyboardWired) return page.device;
    return nullptr;
}

void CMainWnd::OnMenuCommand(const std::string& item) {
    DebugTraceF("main window: menu item %s chosen", item.c_str());
    if (item == "exit") Close(ui::IDOK);
    else if (!OnShellMenuCommand(item)) OnMacroMenuCommand(item);
}

}  // namespace kx58
