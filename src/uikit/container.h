#pragma once
// Containers: children, inner margins, child spacing, scrolling, and the three layouts.
#include <vector>

#include "uikit/control.h"

namespace kx58::ui {

class CScrollBarUI;

class CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    std::string GetClass() const override { return "ContainerUI"; }
    void* GetInterface(std::string_view name) override;

    // Children; the container owns them. Remove* destroy the child once the current message
    // is handled (a click handler may remove the row it sits in).
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(CControlUI* control) const;
    bool SetItemIndex(CControlUI* control, int index);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    virtual bool Remove(CControlUI* control);
    virtual bool RemoveAt(int index);
    virtual void RemoveAll();
    // Takes a child out without destroying it; the caller owns it afterwards.
    CControlUI* Detach(CControlUI* control);

    RECT GetInset() const { return m_rcInset; }
    void SetInset(RECT inset);
    int GetChildPadding() const { return m_iChildPadding; }
    void SetChildPadding(int padding);
    void SetChildAlign(UINT align) { m_uChildAlign = align; NeedUpdate(); }
    void SetChildVAlign(UINT align) { m_uChildVAlign = align; NeedUpdate(); }
    bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
    void SetMouseChildEnabled(bool enabled = true) { m_bMouseChildEnabled = enabled; }
    void SetMouseEnabled(bool enabled = true) override;
    void SetKeyboardEnabled(bool enabled = true) override;
    void SetEnabled(bool enabled = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;

    // Scrolling (window pixels).
    void EnableScrollBar(bool vertical, bool horizontal);
    CScrollBarUI* GetVerticalScrollBar() const { return m_pVerticalScrollBar; }
    CScrollBarUI* GetHorizontalScrollBar() const { return m_pHorizontalScrollBar; }
    SIZE GetScrollPos() const;
    SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos);
    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();
    void HomeUp();
    void EndDown();
    // Scrolls so that `rc` (window pixels) lies inside the visible area.
    void ScrollIntoView(const RECT& rc);

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void Move(SIZE offset, bool needInvalidate = true) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::string& name, const std::string& value) override;
    CControlUI* FindControl(const FindPredicate& pred, UINT flags) override;
    CControlUI* FindControlAt(POINT pt) override;
    // The inner rectangle children are laid out in (without scroll bars).
    RECT GetInnerRect() const;

protected:
    // Lays children out along one axis (vertical and horizontal layouts).
    void LayoutLinear(RECT rc, bool vertical);
    // Children all fill the inner rectangle (plain containers, tab pages).
    void LayoutStacked(RECT rc);
    void PlaceFloat(CControlUI* child, const RECT& inner);
    // Shows or hides the scroll bars for content of `needed` pixels; returns the inner rect.
    void ProcessScrollBars(const RECT& inner, SIZE needed);
    void ReleaseChild(CControlUI* control);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset{};
    int m_iChildPadding = 0;
    // How children sit in spare room: DT_LEFT/DT_CENTER/DT_RIGHT and DT_TOP/DT_VCENTER/DT_BOTTOM.
    UINT m_uChildAlign = 0;
    UINT m_uChildVAlign = 0;
    bool m_bMouseChildEnabled = true;
    CScrollBarUI* m_pVerticalScrollBar = nullptr;
    CScrollBarUI* m_pHorizontalScrollBar = nullptr;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    std::string GetClass() const override { return "VerticalLayoutUI"; }
    void* GetInterface(std::string_view name) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::string GetClass() const override { return "HorizontalLayoutUI"; }
    void* GetInterface(std::string_view name) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
};

class CTabLayoutUI : public CContainerUI {
public:
    std::string GetClass() const override { return "TabLayoutUI"; }
    void* GetInterface(std::string_view name) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_iCurSel; }
    // Shows page `index`; sends "tabselect" (wParam new, lParam old). False for a bad index.
    virtual bool SelectItem(int index, bool triggerEvent = true);
    bool SelectItem(CControlUI* control, bool triggerEvent = true);
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetAttribute(const std::string& name, const std::string& value) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;

protected:
    void ApplySelection();
    int m_iCurSel = -1;
};

}  // namespace kx58::ui
