// Suspend and resume as the system announces them: a private bus stands in for the system bus
// and a small logind on it hands out delay locks and says PrepareForSleep.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "integration/app/main_window_fixture.h"
#include "platform/message_queue.h"
#include "support/dbus_server.h"
#include "support/wait_until.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr const char* kManagerXml =
    "<node><interface name='org.freedesktop.login1.Manager'>"
    "<method name='Inhibit'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='h' direction='out'/></method>"
    "<signal name='PrepareForSleep'><arg type='b'/></signal>"
    "</interface></node>";

// logind as far as the program meets it: the name, Inhibit answered with the write end of a
// pipe (the lock is released when every copy of it is closed), and the PrepareForSleep signal.
// Its method calls are answered on a thread of its own.
class FakeLogind {
public:
    struct Lock {
        std::string what, who, why, mode;
        int readEnd = -1;
    };

    explicit FakeLogind(std::string address) : address_(std::move(address)) {
        thread_ = std::thread([this] { Run(); });
        WaitUntil([this] { return state_.load() != kStarting; });
    }
    ~FakeLogind() {
        GSource* idle = g_idle_source_new();
        const auto quit = [](gpointer loop) {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        };
        g_source_set_callback(idle, quit, loop_, nullptr);
        g_source_attach(idle, context_);
        g_source_unref(idle);
        thread_.join();
        for (const Lock& lock : locks_) close(lock.readEnd);
        g_main_loop_unref(loop_);
        g_main_context_unref(context_);
    }

    bool Ready() const { return state_.load() == kServing; }
    std::size_t LocksTaken() const {
        std::lock_guard guard(mutex_);
        return locks_.size();
    }
    Lock LockAt(std::size_t index) const {
        std::lock_guard guard(mutex_);
        return locks_.at(index);
    }
    // True once the program has closed its copy of lock `index`.
    bool Released(std::size_t index) const {
        pollfd hangup{LockAt(index).readEnd, 0, 0};
        return poll(&hangup, 1, 0) == 1 && (hangup.revents & POLLHUP) != 0;
    }
    void Emit(GVariant* arguments) {
        g_dbus_connection_emit_signal(connection_, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                      "PrepareForSleep", arguments, nullptr);
    }
    void PrepareForSleep(bool going) { Emit(g_variant_new("(b)", going)); }

private:
    static constexpr int kStarting = 0, kServing = 1, kFailed = 2;

    void Run() {
        pthread_setname_np(pthread_self(), "fake logind");
        g_main_context_push_thread_default(context_);
        state_ = Serve() ? kServing : kFailed;
        if (state_ == kServing) g_main_loop_run(loop_);
        if (connection_) {
            if (object_) g_dbus_connection_unregister_object(connection_, object_);
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_main_context_pop_thread_default(context_);
    }

    bool Serve() {
        const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        connection_ = g_dbus_connection_new_for_address_sync(address_.c_str(), flags, nullptr, nullptr, nullptr);
        if (!connection_) return false;
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kManagerXml, nullptr);
        static const GDBusInterfaceVTable vtable = {&FakeLogind::OnMethod, nullptr, nullptr, {}};
        object_ = g_dbus_connection_register_object(connection_, "/org/freedesktop/login1", node->interfaces[0], &vtable,
                                                    this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        GVariant* owned = g_dbus_connection_call_sync(connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                      "org.freedesktop.DBus", "RequestName",
                                                      g_variant_new("(su)", "org.freedesktop.login1", 4u),
                                                      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        guint32 reply = 0;
        if (owned) g_variant_get(owned, "(u)", &reply);
        if (owned) g_variant_unref(owned);
        return object_ != 0 && reply == 1;  // the primary owner
    }

    static void OnMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                         GDBusMethodInvocation* invocation, gpointer self) {
        static_cast<FakeLogind*>(self)->Inhibit(parameters, invocation);
    }

    void Inhibit(GVariant* parameters, GDBusMethodInvocation* invocation) {
        Lock lock;
        const gchar *what, *who, *why, *mode;
        g_variant_get(parameters, "(&s&s&s&s)", &what, &who, &why, &mode);
        lock = {what, who, why, mode, -1};
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed", "no pipe");
            return;
        }
        lock.readEnd = ends[0];
        GUnixFDList* fds = g_unix_fd_list_new();
        const gint index = g_unix_fd_list_append(fds, ends[1], nullptr);
        close(ends[1]);  // the list holds its own copy until the answer is sent
        {
            std::lock_guard guard(mutex_);
            locks_.push_back(lock);
        }
        g_dbus_method_invocation_return_value_with_unix_fd_list(invocation, g_variant_new("(h)", index), fds);
        g_object_unref(fds);
    }

