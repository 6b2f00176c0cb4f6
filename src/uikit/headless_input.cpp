#include "uikit/headless_input.h"

#include "platform/debug_trace.h"

namespace kx58::ui {

namespace {

std::uint32_t DecodeAt(const std::string& text, std::size_t i, std::size_t next) {
    const auto* b = reinterpret_cast<const unsigned char*>(text.data() + i);
    switch (next - i) {
        case 1: return b[0];
        case 2: return ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
        case 3: return ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
        default: return ((b[0] & 0x07u) << 18) | ((b[1] & 0x3Fu) << 12) | ((b[2] & 0x3Fu) << 6) | (b[3] & 0x3Fu);
    }
}

}  // namespace

HeadlessInput::HeadlessInput(WindowImplBase& window) : m_window(window) {}

WindowImplBase* HeadlessInput::Window() const {
    if (!m_hwnd) {
        m_hwnd = m_window.GetHWND();  // the window may be created after this object
        return &m_window;
    }
    return IsWindow(m_hwnd) ? &m_window : nullptr;
}

HeadlessWindow* HeadlessInput::Target() const {
    WindowImplBase* window = Window();
    return window ? dynamic_cast<HeadlessWindow*>(window->GetBackendWindow()) : nullptr;
}

void HeadlessInput::RunUntilIdle() {
    if (HeadlessBackend* backend = HeadlessBackend::Get()) backend->RunUntilIdle();
}

void HeadlessInput::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    HeadlessWindow* target = Target();
    if (!target) {
        DebugTrace("uikit: input injection needs an open window of the headless backend");
        return;
    }
    target->Deliver(message, wParam, lParam);
    RunUntilIdle();
}

void HeadlessInput::MouseMove(POINT pt, WPARAM buttons) { Send(WM_MOUSEMOVE, buttons, MakeLParam(pt.x, pt.y)); }

void HeadlessInput::MouseDown(POINT pt, bool right) {
    Send(right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, MakeLParam(pt.x, pt.y));
}

void HeadlessInput::MouseUp(POINT pt, bool right) {
    Send(right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MakeLParam(pt.x, pt.y));
}

void HeadlessInput::Click(POINT pt) {
    MouseMove(pt);
    MouseDown(pt);
    MouseUp(pt);
}

void HeadlessInput::DoubleClick(POINT pt) {
    Click(pt);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(pt.x, pt.y));
    MouseUp(pt);
}

void HeadlessInput::RightClick(POINT pt) {
    MouseMove(pt);
    MouseDown(pt, true);
    MouseUp(pt, true);
}

void HeadlessInput::Wheel(POINT pt, int delta) {
    MouseMove(pt);
    Send(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16, MakeLParam(pt.x, pt.y));
}

void HeadlessInput::Drag(POINT from, POINT to, int steps) {
    MouseMove(from);
    MouseDown(from);
    steps = std::max(1, steps);
    for (int i = 1; i <= steps; ++i) {
        MouseMove(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps}, MK_LBUTTON);
    }
    MouseUp(to);
}

void HeadlessInput::KeyDown(UINT virtualKey, std::uint16_t modifiers) {
    Send(WM_KEYDOWN, virtualKey, static_cast<LPARAM>(modifiers) << CPaintManagerUI::kModifierShift);
}

void HeadlessInput::KeyUp(UINT virtualKey, std::uint16_t modifiers) {
    Send(WM_KEYUP, virtualKey, static_cast<LPARAM>(modifiers) << CPaintManagerUI::kModifierShift);
}

void HeadlessInput::KeyPress(UINT virtualKey, std::uint16_t modifiers) {
    KeyDown(virtualKey, modifiers);
    KeyUp(virtualKey, modifiers);
}

void HeadlessInput::TypeText(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = Utf8NextBoundary(text, i);
        Send(WM_CHAR, DecodeAt(text, i, next), 0);
        i = next;
    }
}

bool HeadlessInput::CenterOf(const std::string& name, POINT& pt) const {
    WindowImplBase* window = Window();
    // The one the user sees: several pages of one window may carry a control of that name.
    CControlUI* root = window ? window->GetPaintManager().GetRoot() : nullptr;
    CControlUI* control = root ? root->FindControl([&](CControlUI* c) { return c->GetName() == name && c->IsVisible(); },
                                                   UIFIND_ALL)
                               : nullptr;
    if (!control) return false;
    const RECT& rc = control->GetPos();
    if (rc.IsEmpty()) return false;
    pt = POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    return true;
}

bool HeadlessInput::Click(const std::string& name) {
    POINT pt;
    if (!CenterOf(name, pt)) return false;
    Click(pt);
    return true;
}

bool HeadlessInput::DoubleClick(const std::string& name) {
    POINT pt;
    if (!CenterOf(name, pt)) return false;
    DoubleClick(pt);
    return true;
}

bool HeadlessInput::RightClick(const std::string& name) {
    POINT pt;
    if (!CenterOf(name, pt)) return false;
    RightClick(pt);
    return true;
}

bool HeadlessInput::MoveTo(const std::string& name) {
    POINT pt;
    if (!CenterOf(name, pt)) return false;
    MouseMove(pt);
    return true;
}

}  // namespace kx58::ui
