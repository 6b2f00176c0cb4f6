#include "uikit/list.h"

#include <algorithm>

#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/scrollbar.h"

namespace kx58::ui {

bool TListInfoUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "itemfont") nFont = ParseInt(value, -1);
    else if (name == "itemalign") {
        uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
        if (value == "center") uTextStyle |= DT_CENTER;
        else if (value == "right") uTextStyle |= DT_RIGHT;
    } else if (name == "itemtextpadding") rcTextPadding = ParseRect(value);
    else if (name == "itemtextcolor") dwTextColor = ParseColor(value);
    else if (name == "itembkcolor") dwBkColor = ParseColor(value);
    else if (name == "itemselectedtextcolor") dwSelectedTextColor = ParseColor(value);
    else if (name == "itemselectedbkcolor") dwSelectedBkColor = ParseColor(value);
    else if (name == "itemhottextcolor") dwHotTextColor = ParseColor(value);
    else if (name == "itemhotbkcolor") dwHotBkColor = ParseColor(value);
    else if (name == "itemdisabledtextcolor") dwDisabledTextColor = ParseColor(value);
    else if (name == "itemlinecolor") dwLineColor = ParseColor(value);
    else if (name == "itembkimage") sBkImage = value;
    else if (name == "itemselectedimage") sSelectedImage = value;
    else if (name == "itemhotimage") sHotImage = value;
    else if (name == "itemheight") nDefaultHeight = std::max(1, ParseInt(value, 24));
    else if (name == "itemshowhtml" || name == "itemendellipsis") {}
    else return false;
    return true;
}

bool ListItemState::HandleRowEvent(CControlUI& row, TEventUI& event) {
    CPaintManagerUI* manager = row.GetManager();
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_RBUTTONDOWN:
            if (row.IsEnabled() && m_owner && manager) {
                m_owner->SelectItem(m_index, true);
                manager->SendNotify(&row, DUI_MSGTYPE_ITEMCLICK);
            }
            return true;
        case UIEVENT_BUTTONUP:
        case UIEVENT_RBUTTONUP:
            return true;
        case UIEVENT_DBLCLICK:
            if (row.IsEnabled() && manager) manager->SendNotify(&row, DUI_MSGTYPE_ITEMACTIVATE);
            return true;
        case UIEVENT_KEYDOWN:
        case UIEVENT_SCROLLWHEEL:
            if (m_owner) m_owner->DoEvent(event);
            return true;
        case UIEVENT_MOUSEENTER:
            m_hot = true;
            row.Invalidate();
            return false;
        case UIEVENT_MOUSELEAVE:
            m_hot = false;
            row.Invalidate();
            return false;
        default:
            return false;
    }
}

void ListItemState::PaintRowBackground(CControlUI& row, cairo_t* cr) {
    if (!m_owner) return;
    const TListInfoUI& info = *m_owner->GetListInfo();
    DWORD color = info.dwBkColor;
    const std::string* image = &info.sBkImage;
    if (m_selected) {
        color = info.dwSelectedBkColor;
        image = &info.sSelectedImage;
    } else if (m_hot && row.IsEnabled()) {
        color = info.dwHotBkColor;
        image = &info.sHotImage;
    }
    if (color) render::FillRect(cr, row.GetPos(), color);
    if (!image->empty()) row.DrawImage(cr, *image);
    if (info.dwLineColor) {
        const RECT& rc = row.GetPos();
        render::FillRect(cr, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, info.dwLineColor);
    }
}

DWORD ListItemState::RowTextColor(const CControlUI& row) const {
    const TListInfoUI* info = m_owner ? m_owner->GetListInfo() : nullptr;
    CPaintManagerUI* manager = row.GetManager();
    const DWORD fallback = manager ? manager->GetDefaultTextColor() : 0xFF000000;
    if (!info) return fallback;
    if (!row.IsEnabled()) return info->dwDisabledTextColor;
    if (m_selected && info->dwSelectedTextColor) return info->dwSelectedTextColor;
    if (m_hot && info->dwHotTextColor) return info->dwHotTextColor;
    return info->dwTextColor ? info->dwTextColor : fallback;
}

CListLabelElementUI::CListLabelElementUI() = default;

void* CListLabelElementUI::GetInterface(std::string_view name) {
    if (name == "ListItem") return static_cast<IListItemUI*>(this);
    if (name == "ListLabelElement") return this;
    return CLabelUI::GetInterface(name);
}

