// The input hook between its sources and the thread that installed it: device events from
// another thread arrive in order on the installing thread, the window's keys are swallowed
// while it is installed and count only without a readable keyboard, and the device source is
// started with the grab and stopped on uninstall.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/input_hook.h"
#include "platform/message_queue.h"

namespace {

using namespace kx58;

class FakeDevices : public InputDeviceSource {
public:
    explicit FakeDevices(InputDeviceStatus status) : status_(status) {}
    bool Start(Deliver deliver, bool grab) override {
        deliver_ = std::move(deliver);
        ++starts;
        grabbed = grab;
        return true;
    }
    void Stop() override {
        if (deliver_) ++stops;
        deliver_ = nullptr;
        grabbed = false;
    }
    InputDeviceStatus Status() const override { return status_; }
    // From the source's own thread, as the evdev reader would.
    void DeliverFromThread(int count) {
        std::thread reader([&] {
            for (int i = 0; i < count; ++i) {
                InputHookEvent event;
                event.message = i % 2 ? WM_KEYUP : WM_KEYDOWN;
                event.key.time = static_cast<DWORD>(i);
                deliver_(event);
            }
        });
        reader.join();
    }
    InputHookEvent Button(UINT message) {
        InputHookEvent event;
        event.message = message;
        deliver_(event);
        return event;
    }

    int starts = 0;
    int stops = 0;
    bool grabbed = false;

private:
    InputDeviceStatus status_;
    Deliver deliver_;
};

struct Received {
    std::vector<InputHookEvent> events;
    std::vector<std::thread::id> threads;
};

bool RunUntil(const std::function<bool()>& done) {
    return MessageQueue::ForCurrentThread()->RunUntil(done) && done();
}

TEST(InputHook, DeviceEventsReachTheInstallingThreadInOrderAndStopWithTheHook) {
    auto owned = std::make_unique<FakeDevices>(InputDeviceStatus{1, 1, 1, 0, true});
    FakeDevices& devices = *owned;
    InputHook hook(std::move(owned));
    Received received;
    ASSERT_TRUE(hook.Install([&](const InputHookEvent& event) {
        received.events.push_back(event);
        received.threads.push_back(std::this_thread::get_id());
    }, true));
    EXPECT_TRUE(devices.grabbed);
    EXPECT_EQ(hook.KeySource(), InputHookSource::Devices);

    devices.DeliverFromThread(500);
    ASSERT_TRUE(RunUntil([&] { return received.events.size() == 500; }));
    for (std::size_t i = 0; i < received.events.size(); ++i) {
        EXPECT_EQ(received.events[i].key.time, i);
        EXPECT_EQ(received.threads[i], std::this_thread::get_id());
    }

    // The device cannot tell where the pointer is: the window's last point is used, and a
    // pointer outside the window is nowhere.
    hook.TakeWindowInput(WM_MOUSEMOVE, 0, 0, 30, 40);
    devices.Button(WM_XBUTTONDOWN);
    ASSERT_TRUE(RunUntil([&] { return received.events.size() == 501; }));
    EXPECT_EQ(received.events.back().mouse.x, 30);
    EXPECT_EQ(received.events.back().mouse.y, 40);
    hook.TakeWindowInput(WM_MOUSELEAVE, 0, 0, 0, 0);
    devices.Button(WM_XBUTTONUP);
    ASSERT_TRUE(RunUntil([&] { return received.events.size() == 502; }));
    EXPECT_EQ(received.events.back().mouse.x, kPointOutside);

    // Installing again with the same grab keeps the source running; another grab restarts it.
    hook.Install([&](const InputHookEvent& event) { received.events.push_back(event); }, true);
    EXPECT_EQ(devices.starts, 1);
    hook.Install([&](const InputHookEvent& event) { received.events.push_back(event); }, false);
    EXPECT_EQ(devices.starts, 2);
    EXPECT_FALSE(devices.grabbed);

    hook.Uninstall();
    EXPECT_EQ(devices.stops, 2);  // the restart, then the uninstall
    hook.InjectDeviceEvent(InputHookEvent{WM_KEYDOWN, {}, {}});
    MessageQueue::ForCurrentThread()->DispatchPending();
    EXPECT_EQ(received.events.size(), 502u);  // nothing after the hook is gone
}

TEST(InputHook, TheWindowsKeysAreSwallowedAndCountOnlyWithoutAReadableKeyboard) {
    for (const int keyboards : {0, 1}) {
        SCOPED_TRACE(keyboards);
        InputHook hook(std::make_unique<FakeDevices>(InputDeviceStatus{keyboards, 0, keyboards, 0, false}));
        std::vector<InputHookEvent> received;
        // Not installed: the window keeps its keys.
        EXPECT_FALSE(hook.TakeWindowInput(WM_KEYDOWN, 'A', 0, 0, 0));
        hook.Install([&](const InputHookEvent& event) { received.push_back(event); }, true);
        // 'A' by its evdev code (30) and by its virtual key alone; F13 is not a key of the table.
        EXPECT_TRUE(hook.TakeWindowInput(WM_KEYDOWN, 0, 30, 0, 0));
        EXPECT_TRUE(hook.TakeWindowInput(WM_KEYUP, 'A', 0, 0, 0));
        EXPECT_TRUE(hook.TakeWindowInput(WM_KEYDOWN, 0x7C, 0, 0, 0));
        // A click goes on to the window's controls as well.
        EXPECT_FALSE(hook.TakeWindowInput(WM_LBUTTONDOWN, 0, 0, 5, 6));
        const std::size_t keys = keyboards == 0 ? 2u : 0u;
        ASSERT_EQ(received.size(), keys + 1);
        if (keyboards == 0) {
            EXPECT_EQ(received[0].message, WM_KEYDOWN);
            EXPECT_EQ(received[0].key.scanCode, 0x1Eu);
            EXPECT_EQ(received[1].message, WM_KEYUP);
            EXPECT_EQ(received[1].key.flags, LLKHF_UP);
        }
        EXPECT_EQ(received.back().message, WM_LBUTTONDOWN);
        EXPECT_EQ(received.back().mouse.x, 5);
        hook.Uninstall();
        EXPECT_FALSE(hook.TakeWindowInput(WM_KEYDOWN, 'A', 0, 0, 0));
    }
}

}  // namespace
