#include "uikit/gtk_window.h"

#include <gdk/gdkwayland.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/debug_trace.h"
#include "platform/input_hook.h"
#include "platform/input_key_codes.h"
#include "platform/message_queue.h"
#include "uikit/gtk_backend.h"
#include "uikit/gtk_keys.h"
#include "uikit/ui_events.h"
#include "uikit/window.h"

namespace kx58::ui {

namespace {

constexpr int kDefaultDpi = 96;
constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;

// GDK numbers the back and forward buttons 8 and 9; the X button rides in the high word.
WPARAM XButtonWParam(guint button) { return static_cast<WPARAM>(button == 8 ? XBUTTON1 : XBUTTON2) << 16; }

const char* CursorName(CursorKind cursor) {
    static const char* const kNames[] = {"default",     "text",        "wait",      "crosshair", "default",
                                         "move",        "default",     "nwse-resize", "nesw-resize",
                                         "ew-resize",   "ns-resize",   "move",      "not-allowed", "pointer"};
    const auto index = static_cast<std::size_t>(cursor);
    return index < std::size(kNames) ? kNames[index] : "default";
}

const char* EdgeCursorName(GdkWindowEdge edge) {
    switch (edge) {
        case GDK_WINDOW_EDGE_NORTH_WEST:
        case GDK_WINDOW_EDGE_SOUTH_EAST: return "nwse-resize";
        case GDK_WINDOW_EDGE_NORTH_EAST:
        case GDK_WINDOW_EDGE_SOUTH_WEST: return "nesw-resize";
        case GDK_WINDOW_EDGE_WEST:
        case GDK_WINDOW_EDGE_EAST: return "ew-resize";
        default: return "ns-resize";
    }
}

void ApplyCursor(GtkWidget* widget, const char* name) {
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window) return;
    GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(window), name);
    gdk_window_set_cursor(window, cursor);
    if (cursor) g_object_unref(cursor);
}

// Moves (edge -1) or resizes the window with the pointer of `press`: on Wayland the compositor
// takes the drag over only from the seat and serial of that very press.
void BeginDrag(GtkWidget* window, GdkEventButton* press, int edge) {
    GdkWindow* toplevel = gtk_widget_get_window(window);
    GdkDevice* device = gdk_event_get_device(reinterpret_cast<GdkEvent*>(press));
    if (!toplevel || !device) return;
    const auto x = static_cast<gint>(press->x_root);
    const auto y = static_cast<gint>(press->y_root);
    if (edge < 0) gdk_window_begin_move_drag_for_device(toplevel, device, 1, x, y, press->time);
    else gdk_window_begin_resize_drag_for_device(toplevel, static_cast<GdkWindowEdge>(edge), device, 1, x, y, press->time);
}

POINT EventPoint(double x, double y) { return POINT{static_cast<int>(x), static_cast<int>(y)}; }

WindowImplBase* SkinWindow(IWindowHost* host) { return dynamic_cast<WindowImplBase*>(host); }

}  // namespace

bool IsWaylandDisplay(GdkDisplay* display) { return display && GDK_IS_WAYLAND_DISPLAY(display); }

