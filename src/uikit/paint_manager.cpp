#include "uikit/paint_manager.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "uikit/resource_manager.h"
#include "uikit/window_backend.h"

namespace kx58::ui {

namespace {

std::vector<CPaintManagerUI*>& ThreadManagers() {
    thread_local std::vector<CPaintManagerUI*> managers;
    return managers;
}

// <Default> and <Style> lists marked shared, visible to every manager of the process.
struct SharedAttributes {
    std::mutex mutex;
    std::map<std::string, std::string> defaults;
    std::map<std::string, std::string> styles;
};

SharedAttributes& Shared() {
    static SharedAttributes shared;
    return shared;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() { ThreadManagers().push_back(this); }

CPaintManagerUI::~CPaintManagerUI() {
    RemoveAllTimers();
    if (m_popupClose) m_popupClose = nullptr;
    m_popup = nullptr;
    m_root.reset();
    FlushDelayedCleanup();
    auto& managers = ThreadManagers();
    managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
}

void CPaintManagerUI::SetResourcePath(const std::string& path) {
    CResourceManager::GetInstance()->SetResourcePath(path);
}

std::string CPaintManagerUI::GetResourcePath() { return CResourceManager::GetInstance()->GetResourcePath(); }

std::string CPaintManagerUI::GetInstancePath() { return Folders::Program(); }

int CPaintManagerUI::MessageLoop() { return CurrentBackend().RunLoop(); }

std::vector<CPaintManagerUI*> CPaintManagerUI::AllManagers() { return ThreadManagers(); }

void CPaintManagerUI::SetAllDPI(int dpi) {
    for (CPaintManagerUI* manager : ThreadManagers()) manager->SetDPI(dpi);
}

void CPaintManagerUI::Init(HWND hwnd, IBackendWindow* window) {
    m_hwnd = hwnd;
    m_window = window;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) return false;
    SetFocus(nullptr);
    m_hot = m_pressed = nullptr;
    m_root.reset(root);
    root->SetManager(this, nullptr, true);
    m_needUpdate = true;
    Invalidate();
    // "windowinit" goes out once the loop runs, after the window's own set-up is done.
    if (!m_windowInitSent && m_hwnd) {
        m_windowInitSent = true;
        PostMessage(m_hwnd, kMsgWindowInit, 0, 0);
    }
    return true;
}

CControlUI* CPaintManagerUI::FindControl(const std::string& name) const {
    if (!m_root || name.empty()) return nullptr;
    return m_root->FindControl([&name](CControlUI* c) { return c->GetName() == name; }, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const { return MouseTarget(pt); }

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const std::string& name) const {
    if (!parent || name.empty()) return nullptr;
    return parent->FindControl([&name](CControlUI* c) { return c->GetName() == name; }, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::MouseTarget(POINT pt) const {
    if (m_popup) {
        if (CControlUI* hit = m_popup->FindControlAt(pt)) return hit;
    }
    return m_root ? m_root->FindControlAt(pt) : nullptr;
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (!control) return;
    auto reapOne = [this](CControlUI* c) {
        if (m_focus == c) m_focus = nullptr;
        if (m_hot == c) m_hot = nullptr;
        if (m_pressed == c) m_pressed = nullptr;
        if (m_popup == c) { m_popup = nullptr; m_popupClose = nullptr; }
        KillTimer(c);
        for (auto& [name, members] : m_optionGroups)
            members.erase(std::remove(members.begin(), members.end(), c), members.end());
        for (TNotifyUI& msg : m_asyncNotify)
            if (msg.pSender == c) msg.pSender = nullptr;
        return false;
    };
    control->FindControl(reapOne, UIFIND_ALL);
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (control) m_delayedCleanup.push_back(control);
    if (m_messageDepth == 0 && m_hwnd) PostMessage(m_hwnd, WM_NULL, 0, 0);
}

void CPaintManagerUI::FlushDelayedCleanup() {
    while (!m_delayedCleanup.empty()) {
        std::vector<CControlUI*> batch;
        batch.swap(m_delayedCleanup);
        for (CControlUI* control : batch) delete control;
    }
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (!notifier || std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
        return false;
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (it == m_notifiers.end()) return false;
    m_notifiers.erase(it);
    return true;
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (!filter || std::find(m_filters.begin(), m_filters.end(), filter) != m_filters.end()) return false;
    m_filters.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    auto it = std::find(m_filters.begin(), m_filters.end(), filter);
    if (it == m_filters.end()) return false;
    m_filters.erase(it);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
    msg.ptMouse = m_lastMouse;
    msg.dwTimestamp = TickCount();
    if (async) {
        m_asyncNotify.push_back(msg);
        if (!m_asyncPosted && m_hwnd) {
            m_asyncPosted = true;
            PostMessage(m_hwnd, kMsgAsyncNotify, 0, 0);
        }
        return;
    }
    // A notifier may remove itself (or others) while being told; walk a copy.
    const std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* notifier : notifiers) {
        if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
            notifier->Notify(msg);
    }
}

void CPaintManagerUI::SendNotify(CControlUI* control, const std::string& type, WPARAM wParam,
                                 LPARAM lParam, bool async) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::FlushAsyncNotify() {
    m_asyncPosted = false;
    while (!m_asyncNotify.empty()) {
        TNotifyUI msg = m_asyncNotify.front();
        m_asyncNotify.pop_front();
        if (!msg.pSender) continue;  // its control went away meanwhile
        const std::vector<INotifyUI*> notifiers = m_notifiers;
        for (INotifyUI* notifier : notifiers) notifier->Notify(msg);
    }
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
    if (!control || !m_hwnd) return false;
    for (TimerInfo& timer : m_timers) {
        if (timer.control == control && timer.localId == id)
            return kx58::SetTimer(m_hwnd, timer.windowId, elapseMs);
    }
    const UINT windowId = kControlTimerBase + (m_nextTimerId++ % 0xFFFF);
    if (!kx58::SetTimer(m_hwnd, windowId, elapseMs)) return false;
    m_timers.push_back(TimerInfo{control, id, windowId});
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->control == control && it->localId == id) {
            if (m_hwnd) kx58::KillTimer(m_hwnd, it->windowId);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->control == control) {
            if (m_hwnd) kx58::KillTimer(m_hwnd, it->windowId);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    for (const TimerInfo& timer : m_timers)
        if (m_hwnd) kx58::KillTimer(m_hwnd, timer.windowId);
    m_timers.clear();
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == m_focus) return;
    CControlUI* old = m_focus;
    m_focus = control;
    if (old) {
        TEventUI event;
        event.Type = UIEVENT_KILLFOCUS;
        event.pSender = control;
        event.dwTimestamp = TickCount();
        old->Event(event);
    }
    if (control && m_focus == control) {
        TEventUI event;
        event.Type = UIEVENT_SETFOCUS;
        event.pSender = old;
        event.dwTimestamp = TickCount();
        control->Event(event);
    }
}

void CPaintManagerUI::SetCapture() {
    m_captured = true;
    if (m_window) m_window->SetCapture(true);
}

void CPaintManagerUI::ReleaseCapture() {
    m_captured = false;
    if (m_window) m_window->SetCapture(false);
}

void CPaintManagerUI::AddOptionGroup(const std::string& group, CControlUI* option) {
    auto& members = m_optionGroups[group];
    if (std::find(members.begin(), members.end(), option) == members.end()) members.push_back(option);
}

std::vector<CControlUI*> CPaintManagerUI::GetOptionGroup(const std::string& group) const {
    auto it = m_optionGroups.find(group);
    return it == m_optionGroups.end() ? std::vector<CControlUI*>() : it->second;
}

void CPaintManagerUI::RemoveOptionGroup(const std::string& group, CControlUI* option) {
    auto it = m_optionGroups.find(group);
    if (it == m_optionGroups.end()) return;
    auto& members = it->second;
    members.erase(std::remove(members.begin(), members.end(), option), members.end());
    if (members.empty()) m_optionGroups.erase(it);
}

SIZE CPaintManagerUI::GetClientSize() const {
    if (m_window) return m_window->GetClientSize();
    return SIZE{Scale(m_initSize.cx), Scale(m_initSize.cy)};
}

RECT CPaintManagerUI::GetCaptionClientRect() const {
    const SIZE client = GetClientSize();
    if (m_caption.bottom <= 0) return RECT{};
    return RECT{Scale(m_caption.left), Scale(m_caption.top), client.cx - Scale(m_caption.right),
                Scale(m_caption.bottom)};
}

void CPaintManagerUI::Invalidate() {
    const SIZE client = GetClientSize();
    Invalidate(RECT{0, 0, client.cx, client.cy});
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
    if (!m_window || rc.IsEmpty()) return;
    const SIZE client = m_window->GetClientSize();
    const RECT clipped = IntersectRects(rc, RECT{0, 0, client.cx, client.cy});
    if (!clipped.IsEmpty()) m_window->Invalidate(clipped);
}

void CPaintManagerUI::UpdateLayout() {
    LayOut();
    if (m_root) Invalidate();
}

void CPaintManagerUI::LayOut() {
    m_needUpdate = false;
    if (!m_root) return;
    const SIZE client = GetClientSize();
    m_layoutRect = RECT{0, 0, client.cx, client.cy};
    m_root->SetPos(m_layoutRect, false);
}

namespace {

// Joins two parts when their union paints little more than they do.
constexpr double kJoinSlack = 1.5;
// More pieces than this are a change spread wide: one paint of their bounds serves.
constexpr int kMostParts = 64;

long Area(const RECT& r) { return static_cast<long>(r.Width()) * r.Height(); }

RECT Union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// The clip's rectangles within `dirty`, joined while a union costs little, and never
// overlapping; empty when the clip is a single rectangle (or cannot be listed).
std::vector<RECT> DirtyParts(cairo_t* cr, const RECT& dirty) {
    std::vector<RECT> parts;
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
    if (list->status == CAIRO_STATUS_SUCCESS && list->num_rectangles > 1 && list->num_rectangles <= kMostParts) {
        for (int i = 0; i < list->num_rectangles; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            const RECT rect = IntersectRects(RECT{static_cast<int>(std::floor(r.x)), static_cast<int>(std::floor(r.y)),
                                                  static_cast<int>(std::ceil(r.x + r.width)),
                                                  static_cast<int>(std::ceil(r.y + r.height))},
                                             dirty);
            if (!rect.IsEmpty()) parts.push_back(rect);
        }
    }
    cairo_rectangle_list_destroy(list);
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < parts.size() && !joined; ++i) {
            for (std::size_t j = i + 1; j < parts.size() && !joined; ++j) {
                // Parts that meet are always joined: no pixel may be painted twice (a
                // window with translucent pixels would darken).
                const RECT both = Union(parts[i], parts[j]);
                const bool meet = !IntersectRects(parts[i], parts[j]).IsEmpty();
                if (!meet && Area(both) > kJoinSlack * (Area(parts[i]) + Area(parts[j]))) continue;
                parts[i] = both;
                parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(j));
                joined = true;
            }
        }
    }
    return parts;
}

}  // namespace

void CPaintManagerUI::Paint(cairo_t* cr, const RECT& dirty) {
    if (m_needUpdate) {
        // Laid out for a paint of the whole window, it need not be painted a second time.
        const SIZE client = GetClientSize();
        const bool whole = dirty.left <= 0 && dirty.top <= 0 && dirty.right >= client.cx && dirty.bottom >= client.cy;
        LayOut();
        if (!whole) Invalidate();
    }
    if (!m_root || dirty.IsEmpty()) return;
    static std::atomic<bool> painted{false};
    if (!painted.exchange(true)) DebugTraceF("uikit: first paint, %lld ms after the start", static_cast<long long>(ProcessUptimeMs()));
    // A few small changes far apart (LEDs round a picture, a status line) would otherwise
    // repaint everything within their bounding box; the clip's bands of one change are joined
    // again, so each change is painted once.
    std::vector<RECT> parts = DirtyParts(cr, dirty);
    if (parts.empty()) parts.push_back(dirty);
    for (const RECT& part : parts) PaintPart(cr, part);
}

void CPaintManagerUI::PaintPart(cairo_t* cr, const RECT& part) {
    if (part.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, part.left, part.top, part.Width(), part.Height());
    cairo_clip(cr);
    m_root->DoPaint(cr, part);
    if (m_popup) m_popup->DoPaint(cr, part);
    cairo_restore(cr);
}

void CPaintManagerUI::SetPopup(CControlUI* popup, std::function<void()> onClose) {
    if (m_popup && m_popup != popup) Invalidate(m_popup->GetPos());
    m_popup = popup;
    m_popupClose = std::move(onClose);
    if (popup) Invalidate(popup->GetPos());
}

void CPaintManagerUI::ClosePopup() {
    if (!m_popup) return;
    auto close = std::move(m_popupClose);
    m_popupClose = nullptr;
    if (close) close();
    else m_popup = nullptr;
}

void CPaintManagerUI::SetDPI(int dpi) {
    if (dpi < 48 || dpi > 480 || dpi == m_dpi) return;
    const int old = m_dpi;
    m_dpi = dpi;
    if (m_window) {
        const SIZE client = m_window->GetClientSize();
        m_window->Resize(client.cx * dpi / old, client.cy * dpi / old);
    }
    ResetDPIAssets();
}

void CPaintManagerUI::ResetDPIAssets() {
    ClosePopup();
    NeedUpdate();
}

void CPaintManagerUI::AddFont(int id, const std::string& face, int size, bool bold, bool underline,
                              bool italic, bool shared) {
    FontInfo font{face.empty() ? FontInfo().face : face, size > 0 ? std::min(size, kMaxFontSize) : 14, bold,
                  underline, italic};
    if (shared) fonts::AddShared(id, font);
    else m_fonts[id] = font;
    Invalidate();
}

void CPaintManagerUI::SetDefaultFont(const std::string& face, int size, bool bold, bool underline,
                                     bool italic, bool shared) {
    FontInfo font{face.empty() ? FontInfo().face : face, size > 0 ? std::min(size, kMaxFontSize) : 14, bold,
                  underline, italic};
    if (shared) {
        fonts::SetSharedDefault(font);
    } else {
        m_defaultFont = font;
        m_hasDefaultFont = true;
    }
    Invalidate();
}

FontInfo CPaintManagerUI::GetFont(int id) const {
    if (id >= 0) {
        auto it = m_fonts.find(id);
        if (it != m_fonts.end()) return it->second;
        FontInfo shared;
        if (fonts::FindShared(id, shared)) return shared;
    }
    if (m_hasDefaultFont) return m_defaultFont;
    FontInfo shared;
    if (fonts::GetSharedDefault(shared)) return shared;
    return FontInfo();
}

bool CPaintManagerUI::HasFont(int id) const {
    FontInfo unused;
    return m_fonts.count(id) > 0 || fonts::FindShared(id, unused);
}

void CPaintManagerUI::RemoveAllFonts() {
    m_fonts.clear();
    m_hasDefaultFont = false;
    Invalidate();
}

void CPaintManagerUI::RemoveAllSharedFonts() { fonts::RemoveAllShared(); }

void CPaintManagerUI::AddDefaultAttributeList(const std::string& className, const std::string& list,
                                              bool shared) {
    if (shared) {
        std::lock_guard lock(Shared().mutex);
        Shared().defaults[className] = list;
    } else {
        m_defaultAttributes[className] = list;
    }
}

std::string CPaintManagerUI::GetDefaultAttributeList(const std::string& className) const {
    auto it = m_defaultAttributes.find(className);
    if (it != m_defaultAttributes.end()) return it->second;
    std::lock_guard lock(Shared().mutex);
    auto shared = Shared().defaults.find(className);
    return shared == Shared().defaults.end() ? std::string() : shared->second;
}

void CPaintManagerUI::AddStyle(const std::string& name, const std::string& list, bool shared) {
    if (shared) {
        std::lock_guard lock(Shared().mutex);
        Shared().styles[name] = list;
    } else {
        m_styles[name] = list;
    }
}

std::string CPaintManagerUI::GetStyle(const std::string& name) const {
    auto it = m_styles.find(name);
    if (it != m_styles.end()) return it->second;
    std::lock_guard lock(Shared().mutex);
    auto shared = Shared().styles.find(name);
    return shared == Shared().styles.end() ? std::string() : shared->second;
}

void CPaintManagerUI::ReloadText() { NeedUpdate(); }

void CPaintManagerUI::SendEvent(CControlUI* control, int type, POINT pt, WPARAM keyState,
                                WPARAM wParam, UINT key) {
    if (!control) return;
    TEventUI event;
    event.Type = type;
    event.pSender = control;
    event.dwTimestamp = TickCount();
    event.ptMouse = pt;
    event.wKeyState = static_cast<std::uint16_t>(keyState);
    event.wParam = wParam;
    event.chKey = key;
    control->Event(event);
}

void CPaintManagerUI::SetHot(CControlUI* control, POINT pt, WPARAM keyState) {
    if (control == m_hot) return;
    CControlUI* old = m_hot;
    m_hot = control;
    if (old) SendEvent(old, UIEVENT_MOUSELEAVE, pt, keyState);
    if (control && m_hot == control) {
        SendEvent(control, UIEVENT_MOUSEENTER, pt, keyState);
        if (m_window) m_window->SetToolTip(control->GetToolTip(), control->GetPos());
    } else if (m_window) {
        m_window->SetToolTip(std::string(), RECT{});
    }
}

void CPaintManagerUI::DispatchMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GetXLParam(lParam), GetYLParam(lParam)};
    if (message != WM_MOUSEWHEEL) m_lastMouse = pt;
    CControlUI* hit = MouseTarget(pt);
    switch (message) {
        case WM_MOUSEMOVE:
            if (!m_pressed) {
                SetHot(hit, pt, wParam);
                if (hit) SendEvent(hit, UIEVENT_SETCURSOR, pt, wParam);
            }
            if (CControlUI* target = m_pressed ? m_pressed : hit)
                SendEvent(target, UIEVENT_MOUSEMOVE, pt, wParam);
            return;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (m_popup && (!hit || !m_popup->GetPos().Contains(pt))) {
                ClosePopup();
                hit = MouseTarget(pt);
            }
            SetHot(hit, pt, wParam);
            if (!hit) return;
            m_pressed = hit;
            SetCapture();
            const bool inPopup = m_popup && m_popup->GetPos().Contains(pt);
            if (hit->IsEnabled() && hit->IsFocusable()) SetFocus(hit);
            else if (m_focus && m_focus != hit && hit->IsEnabled() && !inPopup) SetFocus(nullptr);
            if (m_pressed) SendEvent(m_pressed, message == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, pt, wParam);
            return;
        }
        case WM_LBUTTONUP: {
            CControlUI* target = m_pressed ? m_pressed : hit;
            m_pressed = nullptr;
            ReleaseCapture();
            SendEvent(target, UIEVENT_BUTTONUP, pt, wParam);
            // The pointer may now be over another control.
            SetHot(MouseTarget(pt), pt, wParam);
            return;
        }
        case WM_RBUTTONDOWN:
            if (m_popup && (!hit || !m_popup->GetPos().Contains(pt))) {
                ClosePopup();
                hit = MouseTarget(pt);
            }
            SendEvent(hit, UIEVENT_RBUTTONDOWN, pt, wParam);
            return;
        case WM_RBUTTONUP:
            SendEvent(hit, UIEVENT_RBUTTONUP, pt, wParam);
            SendEvent(MouseTarget(pt), UIEVENT_CONTEXTMENU, pt, wParam);
            return;
        case WM_MOUSEWHEEL: {
            const int delta = static_cast<std::int16_t>((wParam >> 16) & 0xFFFF);
            SendEvent(MouseTarget(m_lastMouse), UIEVENT_SCROLLWHEEL, m_lastMouse, wParam & 0xFFFF,
                      delta > 0 ? 0 : 1);
            return;
        }
        case WM_MOUSELEAVE:
            if (!m_pressed) SetHot(nullptr, pt, wParam);
            return;
        default:
            return;
    }
}

