#include "ui/about_wnd.h"

#include <cstdio>

#include "platform/debug_trace.h"
#include "platform/shell_execute.h"
#include "ui/app_messages.h"
#include "ui/auxiliary_window.h"
#include "platform/program_version.h"

namespace kx58 {
namespace {

HWND g_openAbout = nullptr;  // UI thread only

}  // namespace

void CAboutWnd::Show(ui::CWindowWnd& owner, int dpi) {
    if (g_openAbout) return;
    // Deleted by its final message, also when the owner goes while it is open.
    auto* window = new CAboutWnd();
    if (!CreateAuxiliaryWindow(*window, owner, "AboutWnd", ui::WS_POPUP, dpi, "SET_WND DPI SET ERROR")) {
        delete window;
        return;
    }
    g_openAbout = window->GetHWND();
    window->ShowModal();
}

HWND CAboutWnd::OpenWindow() { return g_openAbout; }

void CAboutWnd::InitWindow() {
    const ProgramVersion version = BuiltVersion();
    char text[48];
    std::snprintf(text, sizeof text, "V%u.%u.%u", version.major, version.minor, version.patch);
    if (ui::CControlUI* label = m_pm.FindControl("about_version_text")) label->SetText(text);
}

void CAboutWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.sType == ui::DUI_MSGTYPE_CLICK && msg.pSender && msg.pSender->GetName() == "homepage_btn") {
        if (!ShellExecute("open", kHomePageAddress, {}, {}, 1)) DebugTrace("about: the home page cannot be opened");
        return;
    }
    WindowImplBase::Notify(msg);
}

LRESULT CAboutWnd::HandleCustomMessage(UINT message, WPARAM, LPARAM, bool& handled) {
    handled = message == WM_LANGUAGE_CHANGED;
    if (handled) m_pm.NeedUpdate();
    return 0;
}

void CAboutWnd::OnFinalMessage(HWND hwnd) {
    if (g_openAbout == hwnd) g_openAbout = nullptr;
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
