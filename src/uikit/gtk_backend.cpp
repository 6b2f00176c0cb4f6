#include "uikit/gtk_backend.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "platform/debug_trace.h"
#include "uikit/gtk_window.h"
#include "uikit/ui_events.h"

namespace kx58::ui {

// A GLib source that wakes on the queue's descriptor and on its next timer, and dispatches
// the queue. It may recurse: a handler that runs a modal loop keeps the queue going.
struct GtkBackend::QueueSource {
    GSource source;
    MessageQueue* queue;
    gpointer fdTag;
};

namespace {

gboolean QueuePrepare(GSource* source, gint* timeout) {
    auto* self = reinterpret_cast<GtkBackend::QueueSource*>(source);
    const auto due = self->queue->NextTimerDueMs();
    *timeout = due ? static_cast<gint>(std::min<std::uint32_t>(*due, 0x7FFFFFFF)) : -1;
    return due && *due == 0;
}

gboolean QueueCheck(GSource* source) {
    auto* self = reinterpret_cast<GtkBackend::QueueSource*>(source);
    if (g_source_query_unix_fd(source, self->fdTag) & G_IO_IN) return TRUE;
    const auto due = self->queue->NextTimerDueMs();
    return due && *due == 0;
}

gboolean QueueDispatch(GSource* source, GSourceFunc, gpointer) {
    auto* self = reinterpret_cast<GtkBackend::QueueSource*>(source);
    self->queue->DispatchPending();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kQueueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

// The accelerator modifiers GTK would otherwise ask of the seat's keyboard while it opens the
// display; a Wayland compositor without input devices has no seat to ask.
constexpr auto kAcceleratorModifiers = static_cast<GdkModifierType>(
    GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK | GDK_HYPER_MASK | GDK_META_MASK);

void TraceMissingInput(GdkDisplay* display) {
    GdkSeat* seat = gdk_display_get_default_seat(display);
    if (!seat) DebugTrace("uikit: the display has no seat: no pointer or keyboard input");
    else if (!gdk_seat_get_keyboard(seat)) DebugTrace("uikit: the display's seat has no keyboard");
}

// The font DPI that windows were last told of: GTK notifies the setting when it is first
// loaded (Wayland reads it after start-up), which is no change.
constexpr const char* kToldFontDpi = "kx58-told-font-dpi";

}  // namespace

std::unique_ptr<GtkBackend> GtkBackend::Create(std::string& error) {
    int argc = 0;
    char** argv = nullptr;
    gtk_accelerator_set_default_mod_mask(kAcceleratorModifiers);
    if (!gtk_init_check(&argc, &argv)) {
        const char* display = g_getenv("DISPLAY");
        const char* wayland = g_getenv("WAYLAND_DISPLAY");
        error = std::string("cannot open the display (DISPLAY=") + (display ? display : "") +
                ", WAYLAND_DISPLAY=" + (wayland ? wayland : "") + ")";
        return nullptr;
    }
    TraceMissingInput(gdk_display_get_default());
    return std::unique_ptr<GtkBackend>(new GtkBackend());
}

GtkBackend::GtkBackend() : m_queue(MessageQueue::ForCurrentThread()) {
    GSource* source = g_source_new(&kQueueFuncs, sizeof(QueueSource));
    m_source = reinterpret_cast<QueueSource*>(source);
    m_source->queue = m_queue.get();
    m_source->fdTag = g_source_add_unix_fd(source, m_queue->WakeFd(), G_IO_IN);
    g_source_set_can_recurse(source, TRUE);
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_attach(source, nullptr);

    auto displayChanged = +[](GdkScreen*, gpointer self) {
        auto* me = static_cast<GtkBackend*>(self);
        for (HWND hwnd : me->TopLevelHandles())
            if (GtkBackendWindow* window = me->FindWindow(hwnd)) window->Deliver(WM_DISPLAYCHANGE, 32, 0);
    };
    if (GdkScreen* screen = gdk_screen_get_default()) {
        g_signal_connect(screen, "monitors-changed", G_CALLBACK(displayChanged), this);
        g_signal_connect(screen, "size-changed", G_CALLBACK(displayChanged), this);
    }
    GtkSettings* settings = gtk_settings_get_default();
    g_object_set_data(G_OBJECT(settings), kToldFontDpi, GINT_TO_POINTER(FontDpi(settings)));
    g_signal_connect(settings, "notify::gtk-xft-dpi",
                     G_CALLBACK(+[](GObject* settings, GParamSpec*, gpointer self) {
                         const int fontDpi = FontDpi(GTK_SETTINGS(settings));
                         if (GPOINTER_TO_INT(g_object_get_data(settings, kToldFontDpi)) == fontDpi) return;
                         g_object_set_data(settings, kToldFontDpi, GINT_TO_POINTER(fontDpi));
                         auto* me = static_cast<GtkBackend*>(self);
                         for (HWND hwnd : me->TopLevelHandles()) {
                             GtkBackendWindow* window = me->FindWindow(hwnd);
                             if (!window) continue;
                             RECT suggested = window->GetRect();
                             window->Deliver(WM_DPICHANGED, static_cast<WPARAM>(fontDpi | (fontDpi << 16)),
                                             reinterpret_cast<LPARAM>(&suggested));
                         }
                     }),
                     this);
}

GtkBackend::~GtkBackend() {
    if (GdkScreen* screen = gdk_screen_get_default()) g_signal_handlers_disconnect_by_data(screen, this);
    if (GtkSettings* settings = gtk_settings_get_default()) g_signal_handlers_disconnect_by_data(settings, this);
    if (m_source) {
        g_source_destroy(&m_source->source);
        g_source_unref(&m_source->source);
    }
}

std::unique_ptr<IBackendWindow> GtkBackend::CreateBackendWindow(IWindowHost* host, const WindowCreateParams& params) {
    if (!OnOwnThread()) {
        DebugTraceF("uikit: window %s refused: GTK windows live on the thread that opened the display",
                    params.className.c_str());
        return nullptr;
    }
    return std::make_unique<GtkBackendWindow>(this, host, params);
}

void GtkBackend::Register(GtkBackendWindow* window) { m_windows.push_back(window); }

void GtkBackend::Unregister(GtkBackendWindow* window) {
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
    if (m_lastShown == window) m_lastShown = nullptr;
}

GtkBackendWindow* GtkBackend::FindWindow(HWND hwnd) const {
    if (!hwnd) return nullptr;
    for (GtkBackendWindow* window : m_windows)
        if (window->Hwnd() == hwnd) return window;
    return nullptr;
}

std::vector<HWND> GtkBackend::TopLevelHandles() const {
    std::vector<HWND> handles;
    for (GtkBackendWindow* window : m_windows)
        if (!window->IsPopup()) handles.push_back(window->Hwnd());
    return handles;
}

int GtkBackend::RunLoop() {
    // Threads other than the GTK one have no windows on screen, only their message queue.
    if (!OnOwnThread()) return MessageQueue::ForCurrentThread()->RunLoop();
    while (!m_queue->QuitCode()) g_main_context_iteration(nullptr, TRUE);
    return m_queue->TakeQuitCode().value_or(0);
}

bool GtkBackend::RunModalLoop(const std::function<bool()>& done) {
    if (!OnOwnThread()) return MessageQueue::ForCurrentThread()->RunUntil(done);
    // The window just shown is the modal one; every other window refuses input meanwhile.
    GtkBackendWindow* modal = m_lastShown;
    const HWND owner = modal ? modal->OwnerHwnd() : nullptr;
    std::vector<HWND> blocked;
    for (GtkBackendWindow* window : m_windows) {
        if (window == modal || window->IsPopup()) continue;
        window->BlockInput(true);
        blocked.push_back(window->Hwnd());
    }
    bool quit = false;
    while (!done()) {
        if (m_queue->QuitCode()) {
            quit = true;
            break;
        }
        g_main_context_iteration(nullptr, TRUE);
    }
    for (HWND hwnd : blocked)
        if (GtkBackendWindow* window = FindWindow(hwnd)) window->BlockInput(false);
    // The focus goes back to the owner.
    if (GtkBackendWindow* below = FindWindow(owner); below && below->IsVisible()) below->Activate();
    return !quit;
}

POINT GtkBackend::GetCursorPos() const {
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    if (!pointer) return POINT{};
    gint x = 0;
    gint y = 0;
    gdk_device_get_position(pointer, nullptr, &x, &y);
    return POINT{x, y};
}

std::string GtkBackend::GetClipboardText() const {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gchar* text = gtk_clipboard_wait_for_text(clipboard);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

void GtkBackend::SetClipboardText(const std::string& text) {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
    gtk_clipboard_store(clipboard);
}

void GtkBackend::Pump() {
    while (g_main_context_iteration(nullptr, FALSE)) {}
}

}  // namespace kx58::ui