void CListLabelElementUI::SetSelected(bool selected) {
    if (m_selected == selected) return;
    m_selected = selected;
    Invalidate();
}

SIZE CListLabelElementUI::EstimateSize(SIZE available) {
    SIZE size = CLabelUI::EstimateSize(available);
    if (size.cy == 0) size.cy = Scale(m_owner ? m_owner->GetListInfo()->nDefaultHeight : 24);
    return size;
}

void CListLabelElementUI::DoEvent(TEventUI& event) {
    if (HandleRowEvent(*this, event)) return;
    CLabelUI::DoEvent(event);
}

void CListLabelElementUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    CControlUI::PaintBkColor(cr);
    PaintRowBackground(*this, cr);
    PaintBkImage(cr);
    if (m_pManager && m_owner) {
        const TListInfoUI& info = *m_owner->GetListInfo();
        const RECT rc = DeflateRect(m_rcItem, ScaleRect(info.rcTextPadding));
        render::DrawText(cr, m_pManager, rc, GetText(), RowTextColor(*this),
                         m_iFont >= 0 ? m_iFont : info.nFont, info.uTextStyle);
    } else {
        PaintText(cr);
    }
    PaintBorder(cr);
}

void* CListContainerElementUI::GetInterface(std::string_view name) {
    if (name == "ListItem") return static_cast<IListItemUI*>(this);
    if (name == "ListContainerElement") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CListContainerElementUI::SetSelected(bool selected) {
    if (m_selected == selected) return;
    m_selected = selected;
    Invalidate();
}

SIZE CListContainerElementUI::EstimateSize(SIZE available) {
    SIZE size = CHorizontalLayoutUI::EstimateSize(available);
    if (size.cy == 0) size.cy = Scale(m_owner ? m_owner->GetListInfo()->nDefaultHeight : 24);
    return size;
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
    if (HandleRowEvent(*this, event)) return;
    CHorizontalLayoutUI::DoEvent(event);
}

void CListContainerElementUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    PaintRowBackground(*this, cr);
    CHorizontalLayoutUI::DoPaint(cr, rcPaint);
}

namespace {

IListItemUI* AsListItem(CControlUI* control) {
    return control ? static_cast<IListItemUI*>(control->GetInterface("ListItem")) : nullptr;
}

// Moves a selection by a key; -2 when the key does not move it.
int IndexAfterKey(UINT key, int current, int count, int page) {
    switch (key) {
        case VK_UP: return std::max(0, current - 1);
        case VK_DOWN: return std::min(count - 1, current + 1);
        case VK_HOME: return 0;
        case VK_END: return count - 1;
        case VK_PRIOR: return std::max(0, current - page);
        case VK_NEXT: return std::min(count - 1, current + page);
        default: return -2;
    }
}

}  // namespace

CListUI::CListUI() { EnableScrollBar(true, false); }

void* CListUI::GetInterface(std::string_view name) {
    if (name == "List") return this;
    if (name == "ListOwner") return static_cast<IListOwnerUI*>(this);
    return CVerticalLayoutUI::GetInterface(name);
}

void CListUI::Reindex() {
    for (int i = 0; i < GetCount(); ++i) {
        if (IListItemUI* item = AsListItem(GetItemAt(i))) {
            item->SetIndex(i);
            item->SetOwner(this);
        }
    }
}

bool CListUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CListUI::AddAt(CControlUI* control, int index) {
    if (!CVerticalLayoutUI::AddAt(control, index)) return false;
    if (m_iCurSel >= index) ++m_iCurSel;
    Reindex();
    return true;
}

bool CListUI::Remove(CControlUI* control) { return RemoveAt(GetItemIndex(control)); }

bool CListUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    if (!control) return false;
    if (IListItemUI* item = AsListItem(control)) item->SetOwner(nullptr);
    CVerticalLayoutUI::Remove(control);
    if (index == m_iCurSel) m_iCurSel = -1;
    else if (index < m_iCurSel) --m_iCurSel;
    Reindex();
    return true;
}

void CListUI::RemoveAll() {
    m_iCurSel = -1;
    while (GetCount() > 0) RemoveAt(GetCount() - 1);
    SetScrollPos(SIZE{0, 0});
}

