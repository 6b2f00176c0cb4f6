#pragma once
// One window of the GTK backend: an undecorated GtkWindow with a drawing area that paints the
// host, translates GDK input into window messages (Windows numbers and packing), feeds keys
// through an input method, drags the window by its caption and resizes it by its size box.
#include <gtk/gtk.h>

#include <cstdint>
#include <string>

#include "uikit/window_backend.h"

namespace kx58::ui {

class GtkBackend;

// True on a Wayland display: the compositor places every window (a client cannot move its
// own), and there is no XEmbed tray.
bool IsWaylandDisplay(GdkDisplay* display);
// The user's font DPI (GTK's "gtk-xft-dpi"), 96 where none is set.
int FontDpi(GtkSettings* settings);

class GtkBackendWindow : public IBackendWindow {
public:
    GtkBackendWindow(GtkBackend* backend, IWindowHost* host, const WindowCreateParams& params);
    ~GtkBackendWindow() override;
    GtkBackendWindow(const GtkBackendWindow&) = delete;
    GtkBackendWindow& operator=(const GtkBackendWindow&) = delete;

    void Show(bool show, bool activate) override;
    bool IsVisible() const override { return m_visible; }
    void Minimize() override;
    void Restore() override;
    bool IsMinimized() const override { return m_minimized; }
    RECT GetRect() const override;
    void Move(int x, int y) override;
    void Resize(int cx, int cy) override;
    SIZE GetClientSize() const override { return m_size; }
    void SetTitle(const std::string& title) override;
    void SetTopmost(bool topmost) override;
    void Invalidate(const RECT& rc) override;
    void SetCapture(bool capture) override;
    void SetCursor(CursorKind cursor) override;
    void SetToolTip(const std::string& text, const RECT& area) override;
    int GetMonitorDpi() const override;
    RECT GetMonitorRect() const override;
    // The whole monitor the window is on (panels included), screen pixels.
    RECT GetMonitorGeometry() const;
    // Device pixels per desktop pixel on that monitor (1 on X11 unless GDK_SCALE says more).
    int GetMonitorScale() const;
    void Activate() override;

    IWindowHost* Host() const { return m_host; }
    HWND Hwnd() const { return m_hwnd; }
    HWND OwnerHwnd() const { return m_owner; }
    GtkWindow* Widget() const { return GTK_WINDOW(m_window); }
    // The GDK window that receives the input of the client area (nullptr until shown).
    GdkWindow* ClientWindow() const { return gtk_widget_get_window(m_area); }
    bool IsPopup() const { return m_popup; }
    // A modal window of this one runs: input is refused, the modal one is raised instead.
    void BlockInput(bool block) { m_inputBlocks += block ? 1 : -1; }
    bool IsInputBlocked() const { return m_inputBlocks > 0; }
    // Number of paints done (tests and the first-paint signal of programs).
    int PaintCount() const { return m_paintCount; }
    LRESULT Deliver(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
    static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
    static gboolean OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer self);
    static gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self);
    static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self);
    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self);
    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self);
    static void OnCommit(GtkIMContext*, const char* text, gpointer self);
    static gboolean OnQueryToolTip(GtkWidget*, gint x, gint y, gboolean keyboard, GtkTooltip* tooltip,
                                   gpointer self);

    void PlaceInputMethod();
    GdkMonitor* Monitor() const;
    // Where the compositor places windows, a window that grew or shrank since it was placed
    // is mapped again when asked to move, so that it is placed whole at its new size.
    void PlaceAgainIfResized();
    void ShowGrabbed();
    static gboolean FlushDamage(gpointer self);
    void HideOwnedPopups();
    void ReleasePopupGrab();
    void HandleButtonPress(GdkEventButton* event);
    void HandleButtonRelease(GdkEventButton* event);
    // The edge of the skin's size box under the point, or -1.
    int SizeEdgeAt(POINT pt) const;
    void ApplySizeHints();
    WPARAM MouseKeyState(guint state) const;

    GtkBackend* m_backend;
    IWindowHost* m_host;
    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_area = nullptr;
    GtkIMContext* m_im = nullptr;
    bool m_popup = false;
    bool m_visible = false;
    bool m_minimized = false;
    bool m_captured = false;
    bool m_mouseInside = false;
    bool m_focused = false;
    bool m_grabbed = false;
    // Changes asked for since the last hand-over to GTK: one per pass of the loop, not one
    // per control (each costs GTK a region update and a frame request).
    cairo_region_t* m_damage = nullptr;
    guint m_damageFlush = 0;
    bool m_preediting = false;
    int m_inputBlocks = 0;
    int m_paintCount = 0;
    POINT m_pos{};
    SIZE m_size{};
    SIZE m_placedSize{};
    CursorKind m_cursor = CursorKind::Arrow;
    std::string m_toolTip;
    RECT m_toolTipArea{};
    // Own double-click detection, so a double click arrives as down, up, double click, up.
    std::uint32_t m_lastPressTime = 0;
    guint m_lastPressButton = 0;
    POINT m_lastPressPoint{};
    bool m_lastPressWasDouble = false;
};

}  // namespace kx58::ui