GtkBackendWindow::GtkBackendWindow(GtkBackend* backend, IWindowHost* host, const WindowCreateParams& params)
    : m_backend(backend), m_host(host), m_owner(params.owner), m_popup(params.popup) {
    if (auto* wnd = dynamic_cast<CWindowWnd*>(host)) m_hwnd = wnd->GetHWND();
    m_pos = POINT{params.rect.left, params.rect.top};
    m_size = SIZE{std::clamp(params.rect.Width(), 1, kMaxWindowPixels), std::clamp(params.rect.Height(), 1, kMaxWindowPixels)};

    m_window = gtk_window_new(m_popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(m_window);
    gtk_window_set_title(GTK_WINDOW(m_window), params.title.c_str());
    gtk_window_set_decorated(GTK_WINDOW(m_window), FALSE);
    gtk_widget_set_app_paintable(m_window, TRUE);
    // Transparent corners need a compositor; without one an ARGB window is composited by the
    // X server alone, which lets windows below draw over it.
    GdkScreen* screen = gtk_widget_get_screen(m_window);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen); rgba && gdk_screen_is_composited(screen))
        gtk_widget_set_visual(m_window, rgba);
    if (m_popup) {
        gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_POPUP_MENU);
    } else if (params.toolWindow) {
        gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_skip_taskbar_hint(GTK_WINDOW(m_window), TRUE);
    }
    if (params.topmost) gtk_window_set_keep_above(GTK_WINDOW(m_window), TRUE);
    if (GtkBackendWindow* owner = m_backend->FindWindow(m_owner); owner)
        gtk_window_set_transient_for(GTK_WINDOW(m_window), owner->Widget());
    gtk_window_set_default_size(GTK_WINDOW(m_window), m_size.cx, m_size.cy);
    gtk_window_move(GTK_WINDOW(m_window), m_pos.x, m_pos.y);

    m_area = gtk_drawing_area_new();
    gtk_widget_set_can_focus(m_area, TRUE);
    gtk_widget_add_events(m_area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                      GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK |
                                      GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
    gtk_container_add(GTK_CONTAINER(m_window), m_area);
    gtk_widget_show(m_area);
    gtk_widget_grab_focus(m_area);

    m_im = gtk_im_multicontext_new();
    g_signal_connect(m_im, "commit", G_CALLBACK(OnCommit), this);
    g_signal_connect(m_im, "preedit-start", G_CALLBACK(+[](GtkIMContext*, gpointer self) {
                         static_cast<GtkBackendWindow*>(self)->m_preediting = true;
                     }),
                     this);
    g_signal_connect(m_im, "preedit-end", G_CALLBACK(+[](GtkIMContext*, gpointer self) {
                         static_cast<GtkBackendWindow*>(self)->m_preediting = false;
                     }),
                     this);
    g_signal_connect(m_area, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(m_area, "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(m_area, "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(m_area, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(m_area, "enter-notify-event", G_CALLBACK(OnCrossing), this);
    g_signal_connect(m_area, "leave-notify-event", G_CALLBACK(OnCrossing), this);
    g_signal_connect(m_area, "scroll-event", G_CALLBACK(OnScroll), this);
    g_signal_connect(m_area, "query-tooltip", G_CALLBACK(OnQueryToolTip), this);
    g_signal_connect(m_window, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(m_window, "key-release-event", G_CALLBACK(OnKey), this);
    g_signal_connect(m_window, "focus-in-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(m_window, "focus-out-event", G_CALLBACK(OnFocus), this);
    g_signal_connect(m_window, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(m_window, "configure-event", G_CALLBACK(OnConfigure), this);
    g_signal_connect(m_window, "window-state-event", G_CALLBACK(OnWindowState), this);
    g_signal_connect(m_window, "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         auto* me = static_cast<GtkBackendWindow*>(self);
                         gtk_im_context_set_client_window(me->m_im, gtk_widget_get_window(me->m_area));
                         return FALSE;
                     }),
                     this);
    g_signal_connect(m_window, "grab-broken-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         auto* me = static_cast<GtkBackendWindow*>(self);
                         if (me->m_popup && me->m_hwnd) kx58::PostMessage(me->m_hwnd, WM_KILLFOCUS, 0, 0);
                         return FALSE;
                     }),
                     this);
    m_backend->Register(this);
}

GtkBackendWindow::~GtkBackendWindow() {
    m_backend->Unregister(this);
    if (m_damageFlush) g_source_remove(m_damageFlush);
    if (m_damage) cairo_region_destroy(m_damage);
    if (m_popup) ReleasePopupGrab();
    g_signal_handlers_disconnect_by_data(m_im, this);
    g_signal_handlers_disconnect_by_data(m_area, this);
    g_signal_handlers_disconnect_by_data(m_window, this);
    gtk_im_context_set_client_window(m_im, nullptr);
    g_object_unref(m_im);
    gtk_widget_destroy(m_window);
    g_object_unref(m_window);
}

LRESULT GtkBackendWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_host->OnBackendMessage(message, wParam, lParam);
}

void GtkBackendWindow::Show(bool show, bool activate) {
    if (show == m_visible) {
        if (show) m_backend->NoteShown(this);
        if (show && activate) Activate();
        return;
    }
    m_visible = show;
    if (show) {
        ApplySizeHints();
        gtk_window_set_focus_on_map(GTK_WINDOW(m_window), activate && !m_popup);
        if (m_popup) ShowGrabbed();
        else gtk_widget_show(m_window);
        if (activate && !m_popup) gtk_window_present(GTK_WINDOW(m_window));
        m_placedSize = m_size;
        m_minimized = false;
        m_backend->NoteShown(this);
    } else {
        if (m_popup) ReleasePopupGrab();
        else HideOwnedPopups();
        gtk_widget_hide(m_window);
    }
    Deliver(WM_SHOWWINDOW, show ? 1 : 0, 0);
}

void GtkBackendWindow::HideOwnedPopups() {
    // Wayland pop-ups hang on their parent's surface, which must outlive them on screen.
    std::vector<HWND> popups;
    for (GtkBackendWindow* window : m_backend->m_windows)
        if (window->m_popup && window->m_owner == m_hwnd && window->m_visible) popups.push_back(window->m_hwnd);
    for (HWND hwnd : popups)
        if (GtkBackendWindow* popup = m_backend->FindWindow(hwnd)) popup->Show(false, false);
}

namespace {

// A 1x1 window off screen that holds the seat's grab while a pop-up of `parent` maps.
GdkWindow* GrabHolder(GdkSeat* seat, GdkScreen* screen, GdkWindow* parent) {
    GdkWindowAttr attributes{};
    attributes.x = -100;
    attributes.y = -100;
    attributes.width = 1;
    attributes.height = 1;
    attributes.window_type = GDK_WINDOW_TEMP;
    attributes.wclass = GDK_INPUT_OUTPUT;
    attributes.override_redirect = TRUE;
    GdkWindow* holder = gdk_window_new(gdk_screen_get_root_window(screen), &attributes, GDK_WA_X | GDK_WA_Y | GDK_WA_NOREDIR);
    gdk_window_set_transient_for(holder, parent);
    gdk_window_show(holder);
    gdk_seat_grab(seat, holder, GDK_SEAT_CAPABILITY_ALL, FALSE, nullptr, nullptr, nullptr, nullptr);
    return holder;
}

}  // namespace

void GtkBackendWindow::ShowGrabbed() {
    // Events outside the menu are reported to it (outside its rectangle), so a click there
    // closes it. On Wayland the pop-up is the compositor's grabbing pop-up only when it maps
    // under a grab, which GDK looks for on a window attached to it: a holder keeps the grab
    // while it maps, as GTK's own menus do.
    GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(m_window));
    gtk_widget_realize(m_window);
    GdkWindow* toplevel = gtk_widget_get_window(m_window);
    GtkBackendWindow* owner = m_backend->FindWindow(m_owner);
    GdkWindow* holder = seat && owner && owner->m_visible
                            ? GrabHolder(seat, gtk_widget_get_screen(m_window), gtk_widget_get_window(owner->m_window))
                            : nullptr;
    if (holder) g_object_set_data(G_OBJECT(toplevel), "gdk-attached-grab-window", holder);
    gtk_widget_show(m_window);
    GdkWindow* window = gtk_widget_get_window(m_area);
    const GdkGrabStatus status = window && seat ? gdk_seat_grab(seat, window, GDK_SEAT_CAPABILITY_ALL, FALSE, nullptr,
                                                                nullptr, nullptr, nullptr)
                                                : GDK_GRAB_FAILED;
    if (holder) {
        g_object_set_data(G_OBJECT(toplevel), "gdk-attached-grab-window", nullptr);
        gdk_window_destroy(holder);
    }
    m_grabbed = status == GDK_GRAB_SUCCESS;
    if (!m_grabbed) DebugTraceF("uikit: pop-up window could not grab the pointer (%d)", static_cast<int>(status));
    // A Wayland compositor leaves the keyboard on the parent's surface; GTK hands its keys on.
    if (m_grabbed) gtk_grab_add(m_area);
}

