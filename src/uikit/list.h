#pragma once
// Lists and combo boxes: rows of text (CListLabelElementUI) or of child controls
// (CListContainerElementUI), one selected row, "itemselect" and "itemclick".
#include "uikit/container.h"
#include "uikit/label.h"

namespace kx58::ui {

// How the rows of one list or combo look.
struct TListInfoUI {
    int nFont = -1;
    UINT uTextStyle = 0x0004 | 0x0020;  // DT_VCENTER | DT_SINGLELINE
    RECT rcTextPadding{4, 0, 4, 0};
    DWORD dwTextColor = 0;
    DWORD dwBkColor = 0;
    DWORD dwSelectedTextColor = 0;
    DWORD dwSelectedBkColor = 0xFFC1E3FF;
    DWORD dwHotTextColor = 0;
    DWORD dwHotBkColor = 0xFFE9F5FF;
    DWORD dwDisabledTextColor = 0xFFCCCCCC;
    DWORD dwLineColor = 0;
    std::string sBkImage;
    std::string sSelectedImage;
    std::string sHotImage;
    int nDefaultHeight = 24;  // rows without a height, 96-DPI units
    // Applies one "item..." attribute; false when the name is not one.
    bool SetAttribute(const std::string& name, const std::string& value);
};

class IListOwnerUI {
public:
    virtual ~IListOwnerUI() = default;
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) = 0;
    // Key and wheel events that rows pass on to the list.
    virtual void DoEvent(TEventUI& event) = 0;
};

class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual IListOwnerUI* GetOwner() = 0;
    virtual void SetOwner(IListOwnerUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    // Marks the row; the owner decides what is selected.
    virtual void SetSelected(bool selected) = 0;
};

// Row behaviour shared by text rows and container rows.
class ListItemState : public IListItemUI {
public:
    int GetIndex() const override { return m_index; }
    void SetIndex(int index) override { m_index = index; }
    IListOwnerUI* GetOwner() override { return m_owner; }
    void SetOwner(IListOwnerUI* owner) override { m_owner = owner; }
    bool IsSelected() const override { return m_selected; }

protected:
    // Mouse and key handling of a row; true when the event was consumed.
    bool HandleRowEvent(CControlUI& row, TEventUI& event);
    void PaintRowBackground(CControlUI& row, cairo_t* cr);
    DWORD RowTextColor(const CControlUI& row) const;

    int m_index = -1;
    IListOwnerUI* m_owner = nullptr;
    bool m_selected = false;
    bool m_hot = false;
};

class CListLabelElementUI : public CLabelUI, public ListItemState {
public:
    CListLabelElementUI();
    std::string GetClass() const override { return "ListLabelElementUI"; }
    void* GetInterface(std::string_view name) override;
    void SetSelected(bool selected) override;
    SIZE EstimateSize(SIZE available) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
};

class CListContainerElementUI : public CHorizontalLayoutUI, public ListItemState {
public:
    std::string GetClass() const override { return "ListContainerElementUI"; }
    void* GetInterface(std::string_view name) override;
    void SetSelected(bool selected) override;
    SIZE EstimateSize(SIZE available) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
public:
    CListUI();
    std::string GetClass() const override { return "ListUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsFocusable() const override { return true; }

    TListInfoUI* GetListInfo() override { return &m_listInfo; }
    int GetCurSel() const override { return m_iCurSel; }
    // Selects row `index` (-1 clears), scrolls it into view and sends "itemselect"
    // (wParam new index, lParam old index). False for a bad index.
    bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) override;
    void EnsureVisible(int index);

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    void DoEvent(TEventUI& event) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    void Reindex();
    TListInfoUI m_listInfo;
    int m_iCurSel = -1;
};

class CComboUI : public CContainerUI, public IListOwnerUI {
public:
    CComboUI();
    ~CComboUI() override;
    std::string GetClass() const override { return "ComboUI"; }
    void* GetInterface(std::string_view name) override;
    bool IsFocusable() const override { return true; }

    // The selected row's text.
    std::string GetText() const override;
    TListInfoUI* GetListInfo() override { return &m_listInfo; }
    int GetCurSel() const override { return m_iCurSel; }
    // Selects row `index` (-1 clears) and sends "itemselect" (wParam new, lParam old).
    bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // The drop list: opened by a click, closed by a choice, Escape or a click elsewhere.
    bool Activate() override;
    bool IsDropped() const { return m_pDrop != nullptr; }
    void CloseDrop();
    SIZE GetDropBoxSize() const { return m_szDropBox; }
    void SetDropBoxSize(SIZE size) { m_szDropBox = size; }

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
    CControlUI* FindControlAt(POINT pt) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    class DropList;
    void Reindex();
    void OpenDrop();

    TListInfoUI m_listInfo;
    int m_iCurSel = -1;
    UINT m_uButtonState = 0;
    SIZE m_szDropBox{0, 150};
    RECT m_rcTextPadding{4, 0, 20, 0};
    DWORD m_dwDropBkColor = 0xFFFFFFFF;
    DWORD m_dwDropBorderColor = 0xFF999999;
    std::string m_sNormalImage;
    std::string m_sHotImage;
    std::string m_sPushedImage;
    std::string m_sDisabledImage;
    DropList* m_pDrop = nullptr;
};

}  // namespace kx58::ui
