#include "uikit/tray_icon.h"

#include <gtk/gtk.h>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "uikit/gtk_backend.h"
#include "uikit/ui_events.h"

// Last: Xlib's macros (None, Status, ...) reach no header of ours.
#include <gdk/gdkx.h>

// GtkStatusIcon is deprecated but is what GTK 3 offers for XEmbed trays.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace kx58::ui {

struct CTrayIcon::Native {
    GtkStatusIcon* icon = nullptr;

    ~Native() {
        if (!icon) return;
        gtk_status_icon_set_visible(icon, FALSE);
        g_object_unref(icon);
    }
};

namespace {

constexpr const char* kStockIcon = "input-gaming";

bool UsesGtk() {
    auto* gtk = dynamic_cast<GtkBackend*>(&CurrentBackend());
    return gtk && gtk->OnOwnThread();
}

// GtkStatusIcon embeds into an X11 tray (XEmbed); elsewhere (Wayland) it has no widget to
// live in, and GTK complains at each call.
bool DisplayCanHoldTrayIcon() {
    GdkDisplay* display = gdk_display_get_default();
    return display && GDK_IS_X11_DISPLAY(display);
}

}  // namespace

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon() { DeleteTrayIcon(); }

bool CTrayIcon::CreateTrayIcon(HWND receiver, UINT iconId, const std::string& tip, UINT message,
                               const std::string& iconPath) {
    if (m_created) return false;
    m_receiver = receiver;
    m_iconId = iconId;
    m_message = message;
    m_tip = tip;
    m_created = true;
    m_visible = true;
    if (!UsesGtk()) return true;
    if (!DisplayCanHoldTrayIcon()) {
        DebugTrace("uikit: this display has no tray: the tray icon is left out");
        return true;
    }
    m_native = std::make_unique<Native>();
    m_native->icon = gtk_status_icon_new_from_icon_name(kStockIcon);
    if (!iconPath.empty()) SetIcon(iconPath);
    gtk_status_icon_set_tooltip_text(m_native->icon, tip.c_str());
    gtk_status_icon_set_title(m_native->icon, tip.c_str());
    g_signal_connect(m_native->icon, "button-release-event",
                     G_CALLBACK(+[](GtkStatusIcon*, GdkEventButton* event, gpointer self) -> gboolean {
                         if (event->button == 1 || event->button == 3)
                             static_cast<CTrayIcon*>(self)->Click(event->button == 3);
                         return TRUE;
                     }),
                     this);
    gtk_status_icon_set_visible(m_native->icon, TRUE);
    return true;
}

void CTrayIcon::DeleteTrayIcon() {
    if (m_native && m_native->icon) g_signal_handlers_disconnect_by_data(m_native->icon, this);
    m_native.reset();
    m_created = false;
    m_visible = false;
}

void CTrayIcon::SetTooltipText(const std::string& tip) {
    m_tip = tip;
    if (m_native) gtk_status_icon_set_tooltip_text(m_native->icon, tip.c_str());
}

bool CTrayIcon::SetIcon(const std::string& iconPath) {
    if (!m_created) return false;
    if (!m_native) return true;
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(iconPath.c_str(), &error);
    if (!pixbuf) {
        DebugTraceF("uikit: tray icon image %s: %s", iconPath.c_str(), error ? error->message : "unreadable");
        if (error) g_error_free(error);
        return false;
    }
    gtk_status_icon_set_from_pixbuf(m_native->icon, pixbuf);
    g_object_unref(pixbuf);
    return true;
}

void CTrayIcon::SetShowIcon(bool show) {
    if (!m_created) return;
    m_visible = show;
    if (m_native) gtk_status_icon_set_visible(m_native->icon, show);
}

bool CTrayIcon::IsVisible() const { return m_created && m_visible; }

bool CTrayIcon::IsEmbedded() const {
    return m_native && m_native->icon && gtk_status_icon_is_embedded(m_native->icon);
}

void CTrayIcon::Click(bool right) {
    if (!m_created) return;
    if (m_receiver) kx58::PostMessage(m_receiver, m_message, m_iconId, right ? WM_RBUTTONUP : WM_LBUTTONUP);
    const ClickHandler& handler = right ? m_onRight : m_onLeft;
    if (handler) handler();
}

}  // namespace kx58::ui

G_GNUC_END_IGNORE_DEPRECATIONS
