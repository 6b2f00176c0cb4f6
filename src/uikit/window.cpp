#include "uikit/window.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "uikit/button.h"
#include "uikit/resource_manager.h"

namespace kx58::ui {

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
    // The derived parts are gone; release what shows the window without calling them.
    m_backend.reset();
    m_messageWindow.reset();
    if (m_modal) m_modal->done = true;
}

bool CWindowWnd::Create(HWND parent, const std::string& name, DWORD style, DWORD exStyle, const RECT& rc) {
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.Width(), rc.Height());
}

bool CWindowWnd::Create(HWND parent, const std::string& name, DWORD style, DWORD exStyle, int x,
                        int y, int cx, int cy) {
    if (m_hwnd) return false;
    m_owner = parent;
    m_destroying = false;
    m_messageWindow = std::make_unique<MessageWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return HandleMessage(message, wParam, lParam); });
    m_hwnd = m_messageWindow->Hwnd();
    WindowCreateParams params;
    params.title = name;
    params.className = GetWindowClassName();
    params.rect = RECT{x, y, x + std::max(cx, 1), y + std::max(cy, 1)};
    params.popup = (exStyle & WS_EX_NOACTIVATE) != 0;
    params.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    params.topmost = (exStyle & WS_EX_TOPMOST) != 0;
    params.owner = parent;
    m_backend = CurrentBackend().CreateBackendWindow(this, params);
    if (!m_backend) {
        DebugTraceF("uikit: the %s backend could not create window %s", CurrentBackend().Name().c_str(),
                    name.c_str());
        m_messageWindow.reset();
        m_hwnd = nullptr;
        return false;
    }
    HandleMessage(WM_CREATE, 0, 0);
    if (!m_hwnd) return false;  // destroyed while being created
    if (style & WS_VISIBLE) ShowWindow(true);
    return true;
}

void CWindowWnd::Destroy() {
    if (!m_hwnd || m_destroying) return;
    m_destroying = true;
    const HWND hwnd = m_hwnd;
    HandleMessage(WM_DESTROY, 0, 0);
    OnWindowGoing();
    m_backend.reset();
    m_messageWindow.reset();
    m_hwnd = nullptr;
    OnWindowGone();
    if (m_modal) {
        m_modal->result = m_closeResult;
        m_modal->done = true;
        m_modal.reset();
    }
    OnFinalMessage(hwnd);
}

void CWindowWnd::OnFinalMessage(HWND /*hwnd*/) {}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!m_backend) return;
    m_backend->Show(show, takeFocus);
}

UINT CWindowWnd::ShowModal() {
    if (!m_hwnd) return IDCANCEL;
    auto state = std::make_shared<ModalState>();
    m_modal = state;
    ShowWindow(true);
    // The object may be gone when the loop ends (OnFinalMessage deletes it); only `state` is used.
    CurrentBackend().RunModalLoop([state] { return state->done; });
    return state->done ? state->result : IDCANCEL;
}

void CWindowWnd::Close(UINT result) {
    if (!m_hwnd) return;
    m_closeResult = result;
    kx58::PostMessage(m_hwnd, WM_CLOSE, result, 0);
}

void CWindowWnd::CenterWindow() {
    if (!m_backend) return;
    RECT area = m_backend->GetMonitorRect();
    const RECT rc = m_backend->GetRect();
    const int x = area.left + (area.Width() - rc.Width()) / 2;
    const int y = area.top + (area.Height() - rc.Height()) / 2;
    m_backend->Move(std::max(area.left, x), std::max(area.top, y));
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!m_backend) return;
    const SIZE client = m_backend->GetClientSize();
    m_backend->Resize(cx < 0 ? client.cx : cx, cy < 0 ? client.cy : cy);
}

void CWindowWnd::MoveWindow(int x, int y) {
    if (m_backend) m_backend->Move(x, y);
}

void CWindowWnd::Minimize() {
    if (m_backend) m_backend->Minimize();
}

void CWindowWnd::Restore() {
    if (!m_backend) return;
    m_backend->Restore();
    m_backend->Show(true, true);
}

bool CWindowWnd::IsWindowVisible() const { return m_backend && m_backend->IsVisible(); }
bool CWindowWnd::IsMinimized() const { return m_backend && m_backend->IsMinimized(); }

void CWindowWnd::SetTopmost(bool topmost) {
    if (m_backend) m_backend->SetTopmost(topmost);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hwnd ? kx58::SendMessage(m_hwnd, message, wParam, lParam) : 0;
}

bool CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_hwnd && kx58::PostMessage(m_hwnd, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_CLOSE:
            Destroy();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_RESTORE) Restore();
            else if ((wParam & 0xFFF0) == SC_MINIMIZE) Minimize();
            else if ((wParam & 0xFFF0) == SC_CLOSE) Close(IDCANCEL);
            return 0;
        default:
            return 0;
    }
}

