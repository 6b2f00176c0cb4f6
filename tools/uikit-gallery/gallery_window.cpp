#include "gallery_window.h"

#include <cstdio>
#include <fstream>

#include "message_window.h"
#include "platform/message_queue.h"
#include "uikit/color_palette.h"
#include "uikit/file_dialog.h"
#include "uikit/list.h"
#include "uikit/resource_manager.h"
#include "uikit/slider.h"

namespace gallery {

using namespace kx58::ui;

namespace {

constexpr kx58::UINT kMsgBattery = kx58::WM_USER + 300;
constexpr kx58::UINT kMsgShowOnStart = kx58::WM_USER + 301;
constexpr std::uintptr_t kQuitTimer = 1;
constexpr std::uint32_t kBatteryStepMs = 400;
constexpr const char kFileFilter[] = "Skin files (*.xml)\0*.xml;\0Images (*.png)\0*.png;\0All files\0*.*\0\0";

std::string Hex(DWORD argb) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(argb & 0xFFFFFF));
    return text;
}

}  // namespace

void GalleryWnd::InitWindow() {
    m_tray.CreateTrayIcon(GetHWND(), 107, "UI Kit Gallery", UIMSG_TRAYICON,
                          CResourceManager::GetInstance()->ResolvePath("images/logo.png"));
    m_tray.OnLeftClick([this] { ToggleFromTray(); });
    m_tray.OnRightClick([this] { OpenMenuAt(CurrentBackend().GetCursorPos(), eMenuAlignment_Left | eMenuAlignment_Bottom); });
    m_menuChecks["menu_accent_green"] = true;
    if (auto* combo = dynamic_cast<CComboUI*>(m_pm.FindControl("rate_combo"))) combo->SelectItem(3, false, false);
    if (m_options.quitAfterMs > 0) kx58::SetTimer(GetHWND(), kQuitTimer, static_cast<std::uint32_t>(m_options.quitAfterMs));
    StartWorker();
}

void GalleryWnd::StartWorker() {
    const kx58::HWND hwnd = GetHWND();
    // Simulates a device thread reporting its battery level to the window.
    m_worker.Start("gallery-battery", [hwnd](kx58::Event& exit) {
        int level = 72;
        while (!exit.Wait(kBatteryStepMs)) {
            level = level <= 5 ? 100 : level - 1;
            kx58::SendMessage(hwnd, kMsgBattery, static_cast<kx58::WPARAM>(level), 0);
        }
    });
}

void GalleryWnd::SetStatus(const std::string& text) {
    if (CControlUI* status = m_pm.FindControl("status")) status->SetText(text);
}

void GalleryWnd::ShowBattery(int percent) {
    if (auto* progress = dynamic_cast<CProgressUI*>(m_pm.FindControl("battery_progress"))) progress->SetValue(percent);
    if (CControlUI* label = m_pm.FindControl("battery_value")) label->SetText(std::to_string(percent) + "%");
}

void GalleryWnd::Notify(TNotifyUI& msg) {
    const std::string name = msg.pSender ? msg.pSender->GetName() : std::string();
    if (msg.sType == DUI_MSGTYPE_SELECTCHANGED && name.rfind("tab_", 0) == 0 && msg.wParam == 1) {
        static const char* const kTabs[] = {"tab_profile", "tab_lighting", "tab_about"};
        for (int i = 0; i < 3; ++i)
            if (name == kTabs[i])
                if (auto* pages = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl("tab_pages"))) pages->SelectItem(i);
    } else if (msg.sType == DUI_MSGTYPE_VALUECHANGED || msg.sType == DUI_MSGTYPE_MOVEVALUECHANGED) {
        if (auto* slider = dynamic_cast<CSliderUI*>(msg.pSender))
            if (CControlUI* label = m_pm.FindControl("bright_value")) label->SetText(std::to_string(slider->GetValue()) + "%");
    } else if (msg.sType == DUI_MSGTYPE_COLORCHANGED) {
        if (auto* palette = dynamic_cast<CColorPaletteUI*>(msg.pSender)) {
            const DWORD color = palette->GetSelectColor();
            if (CControlUI* swatch = m_pm.FindControl("swatch")) swatch->SetBkColor(color);
            if (CControlUI* label = m_pm.FindControl("color_value")) label->SetText(Hex(color));
        }
    }
    if (msg.sType != DUI_MSGTYPE_TIMER && msg.sType != DUI_MSGTYPE_MOVEVALUECHANGED &&
        msg.sType != DUI_MSGTYPE_WINDOWINIT && !name.empty())
        SetStatus(msg.sType + " · " + name);
    WindowImplBase::Notify(msg);
}

