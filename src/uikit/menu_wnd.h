#pragma once
// Pop-up menus built from menu XML: a <Menu> of <MenuElement> items (any other control may
// sit between them, e.g. a thin <Control> as a separator). A chosen item comes back to the
// owner window as WM_MENUCLICK with a MenuCmd (valid during the call) carrying its name.
// Items with a "group" are radio items, items with checkable="true" toggle; their states
// can be kept across openings in a CheckMap the caller owns.
#include <map>
#include <string>
#include <vector>

#include "uikit/button.h"
#include "uikit/window.h"

namespace kx58::ui {

inline constexpr UINT WM_MENUCLICK = WM_USER + 121;

// Which side of the menu sits at the given point; combine one horizontal and one vertical.
enum MenuAlignment : int {
    eMenuAlignment_Left = 1 << 1,
    eMenuAlignment_Top = 1 << 2,
    eMenuAlignment_Right = 1 << 3,
    eMenuAlignment_Bottom = 1 << 4,
};

struct MenuCmd {
    std::string name;
    std::string text;
    std::string userData;
    bool checked = false;
};

class CMenuElementUI : public CButtonUI {
public:
    CMenuElementUI();
    std::string GetClass() const override { return "MenuElementUI"; }
    void* GetInterface(std::string_view name) override;

    bool IsChecked() const { return m_checked; }
    void SetChecked(bool checked);
    bool IsCheckable() const { return m_checkable || !m_group.empty(); }
    const std::string& GetGroup() const { return m_group; }
    // Marks the item as the one the keyboard points at (drawn as hot).
    void SetKeyboardHot(bool hot);
    bool IsKeyboardHot() const { return (m_uButtonState & UISTATE_HOT) != 0; }

    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    bool m_checked = false;
    bool m_checkable = false;
    std::string m_group;
    std::string m_checkImage;
    DWORD m_checkColor = 0xFFE6E6E6;
};

class CMenuWnd : public WindowImplBase {
public:
    using CheckMap = std::map<std::string, bool>;

    // Builds the menu from `xml` (skin-relative path, "res.xml" identifier or XML text; '\'
    // separators are accepted) and shows it at `point` (screen pixels) with `alignment`,
    // kept inside the monitor. Closes a menu of this thread that is still open. The window
    // deletes itself when it closes; nullptr when the menu cannot be built.
    static CMenuWnd* CreateMenu(HWND owner, const std::string& xml, POINT point,
                                int alignment = eMenuAlignment_Left | eMenuAlignment_Top,
                                CheckMap* checks = nullptr);
    // The menu of this thread that is open, or nullptr.
    static CMenuWnd* Current();
    // Where a menu of `size` goes for `point` and `alignment`, kept inside `monitor`.
    static POINT PlaceMenu(POINT point, SIZE size, int alignment, const RECT& monitor);

    std::string GetWindowClassName() const override { return "MenuWnd"; }
    std::string GetSkinFile() override { return m_xml; }
    CControlUI* CreateControl(const std::string& className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage(HWND hwnd) override;

    CMenuElementUI* FindItem(const std::string& name);

private:
    CMenuWnd(HWND owner, std::string xml, CheckMap* checks);
    ~CMenuWnd() override;
    void ApplyCheckMap();
    std::vector<CMenuElementUI*> Items() const;
    // Up/Down move through the enabled items, Return chooses; false for other keys.
    bool HandleMenuKey(UINT key);
    SIZE MeasureMenu();
    void Choose(CMenuElementUI* item);

    HWND m_owner;
    std::string m_xml;
    CheckMap* m_checks;
    bool m_chosen = false;
    MenuCmd m_cmd;
};

}  // namespace kx58::ui
