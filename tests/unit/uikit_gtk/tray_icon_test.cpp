// The tray icon as a panel meets it: a private session bus, a panel standing in for the
// desktop's StatusNotifierWatcher, and the program's icon on the GTK backend.
#include <gtest/gtest.h>
#include <cairo.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "gtk_pump.h"
#include "support/dbus_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "platform/debug_trace.h"
#include "uikit/backend_choice.h"
#include "uikit/gtk_backend.h"
#include "uikit/tray_icon.h"

namespace kx58::ui {
namespace {

using Variant = std::unique_ptr<GVariant, decltype(&g_variant_unref)>;

constexpr const char* kWatcherXml =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
    "</interface></node>";

bool PumpUntil(const std::function<bool()>& done) { return kx58test::PumpGtkUntil(done); }

// A panel on its own connection: it may serve the watcher, and reads and calls items as a
// panel does. It answers from the test thread's loop, so every wait pumps that loop.
class FakePanel {
public:
    explicit FakePanel(const std::string& address)
        : connection_(g_dbus_connection_new_for_address_sync(
              address.c_str(),
              static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
              nullptr, nullptr, nullptr)) {
        subscription_ = g_dbus_connection_signal_subscribe(
            connection_, nullptr, "org.kde.StatusNotifierItem", nullptr, "/StatusNotifierItem", nullptr,
            G_DBUS_SIGNAL_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant* args, gpointer self) {
                g_autofree gchar* text = g_variant_print(args, FALSE);
                static_cast<FakePanel*>(self)->signals.push_back(std::string(signal) + text);
            },
            this, nullptr);
    }
    ~FakePanel() {
        if (!connection_) return;  // no bus: the test stops at its first check
        StopWatcher();
        g_dbus_connection_signal_unsubscribe(connection_, subscription_);
        g_dbus_connection_close_sync(connection_, nullptr, nullptr);
        g_object_unref(connection_);
    }

    bool StartWatcher(bool refuse = false) {
        refuse_ = refuse;
        static GDBusNodeInfo* const node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* args,
               GDBusMethodInvocation* invocation, gpointer self) {
                auto& panel = *static_cast<FakePanel*>(self);
                const gchar* service = nullptr;
                g_variant_get(args, "(&s)", &service);
                panel.registrations.emplace_back(service);
                if (panel.refuse_) return g_dbus_method_invocation_return_dbus_error(invocation, "org.kde.Refused", "full");
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(connection_, "/StatusNotifierWatcher", node->interfaces[0], &vtable,
                                                    this, nullptr, nullptr);
        owner_ = g_bus_own_name_on_connection(connection_, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_NONE,
                                              nullptr, nullptr, nullptr, nullptr);
        return PumpUntil([&] { return HasOwner("org.kde.StatusNotifierWatcher"); });
    }
    void StopWatcher() {
        if (!owner_) return;
        g_bus_unown_name(owner_);
        g_dbus_connection_unregister_object(connection_, object_);
        owner_ = object_ = 0;
        PumpUntil([&] { return !HasOwner("org.kde.StatusNotifierWatcher"); });
    }

    Variant Call(const std::string& dest, const char* path, const char* interface, const char* method, GVariant* args) {
        struct Pending {
            GVariant* reply = nullptr;
            bool done = false;
        } pending;
        g_dbus_connection_call(
            connection_, dest.c_str(), path, interface, method, args, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                auto& answer = *static_cast<Pending*>(data);
                answer.reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
                answer.done = true;
            },
            &pending);
        PumpUntil([&] { return pending.done; });
        return Variant(pending.reply, g_variant_unref);
    }
    bool CallItem(const std::string& item, const char* method, GVariant* args) {
        return Call(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", method, args) != nullptr;
    }
    // A property of an item as its printed value ("" when it cannot be read).
    std::string Property(const std::string& item, const char* name) {
        const Variant reply = Call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                                   g_variant_new("(ss)", "org.kde.StatusNotifierItem", name));
        if (!reply) return {};
        g_autoptr(GVariant) boxed = g_variant_get_child_value(reply.get(), 0);
        g_autoptr(GVariant) value = g_variant_get_variant(boxed);
        g_autofree gchar* text = g_variant_print(value, FALSE);
        return text;
    }
    bool HasOwner(const char* name) {
        const Variant reply = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", g_variant_new("(s)", name));
        gboolean owned = FALSE;
        if (reply) g_variant_get(reply.get(), "(b)", &owned);
        return owned;
    }
    std::vector<std::string> registrations;
    std::vector<std::string> signals;  // name and printed arguments: "NewStatus('Passive',)"

private:
    GDBusConnection* connection_;
    guint subscription_ = 0;
    guint object_ = 0;
    guint owner_ = 0;
    bool refuse_ = false;
};

