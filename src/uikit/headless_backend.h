#pragma once
// The backend without a display: windows paint into image surfaces, input is injected as
// window messages, and the loop can be run until nothing is left to do. Tests and the
// program under KX58_UI=headless use it.
#include <cairo.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "uikit/window_backend.h"

namespace kx58::ui {

class HeadlessBackend;

class HeadlessWindow : public IBackendWindow {
public:
    HeadlessWindow(HeadlessBackend* backend, IWindowHost* host, const WindowCreateParams& params);
    ~HeadlessWindow() override;

    void Show(bool show, bool activate) override;
    bool IsVisible() const override { return m_visible; }
    void Minimize() override { m_minimized = true; }
    void Restore() override { m_minimized = false; }
    bool IsMinimized() const override { return m_minimized; }
    RECT GetRect() const override { return m_rect; }
    void Move(int x, int y) override;
    void Resize(int cx, int cy) override;
    SIZE GetClientSize() const override { return SIZE{m_rect.Width(), m_rect.Height()}; }
    void SetTitle(const std::string& title) override { m_title = title; }
    void SetTopmost(bool topmost) override { m_topmost = topmost; }
    void Invalidate(const RECT& rc) override;
    void SetCapture(bool capture) override { m_captured = capture; }
    void SetCursor(CursorKind cursor) override { m_cursor = cursor; }
    void SetToolTip(const std::string& text, const RECT& area) override {
        m_toolTip = text;
        m_toolTipArea = area;
    }
    int GetMonitorDpi() const override;
    RECT GetMonitorRect() const override;
    void Activate() override {}

    IWindowHost* Host() const { return m_host; }
    const std::string& Title() const { return m_title; }
    const std::string& ClassName() const { return m_className; }
    bool IsTopmost() const { return m_topmost; }
    bool IsCaptured() const { return m_captured; }
    CursorKind Cursor() const { return m_cursor; }
    const std::string& ToolTip() const { return m_toolTip; }
    RECT ToolTipArea() const { return m_toolTipArea; }
    std::thread::id Thread() const { return m_thread; }

    // Paints what was invalidated; returns the area painted (empty when nothing was due).
    RECT Flush();
    RECT PendingDirty() const { return m_dirty; }
    int PaintCount() const { return m_paintCount; }
    cairo_surface_t* Surface() const { return m_surface; }
    // The pixel at client coordinates as ARGB (after Flush); 0 outside the window.
    DWORD PixelAt(int x, int y) const;
    // Flushes and writes the client area as PNG.
    bool SavePng(const std::string& path);
    // Delivers a message as the system would (input, size, close).
    LRESULT Deliver(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

private:
    HeadlessBackend* m_backend;
    IWindowHost* m_host;
    std::string m_title;
    std::string m_className;
    RECT m_rect{};
    bool m_visible = false;
    bool m_minimized = false;
    bool m_topmost = false;
    bool m_captured = false;
    CursorKind m_cursor = CursorKind::Arrow;
    std::string m_toolTip;
    RECT m_toolTipArea{};
    cairo_surface_t* m_surface = nullptr;
    RECT m_dirty{};
    int m_paintCount = 0;
    std::thread::id m_thread;
};

class HeadlessBackend : public IWindowBackend {
public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    // The installed backend when it is this one, else nullptr.
    static HeadlessBackend* Get();

    std::string Name() const override { return "headless"; }
    std::unique_ptr<IBackendWindow> CreateBackendWindow(IWindowHost* host,
                                                        const WindowCreateParams& params) override;
    int RunLoop() override;
    bool RunModalLoop(const std::function<bool()>& done) override;
    POINT GetCursorPos() const override;
    void SetCursorPos(POINT pt);
    std::string GetClipboardText() const override;
    void SetClipboardText(const std::string& text) override;

    // Handles every message, send and due timer of this thread, then paints its windows;
    // repeats until nothing is left. Timers not yet due are left armed.
    void RunUntilIdle();
    // Runs (waiting for timers and other threads) until `done` holds or `timeoutMs` passed.
    bool RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);
    // An action run by a loop of this thread when it has nothing else to do (a test drives
    // a modal window this way). Actions run one per idle turn, in order.
    void PostIdleAction(std::function<void()> action);

    // The monitor the windows are on.
    void SetMonitor(RECT rect, int dpi);
    int MonitorDpi() const;
    RECT MonitorRect() const;

    // Windows of the calling thread, oldest first.
    std::vector<HeadlessWindow*> Windows() const;
    HeadlessWindow* FindWindowByClass(const std::string& className) const;

private:
    friend class HeadlessWindow;
    void Register(HeadlessWindow* window);
    void Unregister(HeadlessWindow* window);
    void PaintThreadWindows();
    bool RunOneIdleAction();
    bool LoopTurn(const std::function<bool()>& done, bool& quit);

    mutable std::mutex m_mutex;
    std::vector<HeadlessWindow*> m_windows;
    std::deque<std::pair<std::thread::id, std::function<void()>>> m_idleActions;
    RECT m_monitor{0, 0, 1920, 1080};
    int m_dpi = 96;
    POINT m_cursor{};
    std::string m_clipboard;
};

}  // namespace kx58::ui
