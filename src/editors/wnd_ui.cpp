#include "editors/wnd_ui.h"

#include "platform/message_queue.h"
#include "uikit/paint_manager.h"

namespace kx58 {

CWndUI::~CWndUI() { Follow(nullptr); }

void* CWndUI::GetInterface(std::string_view name) {
    if (name == "Wnd") return this;
    return CControlUI::GetInterface(name);
}

void CWndUI::Attach(ui::CWindowWnd* window) {
    attached_ = window;
    attachedHwnd_ = window ? window->GetHWND() : nullptr;
    Follow(window ? m_pManager : nullptr);
    Place();
}

ui::CWindowWnd* CWndUI::Detach() {
    ui::CWindowWnd* window = GetAttached();
    attached_ = nullptr;
    attachedHwnd_ = nullptr;
    Follow(nullptr);
    return window;
}

ui::CWindowWnd* CWndUI::GetAttached() const {
    return attached_ && attachedHwnd_ && IsWindow(attachedHwnd_) ? attached_ : nullptr;
}

void CWndUI::Follow(ui::CPaintManagerUI* manager) {
    if (manager == followed_) return;
    if (followed_) followed_->RemoveMessageFilter(this);
    followed_ = manager;
    if (followed_) followed_->AddMessageFilter(this);
}

bool CWndUI::HostShown() const {
    const ui::IBackendWindow* host = m_pManager ? m_pManager->GetBackendWindow() : nullptr;
    return host && host->IsVisible() && !host->IsMinimized();
}

ui::RECT CWndUI::ScreenRect() const {
    if (!HostShown() || m_rcItem.IsEmpty()) return {};
    const ui::RECT host = m_pManager->GetBackendWindow()->GetRect();
    return ui::OffsetRectBy(m_rcItem, host.left, host.top);
}

void CWndUI::Place() {
    ui::CWindowWnd* window = GetAttached();
    if (!window) {
        Detach();  // nothing, or a window that is gone
        return;
    }
    const ui::RECT target = ScreenRect();
    if (!IsVisible() || target.IsEmpty()) {
        if (window->IsWindowVisible()) window->ShowWindow(false, false);
        return;
    }
    ui::IBackendWindow* backend = window->GetBackendWindow();
    if (!backend) return;
    const ui::RECT now = backend->GetRect();
    if (now.left != target.left || now.top != target.top) window->MoveWindow(target.left, target.top);
    if (now.Width() != target.Width() || now.Height() != target.Height())
        window->ResizeClient(target.Width(), target.Height());
    // Shown without the focus: the page keeps the keys.
    if (!window->IsWindowVisible()) window->ShowWindow(true, false);
}

LRESULT CWndUI::MessageHandler(ui::UINT message, ui::WPARAM, ui::LPARAM, bool& handled) {
    handled = false;
    if (message == ui::WM_MOVE || message == WM_SHOWWINDOW) Place();
    return 0;
}

void CWndUI::SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent, bool init) {
    CControlUI::SetManager(manager, parent, init);
    Follow(GetAttached() ? manager : nullptr);
    Place();
}

void CWndUI::SetPos(ui::RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    Place();
}

void CWndUI::Move(ui::SIZE offset, bool needInvalidate) {
    CControlUI::Move(offset, needInvalidate);
    Place();
}

void CWndUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    Place();
}

void CWndUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    Place();
}

}  // namespace kx58