LRESULT CWindowWnd::OnBackendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hwnd) return 0;
    return HandleMessage(message, wParam, lParam);
}

void CWindowWnd::OnBackendPaint(cairo_t* /*cr*/, const RECT& /*dirty*/) {}

bool CWindowWnd::IsCaptionPoint(POINT /*pt*/) { return false; }

void CNotifyPump::BindNotify(const std::string& type, const std::string& controlName, Handler handler) {
    m_handlers[{type, controlName}] = std::move(handler);
}

void CNotifyPump::UnbindNotify(const std::string& type, const std::string& controlName) {
    m_handlers.erase({type, controlName});
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
    const std::string name = msg.pSender ? msg.pSender->GetName() : std::string();
    bool ran = false;
    for (const std::string& key : {name, std::string()}) {
        auto it = m_handlers.find({msg.sType, key});
        if (it == m_handlers.end()) continue;
        Handler handler = it->second;  // the handler may unbind itself
        handler(msg);
        ran = true;
        if (key.empty()) break;
    }
    return ran;
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() = default;

void WindowImplBase::Notify(TNotifyUI& msg) {
    NotifyPump(msg);
    if (msg.sType == DUI_MSGTYPE_CLICK) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    if (!msg.pSender) return;
    const std::string& name = msg.pSender->GetName();
    if (name == "closebtn") Close(IDOK);
    else if (name == "minbtn") Minimize();
    else if (name == "restorebtn" || name == "maxbtn") Restore();
}

CControlUI* WindowImplBase::CreateControl(const std::string& /*className*/) { return nullptr; }

LRESULT WindowImplBase::MessageHandler(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& handled) {
    // Escape closes dialogs only when a window asks for it; the default lets keys through.
    (void)message;
    (void)wParam;
    handled = false;
    return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
    handled = true;
    m_pm.Init(GetHWND(), GetBackendWindow());
    if (IBackendWindow* window = GetBackendWindow()) m_pm.SetDPI(window->GetMonitorDpi());
    CDialogBuilder builder;
    std::string skin = GetSkinFile();
    if (!GetSkinFolder().empty() && CResourceManager::GetInstance()->GetXmlPath(skin).empty() &&
        !skin.empty() && skin.front() != '<') {
        skin = GetSkinFolder() + "/" + skin;
    }
    CControlUI* root = builder.Create(skin, {}, this, &m_pm);
    if (!root) {
        DebugTraceF("uikit: window %s has no controls (skin %s)", GetWindowClassName().c_str(), skin.c_str());
        root = new CControlUI();
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    m_pm.AddMessageFilter(this);
    const SIZE init = m_pm.GetInitSize();
    if (init.cx > 0 && init.cy > 0) ResizeClient(m_pm.Scale(init.cx), m_pm.Scale(init.cy));
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;  // the base destroys the window
    return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    m_pm.RemoveAllTimers();
    return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;  // the paint manager lays the window out again
    return 0;
}

LRESULT WindowImplBase::OnTimer(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    LRESULT result = 0;
    switch (message) {
        case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
        case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
        case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
        case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
        case WM_DPICHANGED:
            m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
            break;
        case WM_TIMER:
            // Control timers belong to the controls; the window sees only its own.
            if (wParam >= CPaintManagerUI::kControlTimerBase) {
                m_pm.MessageHandler(message, wParam, lParam, result);
                return result;
            }
            result = OnTimer(message, wParam, lParam, handled);
            break;
        default: break;
    }
    if (handled) return result;
    result = HandleCustomMessage(message, wParam, lParam, handled);
    if (handled) return result;
    if (m_pm.MessageHandler(message, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void WindowImplBase::OnWindowGoing() { m_pm.ClosePopup(); }

void WindowImplBase::OnWindowGone() {
    m_pm.RemoveAllTimers();
    m_pm.ClosePopup();
    m_pm.Init(nullptr, nullptr);
}

void WindowImplBase::OnBackendPaint(cairo_t* cr, const RECT& dirty) { m_pm.Paint(cr, dirty); }

bool WindowImplBase::IsCaptionPoint(POINT pt) {
    const RECT caption = m_pm.GetCaptionClientRect();
    if (!caption.Contains(pt)) return false;
    // Controls that act on the mouse keep it; labels and layouts in the caption drag.
    CControlUI* hit = m_pm.FindControl(pt);
    static const char* const kInteractive[] = {"Button", "Option", "Edit", "Combo", "List",
                                               "Slider", "ScrollBar", "ColorPalette", "ListItem"};
    for (const char* kind : kInteractive)
        if (hit && hit->GetInterface(kind)) return false;
    return true;
}

}  // namespace kx58::ui
