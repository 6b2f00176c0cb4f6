#include "uikit/control.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/debug_trace.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/resource_manager.h"
#include "uikit/window_backend.h"

namespace kx58::ui {

CursorKind ParseCursor(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, CursorKind>, 14> kCursors{{
        {"arrow", CursorKind::Arrow}, {"ibeam", CursorKind::IBeam}, {"wait", CursorKind::Wait},
        {"cross", CursorKind::Cross}, {"uparrow", CursorKind::UpArrow}, {"size", CursorKind::Size},
        {"icon", CursorKind::Icon}, {"sizenwse", CursorKind::SizeNWSE},
        {"sizenesw", CursorKind::SizeNESW}, {"sizewe", CursorKind::SizeWE},
        {"sizens", CursorKind::SizeNS}, {"sizeall", CursorKind::SizeAll}, {"no", CursorKind::No},
        {"hand", CursorKind::Hand},
    }};
    for (const auto& [text, kind] : kCursors)
        if (EqualsNoCase(text, name)) return kind;
    return CursorKind::Arrow;
}

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager) m_pManager->ReapObjects(this);
}

void* CControlUI::GetInterface(std::string_view name) {
    return name == "Control" ? this : nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_pManager = manager;
    m_pParent = parent;
    if (init && manager && !m_bInited) {
        m_bInited = true;
        DoInit();
    }
}

std::string CControlUI::GetText() const {
    if (m_pManager && m_pManager->GetTextQueryInterface()) {
        std::string answer =
            m_pManager->GetTextQueryInterface()->QueryControlText(m_sText, GetClass());
        if (!answer.empty()) return answer;
    }
    std::string translated;
    if (CResourceManager::GetInstance()->FindText(m_sText, translated)) return translated;
    return m_sText;
}

void CControlUI::SetText(const std::string& text) {
    if (m_sText == text) return;
    m_sText = text;
    Invalidate();
}

std::string CControlUI::GetToolTip() const {
    std::string translated;
    if (CResourceManager::GetInstance()->FindText(m_sToolTip, translated)) return translated;
    return m_sToolTip;
}

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible) return;
    const bool wasVisible = IsVisible();
    m_bVisible = visible;
    if (!IsVisible() && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
    if (wasVisible != IsVisible()) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    m_bInternVisible = visible;
    if (!visible && m_pManager && m_pManager->GetFocus() == this) m_pManager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_bEnabled == enabled) return;
    m_bEnabled = enabled;
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_pManager) m_pManager->SetFocus(this);
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
    rc = CoordinateRect(rc.left, rc.top, rc.right, rc.bottom);
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    const RECT old = m_rcItem;
    m_rcItem = rc;
    if (needInvalidate && m_pManager && !(old == rc)) {
        m_pManager->Invalidate(old);
        m_pManager->Invalidate(rc);
    }
}

void CControlUI::Move(SIZE offset, bool needInvalidate) {
    // Not the virtual SetPos: a container lays its children out there, and then moves them
    // itself, which would move them twice.
    CControlUI::SetPos(OffsetRectBy(m_rcItem, offset.cx, offset.cy), needInvalidate);
}

void CControlUI::SetPadding(RECT padding) {
    m_rcPadding = ClampLengths(padding);
    NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    m_cxyFixed.cx = ClampLength(cx);
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    m_cxyFixed.cy = ClampLength(cy);
    NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) { if (cx >= 0) { m_cxyMin.cx = ClampLength(cx); NeedParentUpdate(); } }
void CControlUI::SetMaxWidth(int cx) { if (cx >= 0) { m_cxyMax.cx = ClampLength(cx); NeedParentUpdate(); } }
void CControlUI::SetMinHeight(int cy) { if (cy >= 0) { m_cxyMin.cy = ClampLength(cy); NeedParentUpdate(); } }
void CControlUI::SetMaxHeight(int cy) { if (cy >= 0) { m_cxyMax.cy = ClampLength(cy); NeedParentUpdate(); } }

void CControlUI::SetFloat(bool isFloat) {
    m_bFloat = isFloat;
    NeedParentUpdate();
}

void CControlUI::SetFloatPos(RECT rc) {
    rc = ClampLengths(rc);
    m_rcFloat = rc;
    m_cxyFixed = SIZE{std::max(0, rc.Width()), std::max(0, rc.Height())};
    NeedParentUpdate();
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) {
    return SIZE{Scale(m_cxyFixed.cx), Scale(m_cxyFixed.cy)};
}

int CControlUI::Scale(int value) const { return m_pManager ? m_pManager->Scale(value) : value; }