void GalleryWnd::OnClick(TNotifyUI& msg) {
    const std::string& name = msg.pSender->GetName();
    if (name == "closebtn") {
        Close(IDOK);
    } else if (name == "menubtn") {
        OpenMenuBelowButton();
    } else if (name == "message_btn") {
        AskMessage();
    } else if (name == "file_btn") {
        const auto path = OpenFileDialog(GetHWND(), std::string_view(kFileFilter, sizeof kFileFilter - 1));
        SetStatus(path ? "Chosen: " + *path : "File dialog cancelled");
    } else {
        WindowImplBase::OnClick(msg);
    }
}

void GalleryWnd::OpenMenuBelowButton() {
    CControlUI* button = m_pm.FindControl("menubtn");
    if (!button || !GetBackendWindow()) return;
    const RECT pos = button->GetPos();
    const RECT window = GetBackendWindow()->GetRect();
    OpenMenuAt(POINT{window.left + pos.left, window.top + pos.bottom + m_pm.Scale(4)},
               eMenuAlignment_Left | eMenuAlignment_Top);
}

void GalleryWnd::AskMessage() {
    const UINT answer = MessageWnd::Ask(*this, "Apply the profile?",
                                        "The battery bar keeps moving while this box is open: a worker "
                                        "thread updates it through cross-thread sends.");
    SetStatus(answer == IDOK ? "Message box: OK" : "Message box: Cancel");
}

void GalleryWnd::OpenMenuAt(POINT screenPoint, int alignment) {
    if (!CMenuWnd::CreateMenu(GetHWND(), "XML_MENU", screenPoint, alignment, &m_menuChecks))
        SetStatus("The menu could not be built");
}

void GalleryWnd::OnMenuCommand(const MenuCmd& cmd) {
    SetStatus("Menu: " + cmd.text + (cmd.checked ? " (checked)" : ""));
    if (cmd.name == "menu_topmost") SetTopmost(cmd.checked);
    else if (cmd.name == "exit") Close(IDOK);
}

void GalleryWnd::ToggleFromTray() {
    if (IsWindowVisible() && !IsMinimized()) {
        ShowWindow(false);
        return;
    }
    Restore();
    if (GetBackendWindow()) GetBackendWindow()->Activate();
}

kx58::LRESULT GalleryWnd::HandleCustomMessage(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM lParam,
                                              bool& handled) {
    handled = true;
    switch (message) {
        case WM_MENUCLICK:
            if (lParam) OnMenuCommand(*reinterpret_cast<const MenuCmd*>(lParam));
            return 0;
        case kMsgBattery:
            ShowBattery(static_cast<int>(wParam));
            return 0;
        case kMsgShowOnStart:
            if (m_options.show == "menu") OpenMenuBelowButton();
            else if (m_options.show == "message") AskMessage();
            return 0;
        case kx58::WM_TIMER:
            if (wParam == kQuitTimer) {
                Close(IDOK);
                return 0;
            }
            break;
        default:
            break;
    }
    handled = false;
    return 0;
}

kx58::LRESULT GalleryWnd::OnDestroy(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM lParam, bool& handled) {
    m_worker.Stop(1000);
    m_tray.DeleteTrayIcon();
    if (CMenuWnd* menu = CMenuWnd::Current()) menu->Destroy();
    kx58::PostQuitMessage(0);
    return WindowImplBase::OnDestroy(message, wParam, lParam, handled);
}

void GalleryWnd::OnBackendPaint(cairo_t* cr, const RECT& dirty) {
    WindowImplBase::OnBackendPaint(cr, dirty);
    if (m_painted) return;
    m_painted = true;
    std::printf("uikit-gallery: first paint done\n");
    std::fflush(stdout);
    if (!m_options.show.empty()) PostMessage(kMsgShowOnStart);
    if (!m_options.readyFile.empty()) std::ofstream(m_options.readyFile) << "painted\n";
}

}  // namespace gallery