void GtkBackendWindow::ReleasePopupGrab() {
    if (!m_grabbed) return;
    m_grabbed = false;
    gtk_grab_remove(m_area);
    if (GdkSeat* seat = gdk_display_get_default_seat(gtk_widget_get_display(m_window))) gdk_seat_ungrab(seat);
}

void GtkBackendWindow::Minimize() {
    m_minimized = true;
    gtk_window_iconify(GTK_WINDOW(m_window));
}

void GtkBackendWindow::Restore() {
    m_minimized = false;
    gtk_window_deiconify(GTK_WINDOW(m_window));
}

RECT GtkBackendWindow::GetRect() const {
    return RECT{m_pos.x, m_pos.y, m_pos.x + m_size.cx, m_pos.y + m_size.cy};
}

void GtkBackendWindow::Move(int x, int y) {
    PlaceAgainIfResized();
    if (x == m_pos.x && y == m_pos.y) return;
    m_pos = POINT{x, y};
    gtk_window_move(GTK_WINDOW(m_window), x, y);
    Deliver(WM_MOVE, 0, MakeLParam(x, y));
}

void GtkBackendWindow::PlaceAgainIfResized() {
    const bool resized = m_size.cx != m_placedSize.cx || m_size.cy != m_placedSize.cy;
    if (m_popup || !m_visible || !resized || !IsWaylandDisplay(gtk_widget_get_display(m_window))) return;
    m_placedSize = m_size;
    gtk_widget_hide(m_window);
    gtk_widget_show(m_window);
}

