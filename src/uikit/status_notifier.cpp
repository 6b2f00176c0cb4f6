#include "uikit/status_notifier.h"

#include <gio/gio.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/debug_trace.h"

namespace kx58::ui {

struct StatusNotifierItem::Core {
    ~Core() { g_object_unref(cancellable); }

    ClickHandler onClick;
    HolderHandler onHolderChange;
    std::string title;
    StatusNotifierPixmap pixmap;
    bool active = true;
    bool closed = false;  // the item went; callbacks still on their way do nothing
    GCancellable* const cancellable = g_cancellable_new();
    GDBusConnection* connection = nullptr;
    std::string busName;
    std::string watcher;  // the unique name of the watcher that is there, or empty
    guint objectId = 0;
    guint watchId = 0;
    gulong closedHandler = 0;
    guint retryId = 0;        // the next try to reach a bus that went away
    bool reconnecting = false;
    bool nameOwned = false;
    bool registered = false;
    bool absenceTraced = false;
    bool refusalTraced = false;
};

namespace {

using Core = StatusNotifierItem::Core;
using CoreRef = std::shared_ptr<Core>;

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kStockIcon = "input-gaming";
constexpr guint kRetrySeconds = 2;    // while the session bus is away
constexpr guint32 kDoNotQueue = 4;    // RequestName flags
constexpr guint32 kPrimaryOwner = 1;  // RequestName answer

constexpr const char* kItemXml =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<method name='Activate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='ContextMenu'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "<method name='Scroll'><arg name='delta' type='i' direction='in'/><arg name='orientation' type='s' direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg name='status' type='s'/></signal>"
    "</interface></node>";

GDBusInterfaceInfo* ItemInterface() {
    static GDBusNodeInfo* const node = g_dbus_node_info_new_for_xml(kItemXml, nullptr);
    return node->interfaces[0];
}

// Callbacks get a strong reference of their own, so that a core outlives every callback that
// may still come; a closed core answers nothing.
gpointer Hold(const CoreRef& core) { return new CoreRef(core); }
void Release(gpointer data) { delete static_cast<CoreRef*>(data); }
CoreRef Held(gpointer data) { return *static_cast<CoreRef*>(data); }
CoreRef TakeHold(gpointer data) {
    const CoreRef core = Held(data);
    Release(data);
    return core;
}

bool Cancelled(const GError* error) { return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED); }

// The session bus the environment names, or the user's bus socket. No autolaunch: a session
// without a bus has no panel that speaks this protocol, and starting one would block.
std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    const std::string socket = std::string(runtime) + "/bus";
    return g_file_test(socket.c_str(), G_FILE_TEST_EXISTS) ? "unix:path=" + socket : std::string();
}

std::string NextBusName() {
    static std::atomic<unsigned> made{0};
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++made);
}

void TellHolder(Core& core, bool held) {
    core.registered = held;
    const StatusNotifierItem::HolderHandler tell = core.onHolderChange;  // it may end the item
    if (tell) tell(held);
}

GVariant* PixmapsOf(const StatusNotifierPixmap& pixmap) {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    if (!pixmap.argb.empty()) {
        GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(), pixmap.argb.size(), 1);
        g_variant_builder_add(&pixmaps, "(ii@ay)", pixmap.width, pixmap.height, bytes);
    }
    return g_variant_builder_end(&pixmaps);
}

struct PropertyRow {
    std::string_view name;
    GVariant* (*value)(const Core& core);
};

constexpr PropertyRow kProperties[] = {
    {"Category", [](const Core&) { return g_variant_new_string("Hardware"); }},
    {"Id", [](const Core&) { return g_variant_new_string("kx58"); }},
    {"Title", [](const Core& core) { return g_variant_new_string(core.title.c_str()); }},
    {"Status", [](const Core& core) { return g_variant_new_string(core.active ? "Active" : "Passive"); }},
    {"IconName", [](const Core&) { return g_variant_new_string(kStockIcon); }},
    {"IconPixmap", [](const Core& core) { return PixmapsOf(core.pixmap); }},
    {"ToolTip",
     [](const Core& core) {
         return g_variant_new("(s@a(iiay)ss)", "", PixmapsOf({}), core.title.c_str(), "");
     }},
    {"ItemIsMenu", [](const Core&) { return g_variant_new_boolean(FALSE); }},
};

GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                        GError** error, gpointer data) {
    const CoreRef core = Held(data);
    for (const PropertyRow& row : kProperties)
        if (row.name == property) return row.value(*core);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
    return nullptr;
}

// What the panel's requests do: its activation is a left click and its context-menu request a
// right click; the middle-button activation and the wheel do nothing.
struct MethodRow {
    std::string_view name;
    bool clicks;
    bool right;
};

