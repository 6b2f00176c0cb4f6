#pragma once
// Top-level windows: CWindowWnd owns a message window (its HWND: messages, timers,
// cross-thread sends) and a backend window (what shows it). WindowImplBase builds its
// controls from a skin file and routes notifications.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "uikit/dialog_builder.h"
#include "uikit/paint_manager.h"
#include "uikit/window_backend.h"

namespace kx58::ui {

// Window styles that matter to the backends (Windows values).
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;
inline constexpr DWORD UI_WNDSTYLE_FRAME = 0x96CA0000;
inline constexpr DWORD UI_WNDSTYLE_DIALOG = 0x96C80000;

inline constexpr UINT IDOK = 1;
inline constexpr UINT IDCANCEL = 2;

// WM_SYSCOMMAND commands.
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_RESTORE = 0xF120;

class CWindowWnd : public IWindowHost {
public:
    CWindowWnd();
    ~CWindowWnd() override;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }
    IBackendWindow* GetBackendWindow() const { return m_backend.get(); }

    bool Create(HWND parent, const std::string& name, DWORD style, DWORD exStyle, int x = 0,
                int y = 0, int cx = 0, int cy = 0);
    bool Create(HWND parent, const std::string& name, DWORD style, DWORD exStyle, const RECT& rc);
    // Destroys the window now: WM_DESTROY, then OnFinalMessage (which may delete the object).
    void Destroy();

    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window and runs a nested loop until it is closed; returns Close's result
    // (IDCANCEL when the loop ended for a quit).
    UINT ShowModal();
    // Closes the window once the current message is handled.
    void Close(UINT result = IDOK);
    void CenterWindow();
    void ResizeClient(int cx = -1, int cy = -1);
    void MoveWindow(int x, int y);
    void Minimize();
    void Restore();
    bool IsWindowVisible() const;
    bool IsMinimized() const;
    void SetTopmost(bool topmost);
    void SetIcon(UINT /*resourceId*/) {}

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual std::string GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const { return 0; }
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hwnd);

    // IWindowHost
    LRESULT OnBackendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnBackendPaint(cairo_t* cr, const RECT& dirty) override;
    bool IsCaptionPoint(POINT pt) override;

protected:
    // Called by Destroy while the backend window still exists (pop-ups repaint it as they close).
    virtual void OnWindowGoing() {}
    // Called by Destroy once the backend window is gone, before OnFinalMessage.
    virtual void OnWindowGone() {}

private:
    struct ModalState {
        bool done = false;
        UINT result = IDCANCEL;
    };

    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    std::unique_ptr<MessageWindow> m_messageWindow;
    std::unique_ptr<IBackendWindow> m_backend;
    std::shared_ptr<ModalState> m_modal;
    UINT m_closeResult = IDCANCEL;
    bool m_destroying = false;
};

// Notification handlers by type (and optionally by control name), for windows and for
// parts of a window that want their own handlers.
class CNotifyPump {
public:
    using Handler = std::function<void(TNotifyUI&)>;
    virtual ~CNotifyPump() = default;
    // An empty control name matches every sender.
    void BindNotify(const std::string& type, const std::string& controlName, Handler handler);
    void UnbindNotify(const std::string& type, const std::string& controlName);
    // Runs the matching handlers; true when one ran.
    bool NotifyPump(TNotifyUI& msg);

private:
    std::map<std::pair<std::string, std::string>, Handler> m_handlers;
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase();
    ~WindowImplBase() override;

    CPaintManagerUI& GetPaintManager() { return m_pm; }

    // The skin file of the window: a "res.xml" identifier or a skin-relative path.
    virtual std::string GetSkinFile() = 0;
    // Folder (relative to the skin folder) the skin's own paths start from; empty for none.
    virtual std::string GetSkinFolder() { return {}; }
    virtual void InitWindow() {}
    // Default: bound handlers, then the caption buttons (close, minimise, restore).
    void Notify(TNotifyUI& msg) override;
    virtual void OnClick(TNotifyUI& msg);
    CControlUI* CreateControl(const std::string& className) override;
    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Messages the window handles itself before the controls see them.
    virtual LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    void OnBackendPaint(cairo_t* cr, const RECT& dirty) override;
    bool IsCaptionPoint(POINT pt) override;

protected:
    // The controls outlive the window until the object goes; they must not reach its backend.
    void OnWindowGoing() override;
    void OnWindowGone() override;
    CPaintManagerUI m_pm;
};

}  // namespace kx58::ui