void GtkBackendWindow::Resize(int cx, int cy) {
    cx = std::clamp(cx, 1, kMaxWindowPixels);
    cy = std::clamp(cy, 1, kMaxWindowPixels);
    if (cx == m_size.cx && cy == m_size.cy) return;
    // The new size holds at once (as SetWindowPos does); GTK confirms it later. The skin's
    // minimum, applied when the window was shown at another DPI, must not hold it larger.
    m_size = SIZE{cx, cy};
    if (m_visible) ApplySizeHints();
    gtk_window_resize(GTK_WINDOW(m_window), cx, cy);
    Deliver(WM_SIZE, 0, MakeLParam(cx, cy));
}

void GtkBackendWindow::SetTitle(const std::string& title) { gtk_window_set_title(GTK_WINDOW(m_window), title.c_str()); }

void GtkBackendWindow::SetTopmost(bool topmost) { gtk_window_set_keep_above(GTK_WINDOW(m_window), topmost); }

void GtkBackendWindow::Invalidate(const RECT& rc) {
    const RECT clipped = IntersectRects(rc, RECT{0, 0, m_size.cx, m_size.cy});
    if (clipped.IsEmpty()) return;
    if (!m_damage) m_damage = cairo_region_create();
    const cairo_rectangle_int_t area{clipped.left, clipped.top, clipped.Width(), clipped.Height()};
    cairo_region_union_rectangle(m_damage, &area);
    // Handed over before GTK's own redraw of the pass, whose priority is lower.
    if (!m_damageFlush) m_damageFlush = g_idle_add_full(G_PRIORITY_HIGH_IDLE, FlushDamage, this, nullptr);
}

gboolean GtkBackendWindow::FlushDamage(gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    me->m_damageFlush = 0;
    gtk_widget_queue_draw_region(me->m_area, me->m_damage);
    cairo_region_destroy(std::exchange(me->m_damage, nullptr));
    return G_SOURCE_REMOVE;
}

void GtkBackendWindow::SetCapture(bool capture) {
    // A pressed button already routes the pointer to this window (implicit grab).
    m_captured = capture;
}