bool CListUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
    if (index < -1 || index >= GetCount()) return false;
    if (takeFocus && m_pManager) m_pManager->SetFocus(this);
    if (index == m_iCurSel) return true;
    const int old = m_iCurSel;
    if (IListItemUI* item = AsListItem(GetItemAt(old))) item->SetSelected(false);
    m_iCurSel = index;
    if (IListItemUI* item = AsListItem(GetItemAt(index))) {
        item->SetSelected(true);
        EnsureVisible(index);
    }
    if (triggerEvent) SendNotify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), old);
    return true;
}

void CListUI::EnsureVisible(int index) {
    CControlUI* item = GetItemAt(index);
    if (!item) return;
    if (m_pManager && m_pManager->IsUpdateNeeded()) m_pManager->UpdateLayout();
    ScrollIntoView(item->GetPos());
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UIEVENT_KEYDOWN && IsEnabled() && GetCount() > 0) {
        const int page = std::max(1, GetInnerRect().Height() / std::max(1, Scale(m_listInfo.nDefaultHeight)));
        const int next = IndexAfterKey(event.chKey, m_iCurSel, GetCount(), page);
        if (next != -2) {
            SelectItem(next, true);
            return;
        }
    }
    if (event.Type == UIEVENT_BUTTONDOWN && IsEnabled() && m_pManager) {
        m_pManager->SetFocus(this);
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetAttribute(const std::string& name, const std::string& value) {
    if (m_listInfo.SetAttribute(name, value)) {
        Invalidate();
        return;
    }
    if (name == "header" || name == "headerbkimage") return;  // lists here have no header row
    CVerticalLayoutUI::SetAttribute(name, value);
}

// The pop-up part of a combo: shows the combo's rows below (or above) it.
class CComboUI::DropList : public CControlUI {
public:
    explicit DropList(CComboUI* owner) : m_owner(owner) {}
    std::string GetClass() const override { return "ComboDropUI"; }

    int ContentHeight() const {
        int total = 0;
        for (int i = 0; i < m_owner->GetCount(); ++i) {
            CControlUI* item = m_owner->GetItemAt(i);
            if (item->IsVisible()) total += item->EstimateSize(SIZE{GetWidth(), 0}).cy;
        }
        return total;
    }

    void LayoutRows() {
        const RECT inner = DeflateRect(m_rcItem, RECT{1, 1, 1, 1});
        const int range = std::max(0, ContentHeight() - inner.Height());
        m_scroll = std::clamp(m_scroll, 0, range);
        int y = inner.top - m_scroll;
        for (int i = 0; i < m_owner->GetCount(); ++i) {
            CControlUI* item = m_owner->GetItemAt(i);
            if (!item->IsVisible()) continue;
            const int h = item->EstimateSize(SIZE{inner.Width(), 0}).cy;
            item->SetPos(RECT{inner.left, y, inner.right, y + h}, false);
            y += h;
        }
        Invalidate();
    }

    void ScrollToShow(int index) {
        CControlUI* item = m_owner->GetItemAt(index);
        if (!item) return;
        const RECT inner = DeflateRect(m_rcItem, RECT{1, 1, 1, 1});
        if (item->GetPos().top < inner.top) m_scroll -= inner.top - item->GetPos().top;
        else if (item->GetPos().bottom > inner.bottom) m_scroll += item->GetPos().bottom - inner.bottom;
        LayoutRows();
    }

    void DoPaint(cairo_t* cr, const RECT& rcPaint) override {
        if (!RectsIntersect(rcPaint, m_rcItem)) return;
        render::FillRect(cr, m_rcItem, m_owner->m_dwDropBkColor);
        const RECT inner = DeflateRect(m_rcItem, RECT{1, 1, 1, 1});
        cairo_save(cr);
        cairo_rectangle(cr, inner.left, inner.top, inner.Width(), inner.Height());
        cairo_clip(cr);
        for (int i = 0; i < m_owner->GetCount(); ++i) {
            CControlUI* item = m_owner->GetItemAt(i);
            if (item->IsVisible() && RectsIntersect(item->GetPos(), inner)) item->DoPaint(cr, inner);
        }
        cairo_restore(cr);
        render::DrawBorder(cr, m_rcItem, 1, SIZE{}, m_owner->m_dwDropBorderColor);
    }

    CControlUI* FindControlAt(POINT pt) override {
        if (!m_rcItem.Contains(pt)) return nullptr;
        for (int i = 0; i < m_owner->GetCount(); ++i) {
            CControlUI* item = m_owner->GetItemAt(i);
            if (item->IsVisible() && item->GetPos().Contains(pt)) return item;
        }
        return this;
    }

    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_SCROLLWHEEL) {
            m_scroll += (event.wParam == 0 ? -1 : 1) * Scale(m_owner->m_listInfo.nDefaultHeight);
            LayoutRows();
        }
    }