RECT CControlUI::ScaleRect(const RECT& rc) const {
    return RECT{Scale(rc.left), Scale(rc.top), Scale(rc.right), Scale(rc.bottom)};
}

void CControlUI::SetBkColor(DWORD color) { m_dwBackColor = color; Invalidate(); }
void CControlUI::SetBorderColor(DWORD color) { m_dwBorderColor = color; Invalidate(); }
void CControlUI::SetFocusBorderColor(DWORD color) { m_dwFocusBorderColor = color; Invalidate(); }
void CControlUI::SetBorderSize(int size) { m_nBorderSize = std::max(0, ClampLength(size)); Invalidate(); }
void CControlUI::SetBorderRound(SIZE round) {
    m_cxyBorderRound = SIZE{ClampLength(round.cx), ClampLength(round.cy)};
    Invalidate();
}
void CControlUI::SetBkImage(const std::string& image) { m_sBkImage = image; Invalidate(); }
void CControlUI::SetForeImage(const std::string& image) { m_sForeImage = image; Invalidate(); }

void CControlUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const AttributeEntry<CControlUI> kAttributes[] = {
        {"name", [](CControlUI& c, V v) { c.SetName(v); }},
        {"text", [](CControlUI& c, V v) { c.SetText(v); }},
        {"tooltip", [](CControlUI& c, V v) { c.SetToolTip(v); }},
        {"userdata", [](CControlUI& c, V v) { c.SetUserData(v); }},
        {"pos", [](CControlUI& c, V v) { c.SetFloatPos(ParseRect(v)); }},
        {"float", [](CControlUI& c, V v) { c.SetFloat(ParseBool(v)); }},
        {"width", [](CControlUI& c, V v) { c.SetFixedWidth(ParseLength(v)); }},
        {"height", [](CControlUI& c, V v) { c.SetFixedHeight(ParseLength(v)); }},
        {"minwidth", [](CControlUI& c, V v) { c.SetMinWidth(ParseLength(v)); }},
        {"maxwidth", [](CControlUI& c, V v) { c.SetMaxWidth(ParseLength(v)); }},
        {"minheight", [](CControlUI& c, V v) { c.SetMinHeight(ParseLength(v)); }},
        {"maxheight", [](CControlUI& c, V v) { c.SetMaxHeight(ParseLength(v)); }},
        {"padding", [](CControlUI& c, V v) { c.SetPadding(ParseRect(v)); }},
        {"bkcolor", [](CControlUI& c, V v) { c.SetBkColor(ParseColor(v)); }},
        {"bordercolor", [](CControlUI& c, V v) { c.SetBorderColor(ParseColor(v)); }},
        {"focusbordercolor", [](CControlUI& c, V v) { c.SetFocusBorderColor(ParseColor(v)); }},
        {"bordersize", [](CControlUI& c, V v) { c.SetBorderSize(ParseLength(v)); }},
        {"borderround", [](CControlUI& c, V v) { c.SetBorderRound(ParseSize(v)); }},
        {"bkimage", [](CControlUI& c, V v) { c.SetBkImage(v); }},
        {"foreimage", [](CControlUI& c, V v) { c.SetForeImage(v); }},
        {"visible", [](CControlUI& c, V v) { c.SetVisible(ParseBool(v)); }},
        {"enabled", [](CControlUI& c, V v) { c.SetEnabled(ParseBool(v)); }},
        {"mouse", [](CControlUI& c, V v) { c.SetMouseEnabled(ParseBool(v)); }},
        {"keyboard", [](CControlUI& c, V v) { c.SetKeyboardEnabled(ParseBool(v)); }},
        {"menu", [](CControlUI& c, V v) { c.SetContextMenuUsed(ParseBool(v)); }},
        {"cursor", [](CControlUI& c, V v) { c.SetCursor(ParseCursor(v)); }},
        {"tag", [](CControlUI& c, V v) { c.SetTag(static_cast<std::uintptr_t>(ParseInt(v))); }},
        {"style", [](CControlUI& c, V v) { c.ApplyStyle(v); }},
    };
    if (!ApplyAttribute(kAttributes, *this, name, value))
        DebugTraceF("uikit: %s ignores attribute %s", GetClass().c_str(), name.c_str());
}

void CControlUI::ApplyStyle(const std::string& styleName) {
    if (!m_pManager) return;
    const std::string list = m_pManager->GetStyle(styleName);
    if (list.empty()) DebugTraceF("uikit: unknown style '%s' on %s", styleName.c_str(), GetClass().c_str());
    else ApplyAttributeList(list);
}

