#include "message_window.h"

#include "platform/message_queue.h"
#include "uikit/window_placement.h"

namespace gallery {

using namespace kx58::ui;

kx58::UINT MessageWnd::Ask(CWindowWnd& owner, const std::string& title, const std::string& text) {
    auto* box = new MessageWnd(title, text);
    if (!box->Create(owner.GetHWND(), "message", WS_POPUP, WS_EX_TOOLWINDOW)) {
        delete box;
        return IDCANCEL;
    }
    CenterOnOwner(*box, owner);
    const kx58::HWND hwnd = box->GetHWND();
    const kx58::UINT answer = box->ShowModal();  // the box deletes itself when it closes
    // A quit ends the loop with the box still open; it goes with the program.
    if (kx58::IsWindow(hwnd)) box->Destroy();
    return answer;
}

void MessageWnd::InitWindow() {
    if (CControlUI* title = m_pm.FindControl("msg_title")) title->SetText(m_title);
    if (CControlUI* text = m_pm.FindControl("msg_text")) text->SetText(m_text);
}

void MessageWnd::OnClick(TNotifyUI& msg) {
    const std::string& name = msg.pSender->GetName();
    if (name == "msg_ok") Close(IDOK);
    else if (name == "msg_cancel") Close(IDCANCEL);
}

kx58::LRESULT MessageWnd::HandleCustomMessage(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM, bool& handled) {
    handled = false;
    if (message == kx58::WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_RETURN)) {
        Close(wParam == VK_RETURN ? IDOK : IDCANCEL);
        handled = true;
    }
    return 0;
}

void MessageWnd::OnFinalMessage(kx58::HWND) { delete this; }

}  // namespace gallery
