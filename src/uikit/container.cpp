#include "uikit/container.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/scrollbar.h"

namespace kx58::ui {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    for (CControlUI* item : m_items) delete item;
    delete m_pVerticalScrollBar;
    delete m_pHorizontalScrollBar;
}

void* CContainerUI::GetInterface(std::string_view name) {
    if (name == "Container") return this;
    return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return m_items[static_cast<std::size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    auto it = std::find(m_items.begin(), m_items.end(), control);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int from = GetItemIndex(control);
    if (from < 0 || index < 0 || index >= GetCount()) return false;
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + index, control);
    NeedUpdate();
    return true;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control || index < 0 || index > GetCount()) return false;
    m_items.insert(m_items.begin() + index, control);
    // Controls of a tree that is still being built are initialised when it is attached.
    control->SetManager(m_pManager, this, m_pManager && m_bInited);
    if (!IsVisible()) control->SetInternVisible(false);
    if (!IsEnabled()) control->SetEnabled(false);
    NeedUpdate();
    return true;
}

void CContainerUI::ReleaseChild(CControlUI* control) {
    if (m_pManager) {
        m_pManager->ReapObjects(control);
        control->SetManager(nullptr, nullptr, false);
    }
}

CControlUI* CContainerUI::Detach(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0) return nullptr;
    m_items.erase(m_items.begin() + index);
    ReleaseChild(control);
    NeedUpdate();
    return control;
}

bool CContainerUI::Remove(CControlUI* control) {
    CPaintManagerUI* manager = m_pManager;
    if (!Detach(control)) return false;
    if (manager)
        manager->AddDelayedCleanup(control);
    else
        delete control;
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    return control && Remove(control);
}

void CContainerUI::RemoveAll() {
    while (!m_items.empty()) Remove(m_items.back());
}

void CContainerUI::SetInset(RECT inset) { m_rcInset = ClampLengths(inset); NeedUpdate(); }
void CContainerUI::SetChildPadding(int padding) { m_iChildPadding = ClampLength(padding); NeedUpdate(); }

void CContainerUI::SetMouseEnabled(bool enabled) {
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetMouseEnabled(enabled);
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetMouseEnabled(enabled);
    CControlUI::SetMouseEnabled(enabled);
}

void CContainerUI::SetKeyboardEnabled(bool enabled) {
    for (CControlUI* item : m_items) item->SetKeyboardEnabled(enabled);
    CControlUI::SetKeyboardEnabled(enabled);
}

void CContainerUI::SetEnabled(bool enabled) {
    for (CControlUI* item : m_items) item->SetEnabled(enabled);
    CControlUI::SetEnabled(enabled);
}

void CContainerUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (CControlUI* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
    auto make = [this](CScrollBarUI*& bar, bool enable, bool isHorizontal) {
        if (enable && !bar) {
            bar = new CScrollBarUI();
            bar->SetOwner(this);
            bar->SetHorizontal(isHorizontal);
            bar->SetVisible(false);
            bar->SetManager(m_pManager, this);
        } else if (!enable && bar) {
            if (m_pManager) m_pManager->ReapObjects(bar);
            delete bar;
            bar = nullptr;
        }
    };
    make(m_pVerticalScrollBar, vertical, false);
    make(m_pHorizontalScrollBar, horizontal, true);
    NeedUpdate();
}

SIZE CContainerUI::GetScrollPos() const {
    return SIZE{m_pHorizontalScrollBar ? m_pHorizontalScrollBar->GetScrollPos() : 0,
                m_pVerticalScrollBar ? m_pVerticalScrollBar->GetScrollPos() : 0};
}

SIZE CContainerUI::GetScrollRange() const {
    return SIZE{m_pHorizontalScrollBar ? m_pHorizontalScrollBar->GetScrollRange() : 0,
                m_pVerticalScrollBar ? m_pVerticalScrollBar->GetScrollRange() : 0};
}

void CContainerUI::SetScrollPos(SIZE pos) {
    const SIZE old = GetScrollPos();
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetScrollPos(pos.cy);
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetScrollPos(pos.cx);
    const SIZE now = GetScrollPos();
    if (now.cx == old.cx && now.cy == old.cy) return;
    const SIZE shift{old.cx - now.cx, old.cy - now.cy};
    for (CControlUI* item : m_items) {
        if (item->IsVisible() && !item->IsFloat()) item->Move(shift, false);
    }
    Invalidate();
    if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_SCROLL);
}

