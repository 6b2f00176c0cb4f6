#include "ui/msg_wnd.h"

#include "ui/auxiliary_window.h"

namespace kx58 {
namespace {

constexpr DWORD kClipChildren = 0x02000000;

}  // namespace

CMsgWnd::CMsgWnd(std::string title, std::string text, bool textIsIdentifier, int buttons)
    : m_title(std::move(title)), m_text(std::move(text)), m_textIsIdentifier(textIsIdentifier), m_buttons(buttons) {}

int CMsgWnd::ShowMessage(ui::CWindowWnd& owner, const std::string& title, const std::string& text, int dpi,
                         bool textIsIdentifier, int buttons) {
    // Deleted by its final message, also when the owner goes while it is open.
    auto* box = new CMsgWnd(title, text, textIsIdentifier, buttons);
    if (!CreateAuxiliaryWindow(*box, owner, "msgwnd", ui::WS_POPUP | kClipChildren, dpi, "MSG_WND DPI SET ERROR")) {
        delete box;
        return 0;
    }
    return box->ShowModal() == ui::IDOK ? 1 : 0;
}

void CMsgWnd::InitWindow() {
    if (ui::CControlUI* title = m_pm.FindControl("MessageTitle"); title && !m_title.empty()) title->SetText(m_title);
    if (ui::CControlUI* text = m_pm.FindControl("MessageText"); text && !m_text.empty()) {
        // Labels show the language text of an identifier at display time; a text that is
        // none is shown as it is.
        text->SetText(m_text);
    }
    if (ui::CControlUI* cancel = m_pm.FindControl("cancel_btn")) cancel->SetVisible(m_buttons == kMessageButtonsConfirmCancel);
}

void CMsgWnd::Notify(ui::TNotifyUI& msg) {
    if (msg.sType == ui::DUI_MSGTYPE_CLICK && msg.pSender) {
        const std::string& name = msg.pSender->GetName();
        if (name == "confirm_btn") return Close(ui::IDOK);
        if (name == "cancel_btn" || name == "closebtn") return Close(ui::IDCANCEL);
    }
    WindowImplBase::Notify(msg);
}

void CMsgWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
