#include "uikit/tray_icon.h"

#include <gtk/gtk.h>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "uikit/gtk_backend.h"
#include "uikit/status_notifier.h"
#include "uikit/ui_events.h"

// Last: Xlib's macros (None, Status, ...) reach no header of ours.
#include <gdk/gdkx.h>

// GtkStatusIcon is deprecated but is what GTK 3 offers for XEmbed trays.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace kx58::ui {

struct CTrayIcon::Native {
    explicit Native(CTrayIcon* tray) : owner(tray) {}
    ~Native() {
        item.reset();
        DropStatusIcon();
        if (image) g_object_unref(image);
    }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    void DropStatusIcon() {
        if (!statusIcon) return;
        gtk_status_icon_set_visible(statusIcon, FALSE);
        g_signal_handlers_disconnect_by_data(statusIcon, owner);
        g_object_unref(statusIcon);
        statusIcon = nullptr;
    }

    CTrayIcon* const owner;
    std::unique_ptr<StatusNotifierItem> item;
    GtkStatusIcon* statusIcon = nullptr;  // X11 only, while no watcher holds the item
    GdkPixbuf* image = nullptr;           // the icon's image file, once read
    bool noTrayTraced = false;
};

namespace {

constexpr const char* kStockIcon = "input-gaming";
// A panel shows a few dozen pixels, and the bus carries every one of them.
constexpr int kLargestIconSide = 256;

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

GdkPixbuf* ReadIconImage(const std::string& path, GError** error) {
    int width = 0;
    int height = 0;
    if (gdk_pixbuf_get_file_info(path.c_str(), &width, &height) &&
        (width > kLargestIconSide || height > kLargestIconSide))
        return gdk_pixbuf_new_from_file_at_size(path.c_str(), kLargestIconSide, kLargestIconSide, error);
    return gdk_pixbuf_new_from_file(path.c_str(), error);
}

// gdk-pixbuf hands out 8-bit RGB or RGBA rows; the protocol wants ARGB, alpha first.
StatusNotifierPixmap NetworkArgbOf(GdkPixbuf* image) {
    const int channels = gdk_pixbuf_get_n_channels(image);
    if (gdk_pixbuf_get_bits_per_sample(image) != 8 || channels < 3) return {};
    const bool alpha = gdk_pixbuf_get_has_alpha(image) && channels >= 4;
    const int stride = gdk_pixbuf_get_rowstride(image);
    const guint8* pixels = gdk_pixbuf_read_pixels(image);
    StatusNotifierPixmap pixmap{gdk_pixbuf_get_width(image), gdk_pixbuf_get_height(image), {}};
    pixmap.argb.reserve(static_cast<std::size_t>(pixmap.width) * pixmap.height * 4);
    for (int y = 0; y < pixmap.height; ++y) {
        for (int x = 0; x < pixmap.width; ++x) {
            const guint8* pixel = pixels + static_cast<std::ptrdiff_t>(y) * stride + x * channels;
            pixmap.argb.insert(pixmap.argb.end(), {alpha ? pixel[3] : guint8{0xFF}, pixel[0], pixel[1], pixel[2]});
        }
    }
    return pixmap;
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
    m_native = std::make_unique<Native>(this);
    m_native->item = std::make_unique<StatusNotifierItem>([this](bool right) { Click(right); },
                                                          [this](bool held) { UseXEmbedTray(!held); });
    m_native->item->SetTitle(tip);
    if (!iconPath.empty()) SetIcon(iconPath);
    if (!m_native->item->Start()) UseXEmbedTray(true);
    return true;
}

void CTrayIcon::UseXEmbedTray(bool use) {
    Native& native = *m_native;
    if (!use) return native.DropStatusIcon();
    if (native.statusIcon) return;
    if (!DisplayCanHoldTrayIcon()) {
        if (!native.noTrayTraced) DebugTrace("uikit: this display has no XEmbed tray either: the tray icon is not shown");
        native.noTrayTraced = true;
        return;
    }
    native.statusIcon = native.image ? gtk_status_icon_new_from_pixbuf(native.image) : gtk_status_icon_new_from_icon_name(kStockIcon);
    gtk_status_icon_set_tooltip_text(native.statusIcon, m_tip.c_str());
    gtk_status_icon_set_title(native.statusIcon, m_tip.c_str());
    g_signal_connect(native.statusIcon, "button-release-event",
                     G_CALLBACK(+[](GtkStatusIcon*, GdkEventButton* event, gpointer self) -> gboolean {
                         if (event->button == 1 || event->button == 3)
                             static_cast<CTrayIcon*>(self)->Click(event->button == 3);
                         return TRUE;
                     }),
                     this);
    gtk_status_icon_set_visible(native.statusIcon, m_visible);
}

void CTrayIcon::DeleteTrayIcon() {
    m_native.reset();
    m_created = false;
    m_visible = false;
}

void CTrayIcon::SetTooltipText(const std::string& tip) {
    m_tip = tip;
    if (!m_native) return;
    m_native->item->SetTitle(tip);
    if (m_native->statusIcon) gtk_status_icon_set_tooltip_text(m_native->statusIcon, tip.c_str());
}

bool CTrayIcon::SetIcon(const std::string& iconPath) {
    if (!m_created) return false;
    if (!m_native) return true;
    GError* error = nullptr;
    GdkPixbuf* image = ReadIconImage(iconPath, &error);
    if (!image) {
        DebugTraceF("uikit: tray icon image %s: %s", iconPath.c_str(), error ? error->message : "unreadable");
        if (error) g_error_free(error);
        return false;
    }
    if (m_native->image) g_object_unref(m_native->image);
    m_native->image = image;
    m_native->item->SetPixmap(NetworkArgbOf(image));
    if (m_native->statusIcon) gtk_status_icon_set_from_pixbuf(m_native->statusIcon, image);
    return true;
}

void CTrayIcon::SetShowIcon(bool show) {
    if (!m_created) return;
    m_visible = show;
    if (!m_native) return;
    m_native->item->SetActive(show);
    if (m_native->statusIcon) gtk_status_icon_set_visible(m_native->statusIcon, show);
}

bool CTrayIcon::IsVisible() const { return m_created && m_visible; }

bool CTrayIcon::IsEmbedded() const {
    if (!m_native) return false;
    return m_native->item->IsRegistered() ||
           (m_native->statusIcon && gtk_status_icon_is_embedded(m_native->statusIcon));
}

bool CTrayIcon::IsOnDesktopWithoutTray() const { return m_native && !IsEmbedded(); }

void CTrayIcon::Click(bool right) {
    if (!m_created) return;
    if (m_receiver) kx58::PostMessage(m_receiver, m_message, m_iconId, right ? WM_RBUTTONUP : WM_LBUTTONUP);
    const ClickHandler& handler = right ? m_onRight : m_onLeft;
    if (handler) handler();
}

}  // namespace kx58::ui

G_GNUC_END_IGNORE_DEPRECATIONS
