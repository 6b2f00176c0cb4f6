#pragma once
// One window's control tree: root, lookup, notifications, focus, capture, timers,
// invalidation and layout, DPI, fonts, default attributes and styles.
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "uikit/control.h"
#include "uikit/font.h"
#include "uikit/ui_events.h"

namespace kx58::ui {

class IBackendWindow;

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Process-wide resource location (the skin folder) and the main loop.
    static void SetResourcePath(const std::string& path);
    static std::string GetResourcePath();
    static std::string GetInstancePath();
    static int MessageLoop();
    // Every manager that exists on any thread's windows (for DPI changes of all windows).
    static std::vector<CPaintManagerUI*> AllManagers();
    // Sets the DPI of every manager of this thread (the windows rescale).
    static void SetAllDPI(int dpi);

    // Binds the manager to its window: `hwnd` receives the timers, `window` paints.
    void Init(HWND hwnd, IBackendWindow* window);
    HWND GetPaintWindow() const { return m_hwnd; }
    IBackendWindow* GetBackendWindow() const { return m_window; }

    // Root and lookup.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_root.get(); }
    CControlUI* FindControl(const std::string& name) const;
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* parent, const std::string& name) const;
    // Forgets every reference to a control and its children (removed or destroyed).
    void ReapObjects(CControlUI* control);
    // Destroys a removed control once the message being handled is done with it.
    void AddDelayedCleanup(CControlUI* control);
    void FlushDelayedCleanup();

    // Notifications.
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyUI& msg, bool async = false);
    void SendNotify(CControlUI* control, const std::string& type, WPARAM wParam = 0,
                    LPARAM lParam = 0, bool async = false);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    void SetTextQueryInterface(IQueryControlText* query) { m_textQuery = query; }
    IQueryControlText* GetTextQueryInterface() const { return m_textQuery; }

    // Control timers: WM_TIMER of the window, delivered to the control as UIEVENT_TIMER.
    bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
    bool KillTimer(CControlUI* control, UINT id);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();

    // Focus, capture, hover.
    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_captured; }
    CControlUI* GetHot() const { return m_hot; }
    POINT GetMousePos() const { return m_lastMouse; }

    // Option groups (COptionUI "group").
    void AddOptionGroup(const std::string& group, CControlUI* option);
    std::vector<CControlUI*> GetOptionGroup(const std::string& group) const;
    void RemoveOptionGroup(const std::string& group, CControlUI* option);

    // Layout and painting.
    void Invalidate();
    void Invalidate(const RECT& rc);
    void NeedUpdate() { m_needUpdate = true; Invalidate(); }
    bool IsUpdateNeeded() const { return m_needUpdate; }
    void UpdateLayout();
    // Paints the part `dirty` of the client area; lays out first when needed.
    void Paint(cairo_t* cr, const RECT& dirty);
    SIZE GetClientSize() const;
    // The pop-up layer (drop lists): painted above the tree, gets the mouse first; a click
    // outside it closes it through `onClose`.
    void SetPopup(CControlUI* popup, std::function<void()> onClose);
    void ClosePopup();
    CControlUI* GetPopup() const { return m_popup; }

    // Window description from <Window> (96-DPI units); sizes are kept within kMaxWindowLength.
    SIZE GetInitSize() const { return m_initSize; }
    void SetInitSize(int cx, int cy) { m_initSize = WindowSize(cx, cy); }
    RECT GetCaptionRect() const { return m_caption; }
    // The caption in client pixels: left, top and right are insets, bottom the height.
    RECT GetCaptionClientRect() const;
    void SetCaptionRect(RECT rc) { m_caption = ClampLengths(rc); }
    SIZE GetMinInfo() const { return m_minInfo; }
    void SetMinInfo(int cx, int cy) { m_minInfo = WindowSize(cx, cy); }
    SIZE GetMaxInfo() const { return m_maxInfo; }
    void SetMaxInfo(int cx, int cy) { m_maxInfo = WindowSize(cx, cy); }
    RECT GetSizeBox() const { return m_sizeBox; }
    void SetSizeBox(RECT rc) { m_sizeBox = ClampLengths(rc); }
    DWORD GetDefaultTextColor() const { return m_defaultTextColor; }
    void SetDefaultTextColor(DWORD color) { m_defaultTextColor = color; }
    DWORD GetDefaultDisabledColor() const { return m_defaultDisabledColor; }
    void SetDefaultDisabledColor(DWORD color) { m_defaultDisabledColor = color; }

    // DPI: every length, image and font is scaled by dpi / 96. Changing it rescales the
    // window and lays the tree out again.
    int GetDPI() const { return m_dpi; }
    void SetDPI(int dpi);
    void ResetDPIAssets();
    int Scale(int value) const { return ScaleForDpi(value, m_dpi); }

    // Fonts: private to this manager or shared by all managers of the process. Sizes outside
    // 1..kMaxFontSize pixels are clamped (0 or less means the default size).
    void AddFont(int id, const std::string& face, int size, bool bold, bool underline,
                 bool italic, bool shared = false);
    void SetDefaultFont(const std::string& face, int size, bool bold, bool underline,
                        bool italic, bool shared = false);
    // The font of `id` (private first, then shared), else the default font.
    FontInfo GetFont(int id) const;
    bool HasFont(int id) const;
    void RemoveAllFonts();
    static void RemoveAllSharedFonts();

    // <Default> attribute lists per class and named <Style> lists.
    void AddDefaultAttributeList(const std::string& className, const std::string& list,
                                 bool shared = false);
    std::string GetDefaultAttributeList(const std::string& className) const;
    void AddStyle(const std::string& name, const std::string& list, bool shared = false);
    std::string GetStyle(const std::string& name) const;

    // Window messages (input, size, timers, focus). True when the message was consumed.
    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Re-resolves every text after a language change.
    void ReloadText();

    // Private window messages of the manager (below the registered range, above WM_APP).
    static constexpr UINT kMsgWindowInit = 0xBF01;
    static constexpr UINT kMsgAsyncNotify = 0xBF02;
    // Window timer ids used for control timers start here; the window's own ids stay below.
    static constexpr UINT kControlTimerBase = 0x7FFF0000;
    // Key messages carry the MODIFIER_* state in these lParam bits.
    static constexpr int kModifierShift = 16;