void GtkBackendWindow::SetCursor(CursorKind cursor) {
    if (cursor == m_cursor) return;
    m_cursor = cursor;
    ApplyCursor(m_area, CursorName(cursor));
}

void GtkBackendWindow::SetToolTip(const std::string& text, const RECT& area) {
    if (text == m_toolTip && area == m_toolTipArea) return;
    m_toolTip = text;
    m_toolTipArea = area;
    gtk_widget_set_has_tooltip(m_area, !text.empty());
    gtk_widget_trigger_tooltip_query(m_area);
}

gboolean GtkBackendWindow::OnQueryToolTip(GtkWidget*, gint, gint, gboolean, GtkTooltip* tooltip, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (me->m_toolTip.empty()) return FALSE;
    gtk_tooltip_set_text(tooltip, me->m_toolTip.c_str());
    // All controls share one GTK widget, and GTK keeps a shown tip where it opened for as long
    // as the pointer stays in the tip's area: without the control's own area that is the whole
    // window, so the next control's tip would open where the first one was.
    const RECT& rc = me->m_toolTipArea;
    if (!rc.IsEmpty()) {
        GdkRectangle area{rc.left, rc.top, rc.Width(), rc.Height()};
        gtk_tooltip_set_tip_area(tooltip, &area);
    }
    return TRUE;
}

int FontDpi(GtkSettings* settings) {
    gint xftDpi = 0;
    g_object_get(settings, "gtk-xft-dpi", &xftDpi, nullptr);
    const int dpi = xftDpi > 0 ? (xftDpi + 512) / 1024 : kDefaultDpi;
    return std::clamp(dpi, 48, 480);
}

int GtkBackendWindow::GetMonitorDpi() const {
    // The user's font DPI (GTK already applies the monitor's scale factor to pixels).
    return FontDpi(gtk_settings_get_default());
}

namespace {

RECT ToRect(const GdkRectangle& area) { return RECT{area.x, area.y, area.x + area.width, area.y + area.height}; }

const RECT kNoMonitorRect{0, 0, 1920, 1080};

}  // namespace

GdkMonitor* GtkBackendWindow::Monitor() const {
    GdkDisplay* display = gtk_widget_get_display(m_window);
    GdkWindow* window = gtk_widget_get_window(m_window);
    GdkMonitor* monitor = window ? gdk_display_get_monitor_at_window(display, window)
                                 : gdk_display_get_monitor_at_point(display, m_pos.x + m_size.cx / 2,
                                                                    m_pos.y + m_size.cy / 2);
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    // Wayland names no primary monitor; an output that just went away leaves none at all.
    if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
    return monitor;
}

RECT GtkBackendWindow::GetMonitorRect() const {
    GdkMonitor* monitor = Monitor();
    if (!monitor) return kNoMonitorRect;
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    return ToRect(area);
}

RECT GtkBackendWindow::GetMonitorGeometry() const {
    GdkMonitor* monitor = Monitor();
    if (!monitor) return kNoMonitorRect;
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor, &area);
    return ToRect(area);
}

int GtkBackendWindow::GetMonitorScale() const {
    GdkMonitor* monitor = Monitor();
    return monitor ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
}

void GtkBackendWindow::Activate() {
    if (m_popup) return;
    gtk_window_present(GTK_WINDOW(m_window));
}

void GtkBackendWindow::ApplySizeHints() {
    WindowImplBase* skin = SkinWindow(m_host);
    if (!skin) return;
    CPaintManagerUI& pm = skin->GetPaintManager();
    GdkGeometry hints{};
    int mask = 0;
    const SIZE minInfo = pm.GetMinInfo();
    if (minInfo.cx > 0 || minInfo.cy > 0) {
        hints.min_width = std::min(pm.Scale(minInfo.cx), m_size.cx);
        hints.min_height = std::min(pm.Scale(minInfo.cy), m_size.cy);
        mask |= GDK_HINT_MIN_SIZE;
    }
    const SIZE maxInfo = pm.GetMaxInfo();
    if (maxInfo.cx > 0 && maxInfo.cy > 0) {
        hints.max_width = std::max(pm.Scale(maxInfo.cx), m_size.cx);
        hints.max_height = std::max(pm.Scale(maxInfo.cy), m_size.cy);
        mask |= GDK_HINT_MAX_SIZE;
    }
    if (mask) gtk_window_set_geometry_hints(GTK_WINDOW(m_window), nullptr, &hints, static_cast<GdkWindowHints>(mask));
}

