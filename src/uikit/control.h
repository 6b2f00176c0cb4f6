#pragma once
// The base of every control: identity, state, position rules, painting of background,
// border and images, event handling and attributes.
//
// Lengths set through attributes or setters are in 96-DPI units; GetPos() and every rectangle
// handed to SetPos/DoPaint are window pixels at the manager's current DPI.
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "uikit/ui_events.h"
#include "uikit/ui_types.h"

namespace kx58::ui {

class CPaintManagerUI;

// Flags of FindControl.
inline constexpr UINT UIFIND_ALL = 0x0;
inline constexpr UINT UIFIND_VISIBLE = 0x1;
inline constexpr UINT UIFIND_ENABLED = 0x2;
inline constexpr UINT UIFIND_HITTEST = 0x4;
inline constexpr UINT UIFIND_TOP_FIRST = 0x8;

// Interaction state bits of buttons, options, edits and list rows.
inline constexpr UINT UISTATE_FOCUSED = 0x01;
inline constexpr UINT UISTATE_SELECTED = 0x02;
inline constexpr UINT UISTATE_DISABLED = 0x04;
inline constexpr UINT UISTATE_HOT = 0x08;
inline constexpr UINT UISTATE_PUSHED = 0x10;
inline constexpr UINT UISTATE_CAPTURED = 0x40;

enum class CursorKind { Arrow, IBeam, Wait, Cross, UpArrow, Size, Icon, SizeNWSE, SizeNESW,
                        SizeWE, SizeNS, SizeAll, No, Hand };
CursorKind ParseCursor(std::string_view name);

// One row of an attribute table: the skin attribute and what it sets.
template <typename T>
struct AttributeEntry {
    std::string_view name;
    void (*apply)(T&, const std::string&);
};

// Applies `name` from the table; false when the table has no such attribute.
template <typename T, std::size_t N>
bool ApplyAttribute(const AttributeEntry<T> (&table)[N], T& target, const std::string& name,
                    const std::string& value) {
    for (const AttributeEntry<T>& entry : table) {
        if (entry.name == name) {
            entry.apply(target, value);
            return true;
        }
    }
    return false;
}

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // Identity.
    virtual std::string GetClass() const { return "ControlUI"; }
    // The object when it is (or derives from) the named kind, nullptr otherwise.
    virtual void* GetInterface(std::string_view name);
    const std::string& GetName() const { return m_sName; }
    void SetName(const std::string& name) { m_sName = name; }

    // Manager and tree.
    CPaintManagerUI* GetManager() const { return m_pManager; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    CControlUI* GetParent() const { return m_pParent; }
    // Called once when the control joins a manager.
    virtual void DoInit() {}

    // Text as shown: a language identifier is translated, other text is shown as it is.
    virtual std::string GetText() const;
    const std::string& GetTextRaw() const { return m_sText; }
    virtual void SetText(const std::string& text);
    std::string GetToolTip() const;
    void SetToolTip(const std::string& text) { m_sToolTip = text; }
    const std::string& GetUserData() const { return m_sUserData; }
    void SetUserData(const std::string& data) { m_sUserData = data; }
    std::uintptr_t GetTag() const { return m_tag; }
    void SetTag(std::uintptr_t tag) { m_tag = tag; }

    // State.
    virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
    virtual void SetVisible(bool visible = true);
    // Set by containers (tab pages, hidden parents) without touching the control's own flag.
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    virtual void SetMouseEnabled(bool enabled = true) { m_bMouseEnabled = enabled; }
    bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
    virtual void SetKeyboardEnabled(bool enabled = true) { m_bKeyboardEnabled = enabled; }
    bool IsFocused() const { return m_bFocused; }
    virtual void SetFocus();
    bool IsContextMenuUsed() const { return m_bMenuUsed; }
    void SetContextMenuUsed(bool used) { m_bMenuUsed = used; }
    CursorKind GetCursor() const { return m_cursor; }
    void SetCursor(CursorKind cursor) { m_cursor = cursor; }
    // True when the control takes the focus on a click (edits, lists, combos).
    virtual bool IsFocusable() const { return false; }
    // A click or Space/Return on the control; false when it is not enabled.
    virtual bool Activate();

    // Position rules.
    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    virtual void Move(SIZE offset, bool needInvalidate = true);
    int GetWidth() const { return m_rcItem.Width(); }
    int GetHeight() const { return m_rcItem.Height(); }
    const RECT& GetPadding() const { return m_rcPadding; }
    void SetPadding(RECT padding);
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return m_cxyMin.cx; }
    void SetMinWidth(int cx);
    int GetMaxWidth() const { return m_cxyMax.cx; }
    void SetMaxWidth(int cx);
    int GetMinHeight() const { return m_cxyMin.cy; }
    void SetMinHeight(int cy);
    int GetMaxHeight() const { return m_cxyMax.cy; }
    void SetMaxHeight(int cy);
    bool IsFloat() const { return m_bFloat; }
    void SetFloat(bool isFloat = true);
    // Float position relative to the parent's inner top-left, in 96-DPI units.
    const RECT& GetFloatPos() const { return m_rcFloat; }
    void SetFloatPos(RECT rc);
    // The size the control asks its layout for, in window pixels; 0 means "stretch".
    virtual SIZE EstimateSize(SIZE available);
    // 96-DPI length -> window pixels at the manager's DPI.
    int Scale(int value) const;
    RECT ScaleRect(const RECT& rc) const;