private:
    CComboUI* m_owner;
    int m_scroll = 0;
};

CComboUI::CComboUI() {
    m_dwBackColor = 0xFFFFFFFF;
    m_dwBorderColor = 0xFF999999;
    m_nBorderSize = 1;
}

CComboUI::~CComboUI() { CloseDrop(); }

void* CComboUI::GetInterface(std::string_view name) {
    if (name == "Combo") return this;
    if (name == "ListOwner") return static_cast<IListOwnerUI*>(this);
    return CContainerUI::GetInterface(name);
}

std::string CComboUI::GetText() const {
    CControlUI* item = GetItemAt(m_iCurSel);
    return item ? item->GetText() : std::string();
}

void CComboUI::Reindex() {
    for (int i = 0; i < GetCount(); ++i) {
        if (IListItemUI* item = AsListItem(GetItemAt(i))) {
            item->SetIndex(i);
            item->SetOwner(this);
        }
    }
    if (m_pDrop) m_pDrop->LayoutRows();
}

bool CComboUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CComboUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_iCurSel >= index) ++m_iCurSel;
    Reindex();
    return true;
}

bool CComboUI::Remove(CControlUI* control) { return RemoveAt(GetItemIndex(control)); }

bool CComboUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    if (!control) return false;
    if (IListItemUI* item = AsListItem(control)) item->SetOwner(nullptr);
    CContainerUI::Remove(control);
    if (index == m_iCurSel) m_iCurSel = -1;
    else if (index < m_iCurSel) --m_iCurSel;
    Reindex();
    Invalidate();
    return true;
}

void CComboUI::RemoveAll() {
    CloseDrop();
    m_iCurSel = -1;
    while (GetCount() > 0) RemoveAt(GetCount() - 1);
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
    if (index < -1 || index >= GetCount()) return false;
    CloseDrop();
    if (takeFocus && m_pManager) m_pManager->SetFocus(this);
    if (index == m_iCurSel) return true;
    const int old = m_iCurSel;
    if (IListItemUI* item = AsListItem(GetItemAt(old))) item->SetSelected(false);
    m_iCurSel = index;
    if (IListItemUI* item = AsListItem(GetItemAt(index))) item->SetSelected(true);
    Invalidate();
    if (triggerEvent) SendNotify(DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index), old);
    return true;
}

bool CComboUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (m_pDrop) CloseDrop();
    else OpenDrop();
    return true;
}

void CComboUI::OpenDrop() {
    if (!m_pManager || m_pDrop) return;
    m_pDrop = new DropList(this);
    m_pDrop->SetManager(m_pManager, this);
    const SIZE client = m_pManager->GetClientSize();
    const int width = m_szDropBox.cx > 0 ? Scale(m_szDropBox.cx) : GetWidth();
    const int wanted = std::min(Scale(m_szDropBox.cy), m_pDrop->ContentHeight() + 2);
    RECT rc{m_rcItem.left, m_rcItem.bottom, m_rcItem.left + width, m_rcItem.bottom + wanted};
    // Open upwards when there is more room above than below.
    if (rc.bottom > client.cy && m_rcItem.top > client.cy - m_rcItem.bottom) {
        rc.top = std::max(0, m_rcItem.top - wanted);
        rc.bottom = m_rcItem.top;
    } else {
        rc.bottom = std::min(rc.bottom, client.cy);
    }
    m_pDrop->SetPos(rc, false);
    m_pDrop->LayoutRows();
    m_pDrop->ScrollToShow(m_iCurSel);
    m_pManager->SetPopup(m_pDrop, [this] { CloseDrop(); });
    SendNotify(DUI_MSGTYPE_DROPDOWN);
    Invalidate();
}

void CComboUI::CloseDrop() {
    if (!m_pDrop) return;
    DropList* drop = m_pDrop;
    m_pDrop = nullptr;
    for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetPos(RECT{}, false);
    if (CPaintManagerUI* manager = m_pManager) {
        manager->Invalidate(drop->GetPos());
        if (manager->GetPopup() == drop) manager->SetPopup(nullptr, nullptr);
        manager->ReapObjects(drop);
        drop->SetManager(nullptr, nullptr, false);
        manager->AddDelayedCleanup(drop);
    } else {
        delete drop;
    }
    Invalidate();
}