void CControlUI::ApplyAttributeList(std::string_view list) {
    for (const auto& [name, value] : ParseAttributeList(list)) SetAttribute(name, value);
}

void CControlUI::Invalidate() {
    if (m_pManager && IsVisible()) m_pManager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate() {
    if (m_pManager) m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() { NeedUpdate(); }

void CControlUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    PaintBkColor(cr);
    PaintBkImage(cr);
    PaintStatusImage(cr);
    PaintText(cr);
    PaintBorder(cr);
}

void CControlUI::PaintBkColor(cairo_t* cr) {
    if (m_dwBackColor == 0) return;
    const SIZE round{Scale(m_cxyBorderRound.cx), Scale(m_cxyBorderRound.cy)};
    if (round.cx > 0 || round.cy > 0)
        render::FillRoundRect(cr, m_rcItem, round, m_dwBackColor);
    else
        render::FillRect(cr, m_rcItem, m_dwBackColor);
}

void CControlUI::PaintBkImage(cairo_t* cr) {
    if (!m_sBkImage.empty()) DrawImage(cr, m_sBkImage);
}

void CControlUI::PaintStatusImage(cairo_t* /*cr*/) {}
void CControlUI::PaintText(cairo_t* /*cr*/) {}

void CControlUI::PaintBorder(cairo_t* cr) {
    const DWORD color =
        (m_bFocused && m_dwFocusBorderColor != 0) ? m_dwFocusBorderColor : m_dwBorderColor;
    if (m_nBorderSize <= 0 || color == 0) return;
    render::DrawBorder(cr, m_rcItem, Scale(m_nBorderSize),
                       SIZE{Scale(m_cxyBorderRound.cx), Scale(m_cxyBorderRound.cy)}, color);
}

bool CControlUI::DrawImage(cairo_t* cr, const std::string& imageString, const std::string& modify) {
    if (imageString.empty()) return false;
    return render::DrawImageString(cr, m_pManager, m_rcItem, imageString, modify);
}

void CControlUI::SendNotify(const char* type, WPARAM wParam, LPARAM lParam) {
    if (m_pManager) m_pManager->SendNotify(this, type, wParam, lParam);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_SETCURSOR:
            if (m_pManager && m_pManager->GetBackendWindow())
                m_pManager->GetBackendWindow()->SetCursor(m_cursor);
            return;
        case UIEVENT_SETFOCUS:
            m_bFocused = true;
            Invalidate();
            if (IsFocusable()) SendNotify(DUI_MSGTYPE_SETFOCUS);
            return;
        case UIEVENT_KILLFOCUS:
            m_bFocused = false;
            Invalidate();
            if (IsFocusable()) SendNotify(DUI_MSGTYPE_KILLFOCUS);
            return;
        case UIEVENT_TIMER:
            SendNotify(DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
            return;
        case UIEVENT_CONTEXTMENU:
            if (IsContextMenuUsed() && IsEnabled()) {
                SendNotify(DUI_MSGTYPE_MENU, event.ptMouse.x, event.ptMouse.y);
            } else if (m_pParent) {
                m_pParent->DoEvent(event);
            }
            return;
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_BUTTONUP:
        case UIEVENT_DBLCLICK:
        case UIEVENT_RBUTTONDOWN:
        case UIEVENT_RBUTTONUP:
            // Plain controls let clicks through to what holds them (list rows, panels).
            if (m_pParent) m_pParent->DoEvent(event);
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) SendNotify(DUI_MSGTYPE_MOUSEENTER);
            return;
        case UIEVENT_MOUSELEAVE:
            if (IsEnabled()) SendNotify(DUI_MSGTYPE_MOUSELEAVE);
            return;
        case UIEVENT_SCROLLWHEEL:
            // Wheel over a plain control scrolls whatever scrolls around it.
            if (m_pParent) m_pParent->DoEvent(event);
            return;
        default:
            return;
    }
}

bool CControlUI::SetTimer(UINT id, UINT elapseMs) {
    return m_pManager && m_pManager->SetTimer(this, id, elapseMs);
}

void CControlUI::KillTimer(UINT id) {
    if (m_pManager) m_pManager->KillTimer(this, id);
}

void CControlUI::KillTimer() {
    if (m_pManager) m_pManager->KillTimer(this);
}

bool CControlUI::Passes(UINT flags) const {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return false;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return false;
    return true;
}

CControlUI* CControlUI::FindControl(const FindPredicate& pred, UINT flags) {
    if (!Passes(flags)) return nullptr;
    return pred(this) ? this : nullptr;
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_bMouseEnabled || !m_rcItem.Contains(pt)) return nullptr;
    return this;
}

}  // namespace kx58::ui