    // Appearance.
    DWORD GetBkColor() const { return m_dwBackColor; }
    void SetBkColor(DWORD color);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD color);
    void SetFocusBorderColor(DWORD color);
    int GetBorderSize() const { return m_nBorderSize; }
    void SetBorderSize(int size);
    SIZE GetBorderRound() const { return m_cxyBorderRound; }
    void SetBorderRound(SIZE round);
    const std::string& GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const std::string& image);
    const std::string& GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const std::string& image);

    // Attributes from skin XML; unknown names are ignored (traced).
    virtual void SetAttribute(const std::string& name, const std::string& value);
    // Applies a list of name="value" pairs (the form of <Default> and <Style>).
    void ApplyAttributeList(std::string_view list);
    // Applies the manager's named <Style>; traces an unknown name.
    void ApplyStyle(const std::string& styleName);

    // Invalidation.
    void Invalidate();
    // The layout of this control's parent (and so its own) must be computed again.
    void NeedUpdate();
    void NeedParentUpdate();

    // Painting into window pixels; `rcPaint` is the part that needs it.
    virtual void DoPaint(cairo_t* cr, const RECT& rcPaint);
    virtual void PaintBkColor(cairo_t* cr);
    virtual void PaintBkImage(cairo_t* cr);
    virtual void PaintStatusImage(cairo_t* cr);
    virtual void PaintText(cairo_t* cr);
    virtual void PaintBorder(cairo_t* cr);
    // Draws an image string in this control's rectangle; false when it could not.
    bool DrawImage(cairo_t* cr, const std::string& imageString, const std::string& modify = {});

    // Events from the paint manager.
    virtual void DoEvent(TEventUI& event);
    void Event(TEventUI& event) { DoEvent(event); }

    // Timers delivered back to this control as UIEVENT_TIMER (and a "timer" notification).
    bool SetTimer(UINT id, UINT elapseMs);
    void KillTimer(UINT id);
    void KillTimer();

    // Searching the tree; `pred` decides. Containers search their children too.
    using FindPredicate = std::function<bool(CControlUI*)>;
    virtual CControlUI* FindControl(const FindPredicate& pred, UINT flags);
    // Hit test: the deepest control under `pt` that takes the mouse.
    virtual CControlUI* FindControlAt(POINT pt);

protected:
    bool Passes(UINT flags) const;
    void SendNotify(const char* type, WPARAM wParam = 0, LPARAM lParam = 0);

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    std::string m_sName;
    std::string m_sText;
    std::string m_sToolTip;
    std::string m_sUserData;
    std::uintptr_t m_tag = 0;
    bool m_bVisible = true;
    bool m_bInternVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bKeyboardEnabled = true;
    bool m_bFocused = false;
    bool m_bFloat = false;
    bool m_bMenuUsed = false;
    bool m_bInited = false;
    CursorKind m_cursor = CursorKind::Arrow;

    RECT m_rcItem{};
    RECT m_rcPadding{};
    RECT m_rcFloat{};
    SIZE m_cxyFixed{};
    SIZE m_cxyMin{};
    SIZE m_cxyMax{9999, 9999};

    DWORD m_dwBackColor = 0;
    DWORD m_dwBorderColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    int m_nBorderSize = 0;
    SIZE m_cxyBorderRound{};
    std::string m_sBkImage;
    std::string m_sForeImage;
};

}  // namespace kx58::ui