constexpr MethodRow kMethods[] = {
    {"Activate", true, false},
    {"ContextMenu", true, true},
    {"SecondaryActivate", false, false},
    {"Scroll", false, false},
};

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                  GDBusMethodInvocation* invocation, gpointer data) {
    const CoreRef core = Held(data);  // a click may delete the item; the core stays until we return
    const MethodRow* row = nullptr;
    for (const MethodRow& candidate : kMethods)
        if (candidate.name == method) row = &candidate;
    if (!row) {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD, "no method %s", method);
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);  // the panel waits for nothing of ours
    const StatusNotifierItem::ClickHandler click = core->onClick;
    if (row->clicks && !core->closed && click) click(row->right);
}

constexpr GDBusInterfaceVTable kItemVTable = {OnMethodCall, OnGetProperty, nullptr, {}};

void Emit(const Core& core, const char* signal, GVariant* arguments = nullptr) {
    if (!core.connection || !core.objectId) {
        if (arguments) g_variant_unref(g_variant_ref_sink(arguments));
        return;
    }
    g_dbus_connection_emit_signal(core.connection, nullptr, kItemPath, kItemInterface, signal, arguments, nullptr);
}

void OnRegistered(GObject* source, GAsyncResult* result, gpointer data) {
    const CoreRef core = TakeHold(data);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    // Gone, or the watcher or the bus went meanwhile.
    if (core->closed || core->watcher.empty() || G_DBUS_CONNECTION(source) != core->connection) return;
    if (!reply && !core->refusalTraced)
        DebugTraceF("uikit: the StatusNotifierWatcher refused the tray icon (%s)", error ? error->message : "?");
    core->refusalTraced = core->refusalTraced || !reply;
    TellHolder(*core, reply != nullptr);
}

void RegisterWhenReady(const CoreRef& core) {
    if (!core->nameOwned || core->watcher.empty()) return;
    g_dbus_connection_call(core->connection, core->watcher.c_str(), kWatcherPath, kWatcherName,
                           "RegisterStatusNotifierItem", g_variant_new("(s)", core->busName.c_str()), nullptr,
                           G_DBUS_CALL_FLAGS_NONE, -1, core->cancellable, OnRegistered, Hold(core));
}

// Asked for without queueing and without letting others take it over, the name is lost only
// with the connection, which the "closed" handler speaks for.
void OnNameRequested(GObject* source, GAsyncResult* result, gpointer data) {
    const CoreRef core = TakeHold(data);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (core->closed || G_DBUS_CONNECTION(source) != core->connection) return;  // the bus went meanwhile
    guint32 answer = 0;
    if (reply) g_variant_get(reply, "(u)", &answer);
    core->nameOwned = answer == kPrimaryOwner;
    if (core->nameOwned) return RegisterWhenReady(core);
    DebugTraceF("uikit: the bus name %s is not ours (%s): the tray icon is not offered", core->busName.c_str(),
                error ? error->message : "taken");
    TellHolder(*core, false);
}

void RequestName(const CoreRef& core) {
    g_dbus_connection_call(core->connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "RequestName", g_variant_new("(su)", core->busName.c_str(), kDoNotQueue),
                           G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, core->cancellable, OnNameRequested,
                           Hold(core));
}

void OnWatcherAppeared(GDBusConnection*, const gchar*, const gchar* owner, gpointer data) {
    const CoreRef core = Held(data);
    if (core->closed) return;
    core->watcher = owner;
    RegisterWhenReady(core);
}

void OnWatcherVanished(GDBusConnection* connection, const gchar*, gpointer data) {
    const CoreRef core = Held(data);
    if (core->closed || !connection) return;
    core->watcher.clear();
    if (!core->absenceTraced) DebugTrace("uikit: no StatusNotifierWatcher on the session bus: no panel holds the tray icon");
    core->absenceTraced = true;
    TellHolder(*core, false);
}

void Connect(const CoreRef& core, const std::string& address);

// Drops what the connection served; the connection itself goes with it.
void Unserve(Core& core) {
    if (core.watchId) g_bus_unwatch_name(core.watchId);
    core.watchId = 0;
    if (!core.connection) return;
    if (core.objectId) g_dbus_connection_unregister_object(core.connection, core.objectId);
    core.objectId = 0;
    if (core.closedHandler) g_signal_handler_disconnect(core.connection, core.closedHandler);
    core.closedHandler = 0;
    g_object_unref(std::exchange(core.connection, nullptr));
}

