#include "platform/sleep_watch.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <atomic>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"

namespace kx58 {

struct SleepWatch::Loop {
    explicit Loop(HWND target)
        : window(target), context(g_main_context_new()), mainLoop(g_main_loop_new(context, FALSE)),
          cancellable(g_cancellable_new()) {}
    ~Loop() {
        g_object_unref(cancellable);
        g_main_loop_unref(mainLoop);
        g_main_context_unref(context);
    }
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    const HWND window;
    GMainContext* const context;
    GMainLoop* const mainLoop;
    GCancellable* const cancellable;
    std::atomic<bool> quitAsked{false};
    // Only the watch thread touches the rest.
    GDBusConnection* connection = nullptr;
    guint subscription = 0;
    int inhibitor = -1;
    bool inhibitorAsked = false;  // an Inhibit call is on its way
    bool sleeping = false;        // between the suspend and the resume
    int pendingCalls = 0;
    bool lockProblemTraced = false;
};

namespace {

using Loop = SleepWatch::Loop;

constexpr const char* kLogindName = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

bool Cancelled(const GError* error) { return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED); }

bool Connect(Loop& loop) {
    g_autoptr(GError) error = nullptr;
    g_autofree gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, loop.cancellable, &error);
    // An own connection, not the shared one: that one ends the process when the bus goes.
    if (address) {
        const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        loop.connection = g_dbus_connection_new_for_address_sync(address, flags, nullptr, loop.cancellable, &error);
    }
    if (loop.connection) return true;
    if (!Cancelled(error))
        DebugTraceF("sleep watch: no system bus (%s); suspend and resume are not followed", error ? error->message : "?");
    return false;
}

void CloseInhibitor(Loop& loop) {
    if (loop.inhibitor < 0) return;
    close(loop.inhibitor);
    loop.inhibitor = -1;
}

void OnInhibitReply(GObject* source, GAsyncResult* result, gpointer data) {
    Loop& loop = *static_cast<Loop*>(data);
    --loop.pendingCalls;
    loop.inhibitorAsked = false;
    g_autoptr(GError) error = nullptr;
    g_autoptr(GUnixFDList) fds = nullptr;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(source), &fds, result, &error);
    gint32 index = -1;
    if (reply) g_variant_get(reply, "(h)", &index);
    const bool handed = fds && index >= 0 && index < g_unix_fd_list_get_length(fds);
    const int fd = handed ? g_unix_fd_list_get(fds, index, &error) : -1;
    if (fd < 0) {
        if (!Cancelled(error) && !loop.lockProblemTraced)
            DebugTraceF("sleep watch: no suspend delay from logind (%s)",
                        error ? error->message : "no descriptor in the answer");
        loop.lockProblemTraced = true;
        return;
    }
    loop.inhibitor = fd;
    // A lock granted after the suspend was handled would hold the machine awake for nothing.
    if (loop.sleeping || loop.quitAsked.load()) CloseInhibitor(loop);
}

void TakeInhibitor(Loop& loop) {
    if (loop.inhibitor >= 0 || loop.inhibitorAsked) return;
    loop.inhibitorAsked = true;
    ++loop.pendingCalls;
    g_dbus_connection_call_with_unix_fd_list(
        loop.connection, kLogindName, kLogindPath, kLogindManager, "Inhibit",
        g_variant_new("(ssss)", "sleep", "KX58RGBVs Device", "saving device state", "delay"), G_VARIANT_TYPE("(h)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, loop.cancellable, OnInhibitReply, &loop);
}

void OnPrepareForSleep(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                       gpointer data) {
    Loop& loop = *static_cast<Loop*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
        DebugTraceF("sleep watch: PrepareForSleep with arguments %s ignored", g_variant_get_type_string(parameters));
        return;
    }
    gboolean going = FALSE;
    g_variant_get(parameters, "(b)", &going);
    loop.sleeping = going;
    if (going) {
        SendMessage(loop.window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
        CloseInhibitor(loop);
    } else {
        PostMessage(loop.window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        TakeInhibitor(loop);
    }
}

void OnConnectionClosed(GDBusConnection*, gboolean, GError* error, gpointer data) {
    Loop& loop = *static_cast<Loop*>(data);
    DebugTraceF("sleep watch: the system bus went away (%s)", error ? error->message : "closed");
    g_main_loop_quit(loop.mainLoop);
}

void Follow(Loop& loop) {
    g_signal_connect(loop.connection, "closed", G_CALLBACK(OnConnectionClosed), &loop);
    loop.subscription = g_dbus_connection_signal_subscribe(loop.connection, kLogindName, kLogindManager, "PrepareForSleep",
                                                           kLogindPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                                           OnPrepareForSleep, &loop, nullptr);
    TakeInhibitor(loop);
    g_main_loop_run(loop.mainLoop);
    g_dbus_connection_signal_unsubscribe(loop.connection, loop.subscription);
}

void Disconnect(Loop& loop) {
    // The calls still on their way end as cancelled; their answers must not outlive the loop.
    g_cancellable_cancel(loop.cancellable);
    while (loop.pendingCalls > 0) g_main_context_iteration(loop.context, TRUE);
    CloseInhibitor(loop);
    g_signal_handlers_disconnect_by_data(loop.connection, &loop);
    g_dbus_connection_close_sync(loop.connection, nullptr, nullptr);
    g_object_unref(loop.connection);
    loop.connection = nullptr;
}

void RunWatch(Loop& loop) {
    g_main_context_push_thread_default(loop.context);
    if (Connect(loop)) {
        Follow(loop);
        Disconnect(loop);
    }
    g_main_context_pop_thread_default(loop.context);
}

gboolean QuitLoop(gpointer mainLoop) {
    g_main_loop_quit(static_cast<GMainLoop*>(mainLoop));
    return G_SOURCE_REMOVE;
}

}  // namespace

SleepWatch::~SleepWatch() { Stop(0); }

bool SleepWatch::Start(HWND window) {
    if (thread_.Running()) return false;
    loop_ = std::make_shared<Loop>(window);
    return thread_.Start("sleep watch", [loop = loop_](Event&) { RunWatch(*loop); });
}

bool SleepWatch::Stop(std::uint32_t timeoutMs) {
    if (!loop_) return true;
    if (!loop_->quitAsked.exchange(true)) {
        g_cancellable_cancel(loop_->cancellable);  // a connect under way gives up
        // Quit from inside the loop: a quit before the loop runs would be lost.
        GSource* idle = g_idle_source_new();
        g_source_set_callback(idle, QuitLoop, g_main_loop_ref(loop_->mainLoop),
                              reinterpret_cast<GDestroyNotify>(g_main_loop_unref));
        g_source_attach(idle, loop_->context);
        g_source_unref(idle);
    }
    if (!thread_.Stop(timeoutMs)) return false;
    loop_.reset();
    return true;
}

}  // namespace kx58
