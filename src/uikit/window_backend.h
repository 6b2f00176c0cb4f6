#pragma once
// The seam between windows of this layer and the system that shows them. A backend creates
// top-level windows, delivers input to them as window messages through IWindowHost, and asks
// them to paint into a cairo context. The headless backend paints into image surfaces; the
// GTK backend hosts the same windows on the desktop.
//
// Message packing (Windows numbers): mouse messages carry client pixels in lParam
// (MakeLParam) and MK_* in wParam; WM_MOUSEWHEEL the signed delta in the high word of wParam
// (the pointer position is the last WM_MOUSEMOVE's); WM_KEYDOWN/WM_KEYUP a virtual-key code
// in wParam and the MODIFIER_* state in lParam bits 16-18; WM_CHAR one Unicode code point;
// WM_SIZE the new client size; WM_LBUTTONDBLCLK the second press of a double click.
// Window messages, posts and timers live in the thread's platform MessageQueue; a backend's
// loop waits on MessageQueue::WakeFd()/NextTimerDueMs() besides its own events and calls
// DispatchPending() when they are ready.
#include <cairo.h>

#include <functional>
#include <memory>
#include <string>

#include "uikit/control.h"
#include "uikit/ui_types.h"

namespace kx58::ui {

// What a backend window calls back on the window it shows.
class IWindowHost {
public:
    virtual ~IWindowHost() = default;
    // Input, size, focus, close and DPI changes, as window messages.
    virtual LRESULT OnBackendMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Paints the client area part `dirty` (window pixels) into `cr`.
    virtual void OnBackendPaint(cairo_t* cr, const RECT& dirty) = 0;
    // True when the point (client pixels) lies in the caption area that drags the window.
    virtual bool IsCaptionPoint(POINT pt) = 0;
};

struct WindowCreateParams {
    std::string title;
    std::string className;
    RECT rect{};           // screen pixels
    bool visible = false;
    bool popup = false;    // menus and drop lists: no taskbar entry, no activation
    bool toolWindow = false;
    bool topmost = false;
    HWND owner = nullptr;
};

class IBackendWindow {
public:
    virtual ~IBackendWindow() = default;
    virtual void Show(bool show, bool activate) = 0;
    virtual bool IsVisible() const = 0;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
    virtual bool IsMinimized() const = 0;
    // Outer rectangle in screen pixels.
    virtual RECT GetRect() const = 0;
    virtual void Move(int x, int y) = 0;
    virtual void Resize(int cx, int cy) = 0;
    virtual SIZE GetClientSize() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetTopmost(bool topmost) = 0;
    // Marks client pixels for repainting; the backend paints them when it gets round to it.
    virtual void Invalidate(const RECT& rc) = 0;
    virtual void SetCapture(bool capture) = 0;
    virtual void SetCursor(CursorKind cursor) = 0;
    // The tip of the control under the pointer ("" for none) and that control's rectangle in
    // client pixels: a tip opens at its own control and closes when the pointer leaves it.
    virtual void SetToolTip(const std::string& text, const RECT& area) = 0;
    // Dots per inch of the monitor the window is on.
    virtual int GetMonitorDpi() const = 0;
    // Work area of the monitor the window is on, screen pixels.
    virtual RECT GetMonitorRect() const = 0;
    virtual void Activate() = 0;
};

class IWindowBackend {
public:
    virtual ~IWindowBackend() = default;
    virtual std::string Name() const = 0;
    virtual std::unique_ptr<IBackendWindow> CreateBackendWindow(IWindowHost* host,
                                                                const WindowCreateParams& params) = 0;
    // Runs the current thread's loop until PostQuitMessage; returns its exit code.
    virtual int RunLoop() = 0;
    // Runs the loop until `done` holds (modal windows); false when a quit arrived meanwhile
    // (the quit is posted again for the outer loop).
    virtual bool RunModalLoop(const std::function<bool()>& done) = 0;
    // Screen position of the pointer.
    virtual POINT GetCursorPos() const = 0;
    // The desktop clipboard's text (edits copy, cut and paste through it).
    virtual std::string GetClipboardText() const = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
};

// The backend of the process; the headless backend unless another was installed.
IWindowBackend& CurrentBackend();
// Installs a backend (at start, before any window exists); returns the previous one.
std::unique_ptr<IWindowBackend> InstallBackend(std::unique_ptr<IWindowBackend> backend);

// Backends other than "headless" register a factory under their name (the GTK one as "gtk").
using BackendFactory = std::function<std::unique_ptr<IWindowBackend>()>;
void RegisterBackendFactory(const std::string& name, BackendFactory factory);
// Installs the backend that $KX58_UI names, else `preferred`; falls back to headless (with a
// trace) when the named one is unknown or cannot start. Returns the installed backend's name.
std::string InstallBackendByName(const std::string& preferred);

}  // namespace kx58::ui