// While the bus is away, a try every few seconds: a restarted bus gets the icon again, and
// so does the panel on it.
void RetryLater(const CoreRef& core) {
    if (core->closed || core->retryId) return;
    core->retryId = g_timeout_add_seconds_full(
        G_PRIORITY_DEFAULT, kRetrySeconds,
        [](gpointer data) -> gboolean {
            const CoreRef core = Held(data);
            core->retryId = 0;
            const std::string address = SessionBusAddress();
            if (address.empty()) RetryLater(core);
            else Connect(core, address);
            return G_SOURCE_REMOVE;
        },
        Hold(core), Release);
}

void OnConnectionClosed(GDBusConnection*, gboolean, GError* error, gpointer data) {
    const CoreRef core = Held(data);
    DebugTraceF("uikit: the session bus went away (%s): no panel holds the tray icon", error ? error->message : "closed");
    core->watcher.clear();
    core->nameOwned = false;
    core->reconnecting = true;
    Unserve(*core);
    TellHolder(*core, false);
    RetryLater(core);
}

void Serve(const CoreRef& core) {
    g_autoptr(GError) error = nullptr;
    core->closedHandler = g_signal_connect_data(core->connection, "closed", G_CALLBACK(OnConnectionClosed), Hold(core),
                                                [](gpointer data, GClosure*) { Release(data); }, GConnectFlags{});
    core->objectId = g_dbus_connection_register_object(core->connection, kItemPath, ItemInterface(), &kItemVTable,
                                                       Hold(core), Release, &error);
    if (!core->objectId) {
        DebugTraceF("uikit: the tray icon cannot be offered on the session bus (%s)", error ? error->message : "?");
        return TellHolder(*core, false);
    }
    RequestName(core);
    core->watchId = g_bus_watch_name_on_connection(core->connection, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                   OnWatcherAppeared, OnWatcherVanished, Hold(core), Release);
}

void OnConnected(GObject*, GAsyncResult* result, gpointer data) {
    const CoreRef core = TakeHold(data);
    g_autoptr(GError) error = nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, &error);
    if (core->closed) {
        if (connection) {
            g_dbus_connection_close(connection, nullptr, nullptr, nullptr);
            g_object_unref(connection);
        }
        return;
    }
    if (!connection && core->reconnecting) return RetryLater(core);  // still away
    if (!connection) {
        if (!Cancelled(error))
            DebugTraceF("uikit: the session bus cannot be reached (%s): no panel holds the tray icon",
                        error ? error->message : "?");
        return TellHolder(*core, false);
    }
    if (std::exchange(core->reconnecting, false)) DebugTrace("uikit: the session bus is back: the tray icon is offered again");
    core->connection = connection;
    Serve(core);
}

void Connect(const CoreRef& core, const std::string& address) {
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    // An own connection, not the shared one: that one ends the process when the bus goes.
    g_dbus_connection_new_for_address(address.c_str(), flags, nullptr, core->cancellable, OnConnected, Hold(core));
}

void Close(Core& core) {
    core.closed = true;
    core.onClick = nullptr;
    core.onHolderChange = nullptr;
    g_cancellable_cancel(core.cancellable);
    if (core.retryId) g_source_remove(std::exchange(core.retryId, 0));
    // Closing gives up the name without a blocking ReleaseName, whatever the panel does next.
    if (core.connection) g_dbus_connection_close(core.connection, nullptr, nullptr, nullptr);
    Unserve(core);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(ClickHandler onClick, HolderHandler onHolderChange)
    : m_core(std::make_shared<Core>()) {
    m_core->onClick = std::move(onClick);
    m_core->onHolderChange = std::move(onHolderChange);
}

StatusNotifierItem::~StatusNotifierItem() { Close(*m_core); }

bool StatusNotifierItem::Start() {
    if (m_core->connection || !m_core->busName.empty()) return true;
    const std::string address = SessionBusAddress();
    if (address.empty()) {
        DebugTrace("uikit: no session bus: no panel holds the tray icon");
        return false;
    }
    m_core->busName = NextBusName();
    Connect(m_core, address);
    return true;
}

void StatusNotifierItem::SetTitle(const std::string& title) {
    if (title == m_core->title) return;
    m_core->title = title;
    Emit(*m_core, "NewTitle");
    Emit(*m_core, "NewToolTip");
}

void StatusNotifierItem::SetPixmap(StatusNotifierPixmap pixmap) {
    m_core->pixmap = std::move(pixmap);
    Emit(*m_core, "NewIcon");
}

void StatusNotifierItem::SetActive(bool active) {
    if (active == m_core->active) return;
    m_core->active = active;
    Emit(*m_core, "NewStatus", g_variant_new("(s)", active ? "Active" : "Passive"));
}

bool StatusNotifierItem::IsRegistered() const { return m_core->registered; }

const std::string& StatusNotifierItem::BusName() const { return m_core->busName; }

}  // namespace kx58::ui