int GtkBackendWindow::SizeEdgeAt(POINT pt) const {
    WindowImplBase* skin = SkinWindow(m_host);
    if (!skin || m_popup) return -1;
    CPaintManagerUI& pm = skin->GetPaintManager();
    const RECT box = pm.GetSizeBox();
    if (box.left <= 0 && box.top <= 0 && box.right <= 0 && box.bottom <= 0) return -1;
    const bool left = pt.x < pm.Scale(box.left);
    const bool right = pt.x >= m_size.cx - pm.Scale(box.right);
    const bool top = pt.y < pm.Scale(box.top);
    const bool bottom = pt.y >= m_size.cy - pm.Scale(box.bottom);
    if (top && left) return GDK_WINDOW_EDGE_NORTH_WEST;
    if (top && right) return GDK_WINDOW_EDGE_NORTH_EAST;
    if (bottom && left) return GDK_WINDOW_EDGE_SOUTH_WEST;
    if (bottom && right) return GDK_WINDOW_EDGE_SOUTH_EAST;
    if (top) return GDK_WINDOW_EDGE_NORTH;
    if (bottom) return GDK_WINDOW_EDGE_SOUTH;
    if (left) return GDK_WINDOW_EDGE_WEST;
    if (right) return GDK_WINDOW_EDGE_EAST;
    return -1;
}

WPARAM GtkBackendWindow::MouseKeyState(guint state) const {
    WPARAM keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
    if (state & GDK_BUTTON3_MASK) keys |= MK_RBUTTON;
    if (state & GDK_BUTTON2_MASK) keys |= MK_MBUTTON;
    if (state & GDK_SHIFT_MASK) keys |= MK_SHIFT;
    if (state & GDK_CONTROL_MASK) keys |= MK_CONTROL;
    return keys;
}

gboolean GtkBackendWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    GdkRectangle clip{};
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    const RECT dirty{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    // What the controls do not cover stays transparent where the screen can show it.
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    me->m_host->OnBackendPaint(cr, dirty);
    ++me->m_paintCount;
    return TRUE;
}

gboolean GtkBackendWindow::OnButton(GtkWidget*, GdkEventButton* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (event->type == GDK_BUTTON_PRESS) me->HandleButtonPress(event);
    else if (event->type == GDK_BUTTON_RELEASE) me->HandleButtonRelease(event);
    // Double and triple press events are ignored: double clicks are found by HandleButtonPress.
    return TRUE;
}

