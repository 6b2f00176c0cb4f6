#pragma once
// Events that the paint manager hands to controls, the notification record controls send to
// the window, and the window messages and key codes the backends deliver.
#include <cstdint>
#include <string>

#include "uikit/ui_types.h"

namespace kx58::ui {

class CControlUI;

// Messages the backends deliver besides those of platform/win_types.h (Windows values).
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_CONTEXTMENU = 0x007B;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;

// Mouse button and modifier state carried in wParam of mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;

// Virtual-key codes (Windows values) that controls react to.
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_DELETE = 0x2E;
inline constexpr UINT VK_F4 = 0x73;

// Modifier state of key messages (lParam bits are not used for this).
inline constexpr std::uint16_t MODIFIER_SHIFT = 0x1;
inline constexpr std::uint16_t MODIFIER_CONTROL = 0x2;
inline constexpr std::uint16_t MODIFIER_ALT = 0x4;

enum UiEventType {
    UIEVENT_MOUSEMOVE = 1,
    UIEVENT_MOUSELEAVE,
    UIEVENT_MOUSEENTER,
    UIEVENT_MOUSEHOVER,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_RBUTTONDOWN,
    UIEVENT_RBUTTONUP,
    UIEVENT_DBLCLICK,
    UIEVENT_CONTEXTMENU,
    UIEVENT_SCROLLWHEEL,
    UIEVENT_KEYDOWN,
    UIEVENT_KEYUP,
    UIEVENT_CHAR,
    UIEVENT_SETFOCUS,
    UIEVENT_KILLFOCUS,
    UIEVENT_TIMER,
    UIEVENT_SETCURSOR,
};

struct TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    std::uint32_t dwTimestamp = 0;
    POINT ptMouse{};
    UINT chKey = 0;                // virtual key (key events) or code point (UIEVENT_CHAR)
    std::uint16_t wKeyState = 0;   // MK_* for mouse events, MODIFIER_* for key events
    WPARAM wParam = 0;             // timer id, wheel direction (0 up, 1 down), ...
    LPARAM lParam = 0;
};

struct TNotifyUI {
    std::string sType;
    std::string sVirtualWnd;
    CControlUI* pSender = nullptr;
    std::uint32_t dwTimestamp = 0;
    POINT ptMouse{};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Notification type names: the window routes on these exact strings.
inline constexpr const char* DUI_MSGTYPE_CLICK = "click";
inline constexpr const char* DUI_MSGTYPE_SELECTCHANGED = "selectchanged";
inline constexpr const char* DUI_MSGTYPE_ITEMSELECT = "itemselect";
inline constexpr const char* DUI_MSGTYPE_ITEMCLICK = "itemclick";
inline constexpr const char* DUI_MSGTYPE_ITEMACTIVATE = "itemactivate";
inline constexpr const char* DUI_MSGTYPE_VALUECHANGED = "valuechanged";
inline constexpr const char* DUI_MSGTYPE_MOVEVALUECHANGED = "movevaluechanged";
inline constexpr const char* DUI_MSGTYPE_KILLFOCUS = "killfocus";
inline constexpr const char* DUI_MSGTYPE_SETFOCUS = "setfocus";
inline constexpr const char* DUI_MSGTYPE_TEXTCHANGED = "textchanged";
inline constexpr const char* DUI_MSGTYPE_RETURN = "return";
inline constexpr const char* DUI_MSGTYPE_TIMER = "timer";
inline constexpr const char* DUI_MSGTYPE_WINDOWINIT = "windowinit";
inline constexpr const char* DUI_MSGTYPE_WINDOWSIZE = "windowsize";
inline constexpr const char* DUI_MSGTYPE_MENU = "menu";
inline constexpr const char* DUI_MSGTYPE_DBCLICK = "dbclick";
inline constexpr const char* DUI_MSGTYPE_MOUSEENTER = "msenter";
inline constexpr const char* DUI_MSGTYPE_MOUSELEAVE = "msleave";
inline constexpr const char* DUI_MSGTYPE_COLORCHANGED = "colorchanged";
inline constexpr const char* DUI_MSGTYPE_DROPDOWN = "dropdown";
inline constexpr const char* DUI_MSGTYPE_SCROLL = "scroll";
inline constexpr const char* DUI_MSGTYPE_TABSELECT = "tabselect";

class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees every window message before the paint manager handles it; set `handled` to stop it.
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Answers the displayed text of a text identifier before the language files are asked;
// an empty answer means "not mine".
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    virtual std::string QueryControlText(const std::string& id, const std::string& controlType) = 0;
};

}  // namespace kx58::ui