void CContainerUI::LineUp() {
    if (!m_pVerticalScrollBar) return;
    SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy - m_pVerticalScrollBar->GetLineSize()});
}

void CContainerUI::LineDown() {
    if (!m_pVerticalScrollBar) return;
    SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy + m_pVerticalScrollBar->GetLineSize()});
}

void CContainerUI::PageUp() {
    SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy - GetInnerRect().Height()});
}

void CContainerUI::PageDown() {
    SetScrollPos(SIZE{GetScrollPos().cx, GetScrollPos().cy + GetInnerRect().Height()});
}

void CContainerUI::HomeUp() { SetScrollPos(SIZE{GetScrollPos().cx, 0}); }
void CContainerUI::EndDown() { SetScrollPos(SIZE{GetScrollPos().cx, GetScrollRange().cy}); }

void CContainerUI::ScrollIntoView(const RECT& rc) {
    const RECT inner = GetInnerRect();
    SIZE pos = GetScrollPos();
    if (rc.top < inner.top) pos.cy -= inner.top - rc.top;
    else if (rc.bottom > inner.bottom) pos.cy += std::min(rc.bottom - inner.bottom, rc.top - inner.top);
    if (rc.left < inner.left) pos.cx -= inner.left - rc.left;
    else if (rc.right > inner.right) pos.cx += std::min(rc.right - inner.right, rc.left - inner.left);
    SetScrollPos(pos);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items) item->SetManager(manager, this, init);
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->SetManager(manager, this, init);
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

RECT CContainerUI::GetInnerRect() const {
    RECT rc = DeflateRect(m_rcItem, ScaleRect(m_rcInset));
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
        rc.right -= Scale(m_pVerticalScrollBar->GetThickness());
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
        rc.bottom -= Scale(m_pHorizontalScrollBar->GetThickness());
    return rc;
}

void CContainerUI::PlaceFloat(CControlUI* child, const RECT& inner) {
    const RECT f = ScaleRect(child->GetFloatPos());
    SIZE size = child->EstimateSize(SIZE{inner.Width(), inner.Height()});
    if (size.cx == 0) size.cx = f.Width();
    if (size.cy == 0) size.cy = f.Height();
    const long long left = 0LL + inner.left + f.left;
    const long long top = 0LL + inner.top + f.top;
    child->SetPos(CoordinateRect(left, top, left + size.cx, top + size.cy), false);
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    LayoutStacked(DeflateRect(m_rcItem, ScaleRect(m_rcInset)));
}

void CContainerUI::Move(SIZE offset, bool needInvalidate) {
    CControlUI::Move(offset, needInvalidate);
    for (CControlUI* item : m_items)
        if (item->IsVisible()) item->Move(offset, false);
    if (m_pVerticalScrollBar) m_pVerticalScrollBar->Move(offset, false);
    if (m_pHorizontalScrollBar) m_pHorizontalScrollBar->Move(offset, false);
}

void CContainerUI::LayoutStacked(RECT rc) {
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            PlaceFloat(item, rc);
            continue;
        }
        const RECT pad = ScaleRect(item->GetPadding());
        RECT child = DeflateRect(rc, pad);
        SIZE size = item->EstimateSize(SIZE{child.Width(), child.Height()});
        const int minWidth = item->Scale(item->GetMinWidth());
        const int minHeight = item->Scale(item->GetMinHeight());
        const long long width = std::clamp(size.cx, minWidth, std::max(minWidth, item->Scale(item->GetMaxWidth())));
        const long long height = std::clamp(size.cy, minHeight, std::max(minHeight, item->Scale(item->GetMaxHeight())));
        item->SetPos(CoordinateRect(child.left, child.top, size.cx > 0 ? child.left + width : child.right,
                                    size.cy > 0 ? child.top + height : child.bottom), false);
    }
}