void GtkBackendWindow::HandleButtonPress(GdkEventButton* event) {
    if (IsInputBlocked()) {
        gdk_display_beep(gtk_widget_get_display(m_window));
        return;
    }
    if (!m_popup) gtk_widget_grab_focus(m_area);
    const POINT pt = EventPoint(event->x, event->y);
    if (event->button == 1) {
        const int edge = SizeEdgeAt(pt);
        if (edge >= 0) {
            BeginDrag(m_window, event, edge);
            return;
        }
        if (m_host->IsCaptionPoint(pt)) {
            BeginDrag(m_window, event, -1);
            return;
        }
    }
    gint doubleTime = 400;
    gint doubleDistance = 5;
    g_object_get(gtk_widget_get_settings(m_area), "gtk-double-click-time", &doubleTime, "gtk-double-click-distance",
                 &doubleDistance, nullptr);
    const bool isDouble = !m_lastPressWasDouble && event->button == m_lastPressButton &&
                          event->time - m_lastPressTime <= static_cast<std::uint32_t>(doubleTime) &&
                          std::abs(pt.x - m_lastPressPoint.x) <= doubleDistance &&
                          std::abs(pt.y - m_lastPressPoint.y) <= doubleDistance;
    m_lastPressWasDouble = isDouble;
    m_lastPressTime = event->time;
    m_lastPressButton = event->button;
    m_lastPressPoint = pt;
    const WPARAM keys = MouseKeyState(event->state) | (event->button == 1 ? MK_LBUTTON : 0) |
                        (event->button == 3 ? MK_RBUTTON : 0) | (event->button == 2 ? MK_MBUTTON : 0);
    UINT message = 0;
    switch (event->button) {
        case 1: message = isDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN; break;
        case 2: message = WM_MBUTTONDOWN; break;
        case 3: message = isDouble ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN; break;
        case 8: case 9: message = WM_XBUTTONDOWN; break;
        default: return;
    }
    Deliver(message, message == WM_XBUTTONDOWN ? XButtonWParam(event->button) : keys, MakeLParam(pt.x, pt.y));
}

void GtkBackendWindow::HandleButtonRelease(GdkEventButton* event) {
    if (IsInputBlocked()) return;
    const POINT pt = EventPoint(event->x, event->y);
    UINT message = 0;
    switch (event->button) {
        case 1: message = WM_LBUTTONUP; break;
        case 2: message = WM_MBUTTONUP; break;
        case 3: message = WM_RBUTTONUP; break;
        case 8: case 9: message = WM_XBUTTONUP; break;
        default: return;
    }
    const WPARAM keys = MouseKeyState(event->state) & ~(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    Deliver(message, message == WM_XBUTTONUP ? XButtonWParam(event->button) : keys, MakeLParam(pt.x, pt.y));
}

gboolean GtkBackendWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (me->IsInputBlocked()) return TRUE;
    const POINT pt = EventPoint(event->x, event->y);
    const int edge = me->SizeEdgeAt(pt);
    me->Deliver(WM_MOUSEMOVE, me->MouseKeyState(event->state), MakeLParam(pt.x, pt.y));
    // The object may be gone (a handler destroyed the window): look it up again.
    if (edge >= 0 && me->m_backend->FindWindow(me->m_hwnd) == me) {
        ApplyCursor(me->m_area, EdgeCursorName(static_cast<GdkWindowEdge>(edge)));
        me->m_cursor = CursorKind::Size;  // so the next control cursor is applied again
    }
    gdk_event_request_motions(event);
    return TRUE;
}

gboolean GtkBackendWindow::OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
    const bool inside = event->type == GDK_ENTER_NOTIFY;
    if (inside == me->m_mouseInside) return FALSE;
    me->m_mouseInside = inside;
    const POINT pt = EventPoint(event->x, event->y);
    me->Deliver(inside ? WM_MOUSEHOVER : WM_MOUSELEAVE, 0, MakeLParam(pt.x, pt.y));
    return FALSE;
}

gboolean GtkBackendWindow::OnScroll(GtkWidget*, GdkEventScroll* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (me->IsInputBlocked()) return TRUE;
    int delta = 0;
    if (event->direction == GDK_SCROLL_UP) delta = WHEEL_DELTA;
    else if (event->direction == GDK_SCROLL_DOWN) delta = -WHEEL_DELTA;
    if (delta == 0) return TRUE;
    const POINT pt = EventPoint(event->x, event->y);
    const WPARAM wParam = (static_cast<WPARAM>(static_cast<std::uint16_t>(delta)) << 16) | me->MouseKeyState(event->state);
    me->Deliver(WM_MOUSEWHEEL, wParam, MakeLParam(pt.x, pt.y));
    return TRUE;
}