class TrayIconOnTheBus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("NO_AT_BRIDGE", "1", 1);  // GTK's accessibility bridge stays off the test's bus
        std::string error;
        kx58test::ScopedEnv ui("KX58_UI", "");
        ASSERT_TRUE(InstallChosenBackend(error)) << error;
    }
    void SetUp() override {
        ASSERT_TRUE(bus.Running()) << bus.Problem();
        previousSink = kx58::SetTraceSink([this](std::string_view text) { traces.emplace_back(text); });
        WriteIconImage(dir / "tray.png");
        tray.OnLeftClick([this] { clicks += 'L'; });
        tray.OnRightClick([this] { clicks += 'R'; });
    }
    void TearDown() override {
        tray.DeleteTrayIcon();
        GtkBackend::Pump();
        kx58::SetTraceSink(previousSink);
    }
    // 24 x 16: the left half opaque #112233, the right half transparent.
    static void WriteIconImage(const std::string& path) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 24, 16);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 0x11 / 255.0, 0x22 / 255.0, 0x33 / 255.0);
        cairo_rectangle(cr, 0, 0, 12, 16);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_write_to_png(surface, path.c_str());
        cairo_surface_destroy(surface);
    }
    bool Create(const std::string& tip = "KX58RGBVs Device") {
        return tray.CreateTrayIcon(nullptr, 107, tip, UIMSG_TRAYICON, dir / "tray.png");
    }
    // Waits for the icon's registration and answers the name it registered.
    std::string Registered() {
        if (!PumpUntil([&] { return !panel.registrations.empty() && tray.IsEmbedded(); })) return {};
        return panel.registrations.back();
    }
    // A panel is there first; the icon's registered name, or "" when none came.
    std::string ShownOnThePanel() { return panel.StartWatcher() && Create() ? Registered() : std::string(); }
    std::size_t TraceCount(const std::string& part) const {
        return std::count_if(traces.begin(), traces.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
    }

    kx58test::TempDir dir;
    kx58test::PrivateDbusServer bus{dir.Path()};
    kx58test::ScopedEnv sessionBus{"DBUS_SESSION_BUS_ADDRESS", bus.Address()};
    FakePanel panel{bus.Address()};
    CTrayIcon tray;
    std::string clicks;  // 'L' or 'R' for each click, in order
    std::vector<std::string> traces;
    kx58::TraceSink previousSink;
};

TEST_F(TrayIconOnTheBus, APanelThatIsThereGetsTheIconAndReadsItAsShown) {
    const std::string item = ShownOnThePanel();
    ASSERT_EQ(item.rfind("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-", 0), 0u) << item;
    EXPECT_FALSE(tray.IsOnDesktopWithoutTray());
    EXPECT_EQ(panel.Property(item, "Title"), "'KX58RGBVs Device'");
    EXPECT_EQ(panel.Property(item, "Status"), "'Active'");
    EXPECT_EQ(panel.Property(item, "Category"), "'Hardware'");
    EXPECT_EQ(panel.Property(item, "Id"), "'kx58'");
    EXPECT_EQ(panel.Property(item, "ItemIsMenu"), "false");
    EXPECT_EQ(panel.Property(item, "IconName"), "'input-gaming'");
    EXPECT_EQ(panel.Property(item, "ToolTip"), "('', [], 'KX58RGBVs Device', '')");
    // Alpha first, then red, green, blue: an opaque pixel on the left, a clear one on the right.
    const std::string pixmap = panel.Property(item, "IconPixmap");
    EXPECT_EQ(pixmap.rfind("[(24, 16, [0xff, 0x11, 0x22, 0x33, 0xff, 0x11,", 0), 0u) << pixmap.substr(0, 80);
    EXPECT_NE(pixmap.find("0x11, 0x22, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00,"), std::string::npos);
    EXPECT_EQ(std::count(pixmap.begin(), pixmap.end(), ','), 2 + 24 * 16 * 4 - 1);
}

TEST_F(TrayIconOnTheBus, ThePanelsActivationIsALeftClickAndItsMenuRequestARightClick) {
    const std::string item = ShownOnThePanel();
    ASSERT_FALSE(item.empty());
    EXPECT_TRUE(panel.CallItem(item, "Activate", g_variant_new("(ii)", 1900, 10)));
    EXPECT_TRUE(panel.CallItem(item, "ContextMenu", g_variant_new("(ii)", 1900, 10)));
    EXPECT_TRUE(panel.CallItem(item, "SecondaryActivate", g_variant_new("(ii)", 1900, 10)));
    EXPECT_TRUE(panel.CallItem(item, "Scroll", g_variant_new("(is)", 120, "vertical")));
    EXPECT_FALSE(panel.CallItem(item, "Activate", g_variant_new("(s)", "garbage")));
    EXPECT_EQ(clicks, "LR");
}