    std::string address_;
    GMainContext* context_ = g_main_context_new();
    GMainLoop* loop_ = g_main_loop_new(context_, FALSE);
    GDBusConnection* connection_ = nullptr;
    guint object_ = 0;
    std::atomic<int> state_{kStarting};
    mutable std::mutex mutex_;
    std::vector<Lock> locks_;
    std::thread thread_;
};

class SleepWatchTest : public MainWindowTest {
protected:
    void TearDown() override {
        // A test that failed while "asleep" must not leave the process-wide flag to the next.
        if (window && window->GetHWND() && !IsProcessActive())
            SendMessage(window->GetHWND(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        MainWindowTest::TearDown();
    }
    // The bus folder lies in the session, so it goes with it.
    PrivateDbusServer systemBus{session.Root()};
    ScopedEnv systemBusAddress{"DBUS_SYSTEM_BUS_ADDRESS", systemBus.Address()};
};

TEST_F(SleepWatchTest, ASuspendReachesTheWindowBeforeTheLockGoesAndTheResumeFindsTheReplacedKeyboard) {
    ASSERT_TRUE(systemBus.Running()) << systemBus.Problem();
    FakeLogind logind(systemBus.Address());
    ASSERT_TRUE(logind.Ready());
    ASSERT_NE(ShowKeyboardPage(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return logind.LocksTaken() == 1; }));
    const FakeLogind::Lock lock = logind.LockAt(0);
    EXPECT_EQ(lock.what, "sleep");
    EXPECT_EQ(lock.who, "KX58RGBVs Device");
    EXPECT_EQ(lock.why, "saving device state");
    EXPECT_EQ(lock.mode, "delay");
    EXPECT_FALSE(logind.Released(0));

    // A signal of the wrong shape is refused, not taken for a suspend.
    logind.Emit(g_variant_new("(s)", "yes"));
    ASSERT_TRUE(RunUntil([&] { return TraceCount("PrepareForSleep with arguments (s) ignored") == 1; }));
    EXPECT_TRUE(IsProcessActive());

    const std::size_t arrivalsActedOn = TraceCount("添加一个键盘设备");
    logind.PrepareForSleep(true);
    ASSERT_TRUE(RunUntil([&] { return !IsProcessActive(); }));
    ASSERT_TRUE(RunUntil([&] { return logind.Released(0); }));
    // While the machine sleeps the keyboard is unplugged and plugged back.
    const std::uint32_t arrival = window->Discovery().Row(0).arrival;
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return window->Discovery().Row(0).present == 0; }));
    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(RunUntil([&] { return window->Discovery().Row(0).arrival != arrival; }));
    ui::HeadlessBackend::Get()->RunUntilIdle();
    EXPECT_EQ(TraceCount("添加一个键盘设备"), arrivalsActedOn);  // not while asleep

    logind.PrepareForSleep(false);
    ASSERT_TRUE(RunUntil([&] { return IsProcessActive(); }));
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("kb") > 0 && TabShown("keyboard"); }));
    EXPECT_TRUE(Page("keyboard").device->CommandChannel().IsConnected());
    // Awake again: a new lock, held until the program ends.
    ASSERT_TRUE(RunUntil([&] { return logind.LocksTaken() == 2; }));
    EXPECT_FALSE(logind.Released(1));
    CloseWindow();
    EXPECT_TRUE(WaitUntil([&] { return logind.Released(1); }));
    EXPECT_EQ(window->LastStopResult().stillRunning, 0u);
}

TEST_F(SleepWatchTest, WithoutLogindAndAfterTheBusEndsTheProgramGoesOn) {
    ASSERT_TRUE(systemBus.Running()) << systemBus.Problem();
    ASSERT_NE(ShowKeyboardPage(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return TraceCount("sleep watch: no suspend delay from logind") == 1; }));
    systemBus.Stop();
    ASSERT_TRUE(RunUntil([&] { return TraceCount("sleep watch: the system bus went away") == 1; }));
    // Suspend and resume as the window knows them still work.
    SendMessage(window->GetHWND(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(IsProcessActive());
    SendMessage(window->GetHWND(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(IsProcessActive());
    EXPECT_TRUE(TabShown("keyboard"));
    CloseWindow();
    EXPECT_EQ(window->LastStopResult().stillRunning, 0u);
    EXPECT_EQ(TraceCount("sleep watch: no suspend delay from logind"), 1u);
}

TEST_F(MainWindowTest, WithoutASystemBusTheProgramRunsOnAndSaysSoOnce) {
    ScopedEnv noBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + session.Root() + "/no-bus");
    ASSERT_NE(ShowKeyboardPage(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return TraceCount("sleep watch: no system bus") == 1; }));
    EXPECT_TRUE(IsProcessActive());
    CloseWindow();
    EXPECT_EQ(window->LastStopResult().stillRunning, 0u);
    EXPECT_EQ(TraceCount("sleep watch: no system bus"), 1u);
}

}  // namespace
}  // namespace kx58test