gboolean GtkBackendWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (me->IsInputBlocked()) return TRUE;
    const bool press = event->type == GDK_KEY_PRESS;
    // X11 and Wayland key codes are evdev codes plus 8; the input hook names keys by them.
    const unsigned evdevCode = event->hardware_keycode >= 8 ? event->hardware_keycode - 8u : 0u;
    UINT vk = VirtualKeyFromKeyval(event->keyval);
    if (vk == 0)
        if (const auto key = KeyCodeOfEvdev(evdevCode)) vk = key->virtualKey;
    const LPARAM modifiers = (static_cast<LPARAM>(ModifiersFromState(event->state)) << CPaintManagerUI::kModifierShift) |
                             static_cast<LPARAM>(evdevCode & 0xFFFF);
    const HWND hwnd = me->m_hwnd;
    // Keys go to the window first (as WM_KEYDOWN), then to the input method, which commits text.
    if (vk != 0 && !me->m_preediting) me->Deliver(press ? WM_KEYDOWN : WM_KEYUP, vk, modifiers);
    if (me->m_backend->FindWindow(hwnd) != me) return TRUE;
    if (!(event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) || me->m_preediting) {
        me->PlaceInputMethod();
        gtk_im_context_filter_keypress(me->m_im, event);
    }
    return TRUE;
}

void GtkBackendWindow::PlaceInputMethod() {
    // Candidate windows of the input method open below the control that takes the text.
    WindowImplBase* skin = SkinWindow(m_host);
    CControlUI* focus = skin ? skin->GetPaintManager().GetFocus() : nullptr;
    if (!focus) return;
    const RECT rc = focus->GetPos();
    GdkRectangle area{rc.left, rc.top, rc.Width(), rc.Height()};
    gtk_im_context_set_cursor_location(m_im, &area);
}

void GtkBackendWindow::OnCommit(GtkIMContext*, const char* text, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    const HWND hwnd = me->m_hwnd;
    for (const char* p = text; p && *p; p = g_utf8_next_char(p)) {
        const gunichar ch = g_utf8_get_char(p);
        me->Deliver(WM_CHAR, ch, 0);
        if (me->m_backend->FindWindow(hwnd) != me) return;
    }
}

gboolean GtkBackendWindow::OnFocus(GtkWidget*, GdkEventFocus* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    const bool in = event->in != 0;
    // GTK on Wayland reports a pop-up's focus as lost before it ever had it: that is no close.
    if (!in && !me->m_focused) return FALSE;
    me->m_focused = in;
    if (in) gtk_im_context_focus_in(me->m_im);
    else gtk_im_context_focus_out(me->m_im);
    const HWND hwnd = me->m_hwnd;
    me->Deliver(WM_ACTIVATE, in ? WA_ACTIVE : WA_INACTIVE, 0);
    if (me->m_backend->FindWindow(hwnd) == me) me->Deliver(in ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
    return FALSE;
}

gboolean GtkBackendWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    // The window closes itself once this event is done (the handler may destroy it).
    if (me->m_hwnd && !me->IsInputBlocked()) kx58::PostMessage(me->m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
}

gboolean GtkBackendWindow::OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    gint x = 0;
    gint y = 0;
    gtk_window_get_position(GTK_WINDOW(me->m_window), &x, &y);
    const HWND hwnd = me->m_hwnd;
    if (x != me->m_pos.x || y != me->m_pos.y) {
        me->m_pos = POINT{x, y};
        me->Deliver(WM_MOVE, 0, MakeLParam(x, y));
        if (me->m_backend->FindWindow(hwnd) != me) return FALSE;
    }
    gint width = 0;
    gint height = 0;
    gtk_window_get_size(GTK_WINDOW(me->m_window), &width, &height);
    if (width > 1 && height > 1 && (width != me->m_size.cx || height != me->m_size.cy)) {
        me->m_size = SIZE{width, height};
        me->Deliver(WM_SIZE, 0, MakeLParam(width, height));
    }
    return FALSE;
}

gboolean GtkBackendWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
    auto* me = static_cast<GtkBackendWindow*>(self);
    if (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)
        me->m_minimized = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    return FALSE;
}

}  // namespace kx58::ui