private:
    // Places the tree in the client area (no repaint asked).
    void LayOut();
    void PaintPart(cairo_t* cr, const RECT& part);
    struct TimerInfo {
        CControlUI* control;
        UINT localId;
        UINT windowId;
    };

    static SIZE WindowSize(int cx, int cy) {
        return SIZE{std::clamp(cx, 0, kMaxWindowLength), std::clamp(cy, 0, kMaxWindowLength)};
    }
    void DispatchMouse(UINT message, WPARAM wParam, LPARAM lParam);
    void SetHot(CControlUI* control, POINT pt, WPARAM keyState);
    void SendEvent(CControlUI* control, int type, POINT pt, WPARAM keyState,
                   WPARAM wParam = 0, UINT key = 0);
    void FlushAsyncNotify();
    void MoveFocus(bool forward);
    CControlUI* MouseTarget(POINT pt) const;

    HWND m_hwnd = nullptr;
    IBackendWindow* m_window = nullptr;
    std::unique_ptr<CControlUI> m_root;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    IQueryControlText* m_textQuery = nullptr;
    std::deque<TNotifyUI> m_asyncNotify;
    bool m_asyncPosted = false;
    std::vector<TimerInfo> m_timers;
    UINT m_nextTimerId = 0;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hot = nullptr;
    CControlUI* m_pressed = nullptr;
    CControlUI* m_popup = nullptr;
    std::function<void()> m_popupClose;
    bool m_captured = false;
    POINT m_lastMouse{};
    std::map<std::string, std::vector<CControlUI*>> m_optionGroups;
    bool m_needUpdate = true;
    bool m_windowInitSent = false;
    bool m_windowInitDone = false;
    RECT m_layoutRect{};

    SIZE m_initSize{};
    RECT m_caption{};
    SIZE m_minInfo{};
    SIZE m_maxInfo{};
    RECT m_sizeBox{};
    DWORD m_defaultTextColor = 0xFF000000;
    DWORD m_defaultDisabledColor = 0xFFA7A6AA;
    int m_dpi = 96;

    std::vector<CControlUI*> m_delayedCleanup;
    int m_messageDepth = 0;
    std::map<int, FontInfo> m_fonts;
    FontInfo m_defaultFont;
    bool m_hasDefaultFont = false;
    std::map<std::string, std::string> m_defaultAttributes;
    std::map<std::string, std::string> m_styles;
};

}  // namespace kx58::ui