namespace {

// Length along the main axis and across it, for one axis of a linear layout.
struct AxisView {
    bool vertical;
    int Along(SIZE s) const { return vertical ? s.cy : s.cx; }
    int Across(SIZE s) const { return vertical ? s.cx : s.cy; }
    int Start(const RECT& r) const { return vertical ? r.top : r.left; }
    int Length(const RECT& r) const { return vertical ? r.Height() : r.Width(); }
    int CrossLength(const RECT& r) const { return vertical ? r.Width() : r.Height(); }
    int PadBefore(const RECT& p) const { return vertical ? p.top : p.left; }
    int PadAfter(const RECT& p) const { return vertical ? p.bottom : p.right; }
    int CrossPad(const RECT& p) const { return vertical ? p.left + p.right : p.top + p.bottom; }
    int CrossPadBefore(const RECT& p) const { return vertical ? p.left : p.top; }
};

}  // namespace

void CContainerUI::LayoutLinear(RECT rc, bool vertical) {
    const AxisView axis{vertical};
    const RECT full = DeflateRect(m_rcItem, ScaleRect(m_rcInset));
    rc = full;
    const int gap = Scale(m_iChildPadding);

    // First pass: fixed lengths and how many children stretch. Sums run in 64 bits: any number
    // of children may each be as long as a skin allows.
    long long fixedTotal = 0;
    int stretchCount = 0;
    int placed = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) continue;
        const RECT pad = ScaleRect(item->GetPadding());
        const SIZE size = item->EstimateSize(SIZE{rc.Width(), rc.Height()});
        const int along = axis.Along(size);
        const int minAlong = item->Scale(vertical ? item->GetMinHeight() : item->GetMinWidth());
        if (along == 0) {
            ++stretchCount;
            fixedTotal += minAlong;
        } else {
            fixedTotal += along;
        }
        fixedTotal += 0LL + axis.PadBefore(pad) + axis.PadAfter(pad);
        ++placed;
    }
    if (placed > 1) fixedTotal += static_cast<long long>(gap) * (placed - 1);
    fixedTotal = ClampCoordinate(fixedTotal);

    // Scroll bars when the fixed content does not fit.
    const int needAlong = static_cast<int>(fixedTotal);
    ProcessScrollBars(full, SIZE{vertical ? 0 : needAlong, vertical ? needAlong : 0});
    rc = GetInnerRect();
    const SIZE scroll = GetScrollPos();
    const int available = axis.Length(rc);
    long long remaining = std::max(0LL, available - fixedTotal);
    int stretchLeft = stretchCount;

    // Free room along the axis (nothing stretches) goes before the children as aligned.
    const UINT alongAlign = vertical ? m_uChildVAlign : m_uChildAlign;
    const UINT crossAlign = vertical ? m_uChildAlign : m_uChildVAlign;
    long long lead = 0;
    if (stretchCount == 0 && remaining > 0) {
        if (alongAlign & (DT_CENTER | DT_VCENTER)) lead = remaining / 2;
        else if (alongAlign & (DT_RIGHT | DT_BOTTOM)) lead = remaining;
    }
    long long cursor = 0LL + axis.Start(rc) + lead - (vertical ? scroll.cy : scroll.cx);
    for (CControlUI* item : m_items) {
        if (!item->IsVisible()) continue;
        if (item->IsFloat()) {
            PlaceFloat(item, full);
            continue;
        }
        const RECT pad = ScaleRect(item->GetPadding());
        SIZE size = item->EstimateSize(SIZE{rc.Width(), rc.Height()});
        const int minAlong = item->Scale(vertical ? item->GetMinHeight() : item->GetMinWidth());
        const int maxAlong = item->Scale(vertical ? item->GetMaxHeight() : item->GetMaxWidth());
        long long along = axis.Along(size);
        if (along == 0) {
            const long long share = stretchLeft > 0 ? remaining / stretchLeft : 0;
            along = std::clamp<long long>(minAlong + share, minAlong, std::max(minAlong, maxAlong));
            remaining -= along - minAlong;
            --stretchLeft;
        } else {
            along = std::clamp<long long>(along, minAlong, std::max(minAlong, maxAlong));
        }
        const long long crossSpace = 0LL + axis.CrossLength(rc) - axis.CrossPad(pad);
        long long across = axis.Across(size);
        if (across == 0) across = crossSpace;
        const int minAcross = item->Scale(vertical ? item->GetMinWidth() : item->GetMinHeight());
        const int maxAcross = item->Scale(vertical ? item->GetMaxWidth() : item->GetMaxHeight());
        across = std::clamp<long long>(across, minAcross, std::max(minAcross, maxAcross));
        const long long start = cursor + axis.PadBefore(pad);
        long long crossStart = 0LL + (vertical ? rc.left : rc.top) + axis.CrossPadBefore(pad) -
                               (vertical ? scroll.cx : scroll.cy);
        if (crossAlign & (DT_CENTER | DT_VCENTER)) crossStart += (crossSpace - across) / 2;
        else if (crossAlign & (DT_RIGHT | DT_BOTTOM)) crossStart += crossSpace - across;
        item->SetPos(vertical ? CoordinateRect(crossStart, start, crossStart + across, start + along)
                              : CoordinateRect(start, crossStart, start + along, crossStart + across), false);
        // Past the last coordinate nothing can be seen any more; the cursor stops there.
        cursor = ClampCoordinate(start + along + axis.PadAfter(pad) + gap);
    }
}

