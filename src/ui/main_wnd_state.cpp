// Showing, hiding and sizing the main window; the tray icon and its menu; the lighting
// control switch.
#include "platform/debug_trace.h"
#include "platform/session_bus.h"
#include "ui/auxiliary_window.h"
#include "ui/main_wnd.h"
#include "uikit/menu_wnd.h"
#include "uikit/window_placement.h"

namespace kx58 {

void CMainWnd::UpdateNoDeviceLayer() {
    const bool none = ConnectedTabCount() == 0;
    if (ui::CControlUI* layer = m_pm.FindControl("No_device_Link")) layer->SetVisible(none);
    // A battery of no device would mislead.
    if (ui::CControlUI* power = m_pm.FindControl("device_power_switch")) power->SetVisible(!none);
}

void CMainWnd::SetMainWindowHidden(bool hidden) {
    ForEachDevice(kEveryProduct, [hidden](CQuorinUSBDevice& device) { device.SetMainWindowHidden(hidden); });
    if (!hidden) WakeDeviceStreams();
}

void CMainWnd::ShowStep() {
    UpdateNoDeviceLayer();
    if (m_stayInTray) {
        kx58::SetTimer(GetHWND(), kTimerTrayCheck, kTimerTrayCheckMs);
        return SetMainWindowHidden(true);
    }
    SetMainWindowHidden(false);
    SendMessage(WM_SYSCOMMAND, ui::SC_RESTORE);
    // Raised above the other windows once, then back in the normal order.
    SetTopmost(true);
    SetTopmost(false);
}

namespace {

int FittingInterfaceDpi(const ui::CWindowWnd& window) {
    // The monitor rule counts device pixels; a scaled output (Wayland) shows each interface pixel
    // as `scale` of them. Then the window must fit the work area: a compositor that places the
    // window itself never moves a part of it back onto the screen.
    const ui::MonitorMetrics monitor = ui::MonitorMetricsOf(window);
    const int wanted = ChooseInterfaceDpi(monitor.geometry.Width() * monitor.scale,
                                          monitor.geometry.Height() * monitor.scale) / monitor.scale;
    return ui::LargestDpiThatFits(ui::SIZE{kFixedWindowWidth, kFixedWindowHeight}, monitor.workArea, wanted,
                                  SupportedDpis());
}

}  // namespace

void CMainWnd::FixSizeAndDpi() {
    const bool wasShown = IsWindowVisible() && !IsMinimized();
    if (!wasShown) SendMessage(WM_SYSCOMMAND, ui::SC_RESTORE);
    int dpi = FittingInterfaceDpi(*this);
    if (!IsSupportedDpi(dpi)) {
        DebugTrace("MAIN_WND DPI SET ERROR");
        dpi = 96;
    }
    ui::CPaintManagerUI::SetAllDPI(96);
    ResizeClient(kFixedWindowWidth, kFixedWindowHeight);
    ui::CPaintManagerUI::SetAllDPI(dpi);
    m_dpi = dpi;
    CenterWindow();
    ShowWindow(wasShown);
    DebugTraceF("main window: %dx%d at %d DPI, %s", kFixedWindowWidth, kFixedWindowHeight, dpi, wasShown ? "shown" : "hidden");
}

void CMainWnd::LeaveTrayWithoutPanel() {
    // Started hidden where no tray shows the icon: nothing could bring the window back.
    if (!m_stayInTray || !m_tray.IsOnDesktopWithoutTray()) return;
    DebugTrace("main window: no tray shows the icon: the window is shown");
    m_stayInTray = false;
    FixSizeAndDpi();
    ShowStep();
}

void CMainWnd::HideToTray() {
    CloseAuxiliaryWindows();
    // With no tray showing the icon a hidden window could not be clicked back: it goes to the
    // taskbar instead.
    if (m_tray.IsOnDesktopWithoutTray()) {
        SendMessage(WM_SYSCOMMAND, ui::SC_MINIMIZE);
        return;
    }
    ShowWindow(false);
    SetMainWindowHidden(true);
}

void CMainWnd::OnTrayClick(bool right) {
    if (right) {
        kx58::SetTimer(GetHWND(), kTimerTrayMenu, kTimerTrayMenuMs);
        return;
    }
    UpdateNoDeviceLayer();
    if (IsWindowVisible() && !IsMinimized()) {
        HideToTray();
        return;
    }
    m_stayInTray = false;
    FixSizeAndDpi();
    ShowStep();
    m_pm.NeedUpdate();
}

void CMainWnd::OpenTrayMenu() {
    // Linux desktops do not say where their panel is: the menu opens towards the middle of
    // the monitor from the pointer, which keeps it beside a panel on any edge.
    const ui::POINT cursor = ui::CurrentBackend().GetCursorPos();
    const ui::RECT monitor = GetBackendWindow() ? GetBackendWindow()->GetMonitorRect() : ui::RECT{0, 0, 1920, 1080};
    int alignment = cursor.x > monitor.left + monitor.Width() / 2 ? ui::eMenuAlignment_Right : ui::eMenuAlignment_Left;
    alignment |= cursor.y > monitor.top + monitor.Height() / 2 ? ui::eMenuAlignment_Bottom : ui::eMenuAlignment_Top;
    ui::CMenuWnd::CreateMenu(GetHWND(), "menu.xml", cursor, alignment, &m_menuChecks);
}

void CMainWnd::TellLightingControl(bool on) {
    ForEachDevice(kLightingDevices, [on](CQuorinUSBDevice& device) { device.SetHostLighting(on); });
    if (on) WakeDeviceStreams();
}

void CMainWnd::SetLightingControl(bool on, bool announce) {
    m_lightControlOn = on;
    if (announce) BroadcastSystemMessage(BSF_POSTMESSAGE, BSM_APPLICATIONS, m_messages.UWM_APP_ANNOUNCE_MSG, 1, on ? 1 : 0);
    if (ui::CControlUI* status = m_pm.FindControl("control_light_status"))
        status->SetText(on ? kLightControlOnText : kLightControlOffText);
    TellLightingControl(on);
}

}  // namespace kx58
