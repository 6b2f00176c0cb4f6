// The main window's message table: registered messages first, then the fixed numbers, in the
// order the window tests them.
#include <cstring>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "ui/main_wnd.h"

namespace kx58 {

void SetProcessActive(bool active);

namespace {

bool IsHookMessage(const HookMessages& hooks, UINT message) {
    const UINT hookMessages[] = {
        hooks.WM_HOOK_KEY_SINGLEKEY_MSG,       hooks.WM_HOOK_KEY_HITKEY_MSG,         hooks.WM_HOOK_KEY_KBMACRO_MSG,
        hooks.WM_HOOK_KEY_MSMACRO_MSG,         hooks.WM_HOOK_KEY_KBMACROSINGLE_MSG,  hooks.WM_HOOK_KEY_KBMACROPREVIOUS_MSG,
        hooks.WM_HOOK_KEY_KBMACROLATER_MSG,    hooks.WM_HOOK_KEY_MSMACROSINGLE_MSG,  hooks.WM_HOOK_KEY_MSMACROPREVIOUS_MSG,
        hooks.WM_HOOK_KEY_MSMACROLATER_MSG,
    };
    for (UINT hook : hookMessages)
        if (hook != 0 && hook == message) return true;
    return false;
}

// Byte of the 16-byte light record that keeps the effect a game event interrupts.
constexpr std::size_t kStoredEffectByte = 13;

bool IsGameMessage(const HookMessages& hooks, UINT message) {
    return message != 0 && (message == hooks.Game_Start || message == hooks.Game_End ||
                            message == hooks.Game_Kill || message == hooks.Game_Death);
}

}  // namespace

LRESULT CMainWnd::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    LRESULT result = 0;
    handled = true;
    switch (message) {
        case WM_ACTIVATE:
            m_windowActive = (wParam & 0xFFFF) != 0;
            TellDisplayRefresh();
            handled = false;
            return 0;
        case WM_MOUSELEAVE:
        case WM_MOUSEHOVER:
            DebugTrace(message == WM_MOUSEHOVER ? "鼠标移入" : "鼠标移出");
            m_mouseInside = message == WM_MOUSEHOVER;
            TellDisplayRefresh();
            handled = false;
            return 0;
        default: break;
    }
    if (HandleApplicationMessage(message, wParam, lParam, result)) return result;
    if (message == WM_DESTROY) {
        handled = false;  // the window base finishes it
        return 0;
    }
    if (message == WM_POWERBROADCAST) {
        OnPowerBroadcast(wParam);
        return 1;
    }
    if (!IsProcessActive()) {
        // Between a suspend and a resume nothing below is acted on.
        if (HookOrGameOrPrivate(message)) return 0;
        handled = false;
        return 0;
    }
    if (HandleHookOrGameMessage(message, wParam, lParam)) return 0;
    if (HandlePrivateMessage(message, wParam, lParam, result)) return result;
    handled = false;
    return 0;
}

void CMainWnd::TellDisplayRefresh() {
    // The colour display on a page is worth repainting only while someone may look at it.
    const bool refresh = m_windowActive || m_mouseInside;
    ForEachDevice(kLightingDevices, [refresh](CQuorinUSBDevice& device) { device.SetDisplayRefresh(refresh); });
}

bool CMainWnd::HookOrGameOrPrivate(UINT message) const {
    return IsHookMessage(m_hooks, message) || IsGameMessage(m_hooks, message) || IsPrivateMessage(message);
}

bool CMainWnd::HandleApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (message == 0) return false;
    if (message == m_messages.UWM_APP_INSTANCE_MSG) {
        DebugTraceF("软件标示 %u，%xd%xd", message, static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
        if (!m_shuttingDown) ShowStep();
        return true;
    }
    if (message == m_messages.UWM_SETWND_RELAY_MSG) {
        if (m_settingsWnd && IsWindow(m_settingsWnd)) kx58::PostMessage(m_settingsWnd, message, wParam, lParam);
        return true;
    }
    if (message == m_messages.UWM_LIGHT_CONTROL_MSG) {
        OnLightControlMessage(wParam, lParam);
        return true;
    }
    if (message == m_messages.UWM_WORKTOOL_QUERY_MSG) {
        OnWorkToolQuery();
        return true;
    }
    return false;
}

void CMainWnd::OnPowerBroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND) {
        SetProcessActive(false);
        TellLightingControl(false);
    } else if (event == PBT_APMRESUMEAUTOMATIC) {
        SetProcessActive(true);
        TellLightingControl(m_lightControlOn);
        CatchUpWithDiscovery();
    }
}

void CMainWnd::OnLightControlMessage(WPARAM wParam, LPARAM lParam) {
    if (wParam != 1) return;
    if (lParam == 0) SetLightingControl(false, false);
    else if (lParam == 1) SetLightingControl(true, false);
    else TellLightingControl(m_lightControlOn);
}

void CMainWnd::OnWorkToolQuery() {
    const HWND tool = FindWindow(std::nullopt, std::string(kWorkToolTitle));
    if (!tool) return;
    std::vector<WorkToolDeviceType> types;
    for (const DeviceTypeRow& row : DeviceTypeRows()) types.push_back({row.vendorId, row.productId, row.kind});
    const std::vector<std::uint8_t> report = BuildWorkToolReport(m_versionDescriptor, types);
    COPYDATASTRUCT copy;
    copy.dwData = kWorkToolCopyDataId;
    copy.cbData = static_cast<DWORD>(report.size());
    copy.lpData = report.data();
    kx58::SendMessage(tool, WM_COPYDATA, reinterpret_cast<WPARAM>(GetHWND()), reinterpret_cast<LPARAM>(&copy));
}