void CContainerUI::ProcessScrollBars(const RECT& inner, SIZE needed) {
    auto process = [&](CScrollBarUI* bar, int need, int have) {
        if (!bar) return;
        const int range = std::max(0, need - have);
        bar->SetScrollRange(range);
        bar->SetVisible(range > 0);
        if (range == 0) bar->SetScrollPos(0);
    };
    const int vThick = m_pVerticalScrollBar ? Scale(m_pVerticalScrollBar->GetThickness()) : 0;
    const int hThick = m_pHorizontalScrollBar ? Scale(m_pHorizontalScrollBar->GetThickness()) : 0;
    process(m_pVerticalScrollBar, needed.cy, inner.Height());
    const bool vShown = m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible();
    process(m_pHorizontalScrollBar, needed.cx, inner.Width() - (vShown ? vThick : 0));
    const bool hShown = m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible();
    if (vShown)
        m_pVerticalScrollBar->SetPos(RECT{inner.right - vThick, inner.top, inner.right,
                                          inner.bottom - (hShown ? hThick : 0)}, false);
    if (hShown)
        m_pHorizontalScrollBar->SetPos(RECT{inner.left, inner.bottom - hThick,
                                            inner.right - (vShown ? vThick : 0), inner.bottom}, false);
}

void CContainerUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    const RECT visible = IntersectRects(rcPaint, m_rcItem);
    if (visible.IsEmpty()) return;
    CControlUI::DoPaint(cr, rcPaint);
    const RECT inner = IntersectRects(visible, DeflateRect(m_rcItem, ScaleRect(m_rcInset)));
    if (!inner.IsEmpty() && !m_items.empty()) {
        cairo_save(cr);
        cairo_rectangle(cr, inner.left, inner.top, inner.Width(), inner.Height());
        cairo_clip(cr);
        for (CControlUI* item : m_items) {
            if (!item->IsVisible() || !RectsIntersect(inner, item->GetPos())) continue;
            item->DoPaint(cr, inner);
        }
        cairo_restore(cr);
    }
    if (m_pVerticalScrollBar && m_pVerticalScrollBar->IsVisible())
        m_pVerticalScrollBar->DoPaint(cr, visible);
    if (m_pHorizontalScrollBar && m_pHorizontalScrollBar->IsVisible())
        m_pHorizontalScrollBar->DoPaint(cr, visible);
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_SCROLLWHEEL && m_pVerticalScrollBar &&
        m_pVerticalScrollBar->IsVisible() && m_pVerticalScrollBar->IsEnabled()) {
        for (int i = 0; i < 3; ++i) event.wParam == 0 ? LineUp() : LineDown();
        return;
    }
    CControlUI::DoEvent(event);
}

void CContainerUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "inset") {
        SetInset(ParseRect(value));
    } else if (name == "childpadding") {
        SetChildPadding(ParseInt(value));
    } else if (name == "childalign") {
        m_uChildAlign = value == "center" ? DT_CENTER : value == "right" ? DT_RIGHT : DT_LEFT;
        NeedUpdate();
    } else if (name == "childvalign") {
        m_uChildVAlign = value == "vcenter" || value == "center" ? DT_VCENTER : value == "bottom" ? DT_BOTTOM : DT_TOP;
        NeedUpdate();
    } else if (name == "mousechild") {
        SetMouseChildEnabled(ParseBool(value));
    } else if (name == "vscrollbar") {
        EnableScrollBar(ParseBool(value), m_pHorizontalScrollBar != nullptr);
    } else if (name == "hscrollbar") {
        EnableScrollBar(m_pVerticalScrollBar != nullptr, ParseBool(value));
    } else if (name == "vscrollbarstyle" || name == "hscrollbarstyle") {
        CScrollBarUI* bar = name[0] == 'v' ? m_pVerticalScrollBar : m_pHorizontalScrollBar;
        if (bar) bar->ApplyAttributeList(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControl(const FindPredicate& pred, UINT flags) {
    if (!Passes(flags)) return nullptr;
    if (pred(this)) return this;
    for (CControlUI* item : m_items) {
        if (CControlUI* found = item->FindControl(pred, flags)) return found;
    }
    // Scroll bars belong to the tree too (the manager must forget them with their owner).
    for (CScrollBarUI* bar : {m_pVerticalScrollBar, m_pHorizontalScrollBar}) {
        if (bar) {
            if (CControlUI* found = bar->FindControl(pred, flags)) return found;
        }
    }
    return nullptr;
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt)) return nullptr;
    for (CScrollBarUI* bar : {m_pVerticalScrollBar, m_pHorizontalScrollBar}) {
        if (bar) {
            if (CControlUI* hit = bar->FindControlAt(pt)) return hit;
        }
    }
    if (m_bMouseChildEnabled && DeflateRect(m_rcItem, ScaleRect(m_rcInset)).Contains(pt)) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (CControlUI* hit = (*it)->FindControlAt(pt)) return hit;
        }
    }
    return m_bMouseEnabled ? this : nullptr;
}

void* CVerticalLayoutUI::GetInterface(std::string_view name) {
    if (name == "VerticalLayout") return this;
    return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    LayoutLinear(rc, true);
}

void* CHorizontalLayoutUI::GetInterface(std::string_view name) {
    if (name == "HorizontalLayout") return this;
    return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    LayoutLinear(rc, false);
}

void* CTabLayoutUI::GetInterface(std::string_view name) {
    if (name == "TabLayout") return this;
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    const int before = GetCount();
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_iCurSel < 0) m_iCurSel = 0;
    else if (index <= m_iCurSel && m_iCurSel < before) ++m_iCurSel;
    ApplySelection();
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index < m_iCurSel) --m_iCurSel;
    else if (index == m_iCurSel) m_iCurSel = GetCount() > 0 ? 0 : -1;
    ApplySelection();
    return true;
}

void CTabLayoutUI::RemoveAll() {
    CContainerUI::RemoveAll();
    m_iCurSel = -1;
}

void CTabLayoutUI::SetVisible(bool visible) {
    CContainerUI::SetVisible(visible);
    ApplySelection();
}

void CTabLayoutUI::SetInternVisible(bool visible) {
    CContainerUI::SetInternVisible(visible);
    ApplySelection();
}

void CTabLayoutUI::ApplySelection() {
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetInternVisible(IsVisible() && i == m_iCurSel);
    NeedUpdate();
}

bool CTabLayoutUI::SelectItem(int index, bool triggerEvent) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_iCurSel) return true;
    const int old = m_iCurSel;
    m_iCurSel = index;
    ApplySelection();
    if (m_pManager) {
        m_pManager->SetFocus(nullptr);
        if (triggerEvent) m_pManager->SendNotify(this, DUI_MSGTYPE_TABSELECT, index, old);
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control, bool triggerEvent) {
    return SelectItem(GetItemIndex(control), triggerEvent);
}

void CTabLayoutUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    LayoutStacked(DeflateRect(m_rcItem, ScaleRect(m_rcInset)));
}

void CTabLayoutUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "selectedid") {
        // Pages usually follow this attribute in the skin; the index is kept until they exist.
        m_iCurSel = std::max(0, ParseInt(value));
        ApplySelection();
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

}  // namespace kx58::ui