TEST_F(TrayIconOnTheBus, AHiddenIconTurnsPassiveAndANewTipIsAnnounced) {
    const std::string item = ShownOnThePanel();
    ASSERT_FALSE(item.empty());
    tray.SetShowIcon(false);
    tray.SetTooltipText("KX58 (2 devices)");
    ASSERT_TRUE(PumpUntil([&] { return panel.signals.size() == 3; }));
    EXPECT_EQ(panel.signals, (std::vector<std::string>{"NewStatus('Passive',)", "NewTitle()", "NewToolTip()"}));
    EXPECT_EQ(panel.Property(item, "Status"), "'Passive'");
    EXPECT_EQ(panel.Property(item, "Title"), "'KX58 (2 devices)'");
    EXPECT_TRUE(tray.IsEmbedded());  // a passive icon is still held by the panel
}

TEST_F(TrayIconOnTheBus, APanelStartedLaterGetsTheIconAndOneThatQuitsLeavesItUnheld) {
    ASSERT_TRUE(Create());
    ASSERT_TRUE(PumpUntil([&] { return TraceCount("no StatusNotifierWatcher on the session bus") == 1; }));
    EXPECT_TRUE(tray.IsOnDesktopWithoutTray());
    ASSERT_TRUE(panel.StartWatcher());
    const std::string item = Registered();
    ASSERT_FALSE(item.empty());
    panel.StopWatcher();
    ASSERT_TRUE(PumpUntil([&] { return !tray.IsEmbedded(); }));
    ASSERT_TRUE(panel.StartWatcher());  // the panel restarted
    EXPECT_EQ(Registered(), item);
    EXPECT_EQ(panel.registrations.size(), 2u);
    EXPECT_EQ(TraceCount("no StatusNotifierWatcher"), 1u);
}

TEST_F(TrayIconOnTheBus, ADeletedIconLeavesTheBusAndAnswersNothingAfter) {
    const std::string item = ShownOnThePanel();
    ASSERT_FALSE(item.empty());
    tray.DeleteTrayIcon();
    ASSERT_TRUE(PumpUntil([&] { return !panel.HasOwner(item.c_str()); }));
    EXPECT_FALSE(panel.CallItem(item, "Activate", g_variant_new("(ii)", 0, 0)));
    // One deleted before the bus answered is never seen there.
    ASSERT_TRUE(Create());
    tray.DeleteTrayIcon();
    ASSERT_TRUE(Create());
    EXPECT_NE(Registered(), item);
    EXPECT_EQ(panel.registrations.size(), 2u);
    EXPECT_EQ(clicks, "");
}

// The session bus restarted: the icon is offered again on the new bus, to the panel there.
TEST_F(TrayIconOnTheBus, AfterTheSessionBusRestartsTheIconIsHeldAgain) {
    kx58test::ScopedEnv plainAddress("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir / "bus");
    const std::string item = ShownOnThePanel();
    ASSERT_FALSE(item.empty());
    bus.Stop();
    ASSERT_TRUE(PumpUntil([&] { return !tray.IsEmbedded(); }));
    kx58test::PrivateDbusServer restarted{dir.Path()};
    ASSERT_TRUE(restarted.Running()) << restarted.Problem();
    FakePanel again{restarted.Address()};
    ASSERT_TRUE(again.StartWatcher());
    ASSERT_TRUE(PumpUntil([&] { return !again.registrations.empty() && tray.IsEmbedded(); }));
    EXPECT_EQ(again.registrations.back(), item);
    EXPECT_EQ(again.Property(item, "Status"), "'Active'");
    EXPECT_EQ(TraceCount("the session bus is back"), 1u);
}

TEST_F(TrayIconOnTheBus, AWatcherThatRefusesTheIconIsTracedOnceAndLeavesItUnheld) {
    ASSERT_TRUE(panel.StartWatcher(true));
    ASSERT_TRUE(Create());
    ASSERT_TRUE(PumpUntil([&] { return TraceCount("the StatusNotifierWatcher refused the tray icon") == 1; }));
    EXPECT_FALSE(tray.IsEmbedded());
    EXPECT_TRUE(tray.IsOnDesktopWithoutTray());
}

TEST_F(TrayIconOnTheBus, WithoutASessionBusTheIconIsTracedOnceAndStillClicks) {
    kx58test::ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir / "no-bus");
    ASSERT_TRUE(Create());
    ASSERT_TRUE(PumpUntil([&] { return TraceCount("uikit: the session bus cannot be reached") == 1; }));
    EXPECT_TRUE(tray.IsOnDesktopWithoutTray());
    tray.Click(false);
    EXPECT_EQ(clicks, "L");
}

}  // namespace
}  // namespace kx58::ui