bool CMainWnd::HandleHookOrGameMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsGameMessage(m_hooks, message)) {
        OnGameMessage(wParam, lParam);
        return true;
    }
    if (!IsHookMessage(m_hooks, message)) return false;
    if (message == m_hooks.WM_HOOK_KEY_MSMACRO_MSG) DebugTrace("WM_HOOK_KEY_MSMACRO");
    // The key assignment and macro editors of the selected page take these once they exist;
    // until then the event is consumed here so it reaches nothing else.
    return true;
}

void CMainWnd::OnGameMessage(WPARAM wParam, LPARAM lParam) {
    DevicePage* page = SelectedPage();
    if (page && page->device && wParam <= 2) {
        // The event's effect goes into byte 0 of the settings record and is written at once.
        page->device->ApplySettings(0, static_cast<int>(lParam & 0xFF), 1, m_screenWidth, m_screenHeight);
    }
    kx58::SetTimer(GetHWND(), kTimerGameRestore, kTimerGameRestoreMs);
    m_gameRestorePending = true;
}

void CMainWnd::OnGameRestore() {
    m_gameRestorePending = false;
    DevicePage* page = SelectedPage();
    if (!page || !page->device) return;
    // The effect stored with the light record (its byte 13) goes back into byte 0; the pointer
    // settings follow with the screen size.
    const std::array<std::uint32_t, 4> words = page->device->GetLightState().ToWords();
    const int storedEffect = static_cast<int>((words[kStoredEffectByte / 4] >> (8 * (kStoredEffectByte % 4))) & 0xFF);
    DebugTraceF("game event over: effect %d restored", storedEffect);
    page->device->ApplySettings(0, storedEffect, 1, m_screenWidth, m_screenHeight);
}

bool CMainWnd::IsPrivateMessage(UINT message) {
    switch (message) {
        case WM_SHOW_SETTING_PROGRESS: case WM_LANGUAGE_CHANGED: case WM_DEVICE_ARRIVED:
        case WM_DEVICE_REMOVED: case WM_OPEN_SETWND: case WM_CLEAR_UPDATE_MARK:
        case WM_MOUSEPAD_RECORD_INDEX: case WM_DEVICE_POWER_STATUS: case WM_DEVICE_RESERVED:
        case WM_DEVICE_LINK_STATE: case WM_START_UPGRADE: case WM_HOOK_CONTROL:
        case WM_DISPLAYCHANGE: case WM_DPICHANGED: case WM_DPI_NOTICE: case WM_COPYDATA: case WM_TRAY_NOTIFY:
        case WM_MENU_COMMAND:
            return true;
        default: return false;
    }
}

bool CMainWnd::HandlePrivateMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_SHOW_SETTING_PROGRESS:
            if (ui::CControlUI* progress = m_pm.FindControl("setting_progress")) progress->SetVisible(true);
            return true;
        case WM_LANGUAGE_CHANGED:
            m_language.Apply(static_cast<int>(wParam), m_pm);
            ForEachDevice(kMiceAndKeyboards, [](CQuorinUSBDevice& device) { device.RefreshPage(); });
            return true;
        case WM_DEVICE_ARRIVED:
            if (!m_shuttingDown) OnDeviceArrived(wParam);
            return true;
        case WM_DEVICE_REMOVED:
            if (!m_shuttingDown) OnDeviceRemoved(wParam);
            return true;
        case WM_CLEAR_UPDATE_MARK:
            if (ui::CControlUI* set = m_pm.FindControl("setbtn")) set->SetForeImage("");
            return true;
        case WM_DEVICE_LINK_STATE:
            OnLinkState(wParam, lParam);
            return true;
        case WM_DISPLAYCHANGE:
            DebugTrace("显示器分辨率发生变化");
            m_displayChanged = true;
            FixSizeAndDpi();
            return true;
        case WM_DPICHANGED:
            // The window base has rescaled the controls already.
            DebugTrace("界面 DPI 发生变化");
            m_dpi = static_cast<int>(wParam & 0xFFFF);
            m_pm.ResetDPIAssets();
            CenterWindow();
            m_pm.Invalidate();
            return true;
        case WM_DPI_NOTICE:
            DebugTrace("界面 DPI 1发生变化");
            return true;
        case WM_TRAY_NOTIFY:
            if (lParam == WM_LBUTTONUP) OnTrayClick(false);
            else if (lParam == WM_RBUTTONUP) OnTrayClick(true);
            return true;
        case WM_MENU_COMMAND:
            if (const auto* cmd = reinterpret_cast<const ui::MenuCmd*>(lParam)) OnMenuCommand(cmd->name);
            return true;
        case WM_OPEN_SETWND: case WM_START_UPGRADE: case WM_HOOK_CONTROL: case WM_COPYDATA:
        case WM_MOUSEPAD_RECORD_INDEX: case WM_DEVICE_POWER_STATUS: case WM_DEVICE_RESERVED:
            // Received, and left to the windows and programs that are not part of this one.
            return true;
        default: return false;
    }
}

void CMainWnd::OnMenuCommand(const std::string& item) {
    if (item == "exit") Close(ui::IDOK);
}

}  // namespace kx58