void CPaintManagerUI::MoveFocus(bool forward) {
    if (!m_root) return;
    std::vector<CControlUI*> order;
    m_root->FindControl([&order](CControlUI* c) {
        if (c->IsFocusable() && c->IsKeyboardEnabled()) order.push_back(c);
        return false;
    }, UIFIND_VISIBLE | UIFIND_ENABLED);
    if (order.empty()) return;
    auto it = std::find(order.begin(), order.end(), m_focus);
    std::size_t index = 0;
    if (it != order.end()) {
        const std::size_t at = static_cast<std::size_t>(it - order.begin());
        index = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
    }
    SetFocus(order[index]);
}

bool CPaintManagerUI::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(m_filters)) {
        bool handled = false;
        const LRESULT answer = filter->MessageHandler(message, wParam, lParam, handled);
        if (handled) {
            result = answer;
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    struct DepthGuard {
        CPaintManagerUI* self;
        explicit DepthGuard(CPaintManagerUI* s) : self(s) { ++self->m_messageDepth; }
        ~DepthGuard() {
            if (--self->m_messageDepth == 0) self->FlushDelayedCleanup();
        }
    } guard(this);
    result = 0;
    if (PreMessageHandler(message, wParam, lParam, result)) return true;
    const std::uint16_t modifiers = static_cast<std::uint16_t>((lParam >> kModifierShift) & 0x7);
    switch (message) {
        case kMsgWindowInit:
            if (m_needUpdate) UpdateLayout();
            m_windowInitDone = true;
            SendNotify(m_root.get(), DUI_MSGTYPE_WINDOWINIT);
            return true;
        case kMsgAsyncNotify:
            FlushAsyncNotify();
            return true;
        case WM_TIMER:
            for (const TimerInfo& timer : m_timers) {
                if (timer.windowId == wParam) {
                    TEventUI event;
                    event.Type = UIEVENT_TIMER;
                    event.pSender = timer.control;
                    event.dwTimestamp = TickCount();
                    event.wParam = timer.localId;
                    event.ptMouse = m_lastMouse;
                    timer.control->Event(event);
                    return true;
                }
            }
            return false;
        case WM_SIZE:
            NeedUpdate();
            if (m_root && m_windowInitDone) SendNotify(m_root.get(), DUI_MSGTYPE_WINDOWSIZE);
            return false;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_MOUSELEAVE:
            DispatchMouse(message, wParam, lParam);
            return true;
        case WM_CONTEXTMENU:
            if (m_focus) SendEvent(m_focus, UIEVENT_CONTEXTMENU, m_lastMouse, 0);
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (wParam == VK_TAB && !(modifiers & MODIFIER_CONTROL)) {
                MoveFocus(!(modifiers & MODIFIER_SHIFT));
                return true;
            }
            if (wParam == VK_ESCAPE && m_popup) {
                ClosePopup();
                return true;
            }
            if (m_focus) SendEvent(m_focus, UIEVENT_KEYDOWN, m_lastMouse, modifiers, 0, static_cast<UINT>(wParam));
            return m_focus != nullptr;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (m_focus) SendEvent(m_focus, UIEVENT_KEYUP, m_lastMouse, modifiers, 0, static_cast<UINT>(wParam));
            return m_focus != nullptr;
        case WM_CHAR:
            if (m_focus) SendEvent(m_focus, UIEVENT_CHAR, m_lastMouse, modifiers, 0, static_cast<UINT>(wParam));
            return m_focus != nullptr;
        case WM_KILLFOCUS:
        case WM_CAPTURECHANGED:
            if (m_pressed) {
                SendEvent(m_pressed, UIEVENT_BUTTONUP, m_lastMouse, 0);
                m_pressed = nullptr;
            }
            m_captured = false;
            ClosePopup();
            return false;
        default:
            return false;
    }
}

}  // namespace kx58::ui