void CComboUI::SetPos(RECT rc, bool needInvalidate) {
    const RECT old = m_rcItem;
    CControlUI::SetPos(rc, needInvalidate);
    if (m_pDrop && !(old == m_rcItem)) CloseDrop();
}

void CComboUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
            if (IsEnabled()) {
                if (m_pManager) m_pManager->SetFocus(this);
                Activate();
                m_uButtonState |= UISTATE_PUSHED;
                Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            m_uButtonState &= ~UISTATE_PUSHED;
            Invalidate();
            return;
        case UIEVENT_KEYDOWN:
            if (!IsEnabled()) return;
            if (event.chKey == VK_ESCAPE) {
                CloseDrop();
            } else if (event.chKey == VK_RETURN || event.chKey == VK_SPACE) {
                Activate();
            } else if (GetCount() > 0) {
                const int next = IndexAfterKey(event.chKey, m_iCurSel, GetCount(), 5);
                if (next != -2) {
                    const bool dropped = IsDropped();
                    SelectItem(next);
                    if (dropped) OpenDrop();
                }
            }
            return;
        case UIEVENT_MOUSEENTER:
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
            break;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            break;
        case UIEVENT_KILLFOCUS:
            CloseDrop();
            break;
        case UIEVENT_SCROLLWHEEL:
            // Over the open list the wheel scrolls it; otherwise it goes to what holds the combo.
            if (m_pDrop) m_pDrop->DoEvent(event);
            else CControlUI::DoEvent(event);
            return;
        default:
            break;
    }
    CControlUI::DoEvent(event);
}

void CComboUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    PaintBkColor(cr);
    PaintBkImage(cr);
    const std::string* image = &m_sNormalImage;
    if (!IsEnabled() && !m_sDisabledImage.empty()) image = &m_sDisabledImage;
    else if ((m_uButtonState & UISTATE_PUSHED || m_pDrop) && !m_sPushedImage.empty()) image = &m_sPushedImage;
    else if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.empty()) image = &m_sHotImage;
    if (!image->empty()) DrawImage(cr, *image);
    if (m_pManager) {
        const RECT rc = DeflateRect(m_rcItem, ScaleRect(m_rcTextPadding));
        DWORD color = m_listInfo.dwTextColor ? m_listInfo.dwTextColor : m_pManager->GetDefaultTextColor();
        if (!IsEnabled()) color = m_listInfo.dwDisabledTextColor;
        render::DrawText(cr, m_pManager, rc, GetText(), color, m_listInfo.nFont,
                         DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        if (m_sNormalImage.empty()) {
            // A small arrow marks the drop button when the skin draws none.
            const int cx = m_rcItem.right - Scale(10);
            const int cy = (m_rcItem.top + m_rcItem.bottom) / 2;
            const int s = Scale(4);
            render::SetSourceColor(cr, color);
            cairo_move_to(cr, cx - s, cy - s / 2);
            cairo_line_to(cr, cx + s, cy - s / 2);
            cairo_line_to(cr, cx, cy + s / 2 + 1);
            cairo_close_path(cr);
            cairo_fill(cr);
        }
    }
    PaintBorder(cr);
}

CControlUI* CComboUI::FindControlAt(POINT pt) {
    return CControlUI::FindControlAt(pt);
}

void CComboUI::SetAttribute(const std::string& name, const std::string& value) {
    if (m_listInfo.SetAttribute(name, value)) return;
    if (name == "normalimage") m_sNormalImage = value;
    else if (name == "hotimage") m_sHotImage = value;
    else if (name == "pushedimage") m_sPushedImage = value;
    else if (name == "disabledimage") m_sDisabledImage = value;
    else if (name == "textpadding") m_rcTextPadding = ParseRect(value);
    else if (name == "dropboxsize") m_szDropBox = ParseSize(value);
    else if (name == "dropbkcolor") m_dwDropBkColor = ParseColor(value);
    else if (name == "dropbordercolor") m_dwDropBorderColor = ParseColor(value);
    else if (name == "textcolor") m_listInfo.dwTextColor = ParseColor(value);
    else if (name == "font") m_listInfo.nFont = ParseInt(value, -1);
    else if (name == "dropbox") {
        for (const auto& [key, val] : ParseAttributeList(value)) {
            if (key == "bkcolor") m_dwDropBkColor = ParseColor(val);
            else if (key == "bordercolor") m_dwDropBorderColor = ParseColor(val);
        }
    } else CContainerUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
