#include "ui/thread_slots.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "support/wait_until.h"

using namespace kx58;

namespace {

class Traces {
public:
    Traces() {
        previous_ = SetTraceSink([this](std::string_view text) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(text);
        });
    }
    ~Traces() { SetTraceSink(previous_); }
    std::size_t Count(const std::string& part) const {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const std::string& line : lines_) n += line.find(part) != std::string::npos;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    TraceSink previous_;
};

}  // namespace

TEST(ThreadSlots, EverySlotEndsWithinItsBoundEvenWhileItsWorkerIsBlockedInASendToTheWaiter) {
    Traces traces;
    std::atomic<int> handled{0};
    MessageWindow window([&](UINT, WPARAM, LPARAM) { return ++handled; });
    const HWND hwnd = window.Hwnd();
    ThreadSlots slots;
    std::atomic<bool> sending{false};
    // Slot 0 sends to this thread until told to stop, as the device-capture loop does.
    ASSERT_TRUE(slots.Start(kDeviceCaptureSlot, "sender", [&](Event& exit) {
        while (!exit.Wait(1)) {
            sending = true;
            SendMessage(hwnd, WM_USER, 0, 0);
        }
    }));
    ASSERT_TRUE(slots.Start(kLightSyncSlot, "poller", [](Event& exit) { while (!exit.Wait(1)) {} }));
    EXPECT_FALSE(slots.Start(kLightSyncSlot, "again", [](Event&) {}));
    EXPECT_FALSE(slots.Start(kThreadSlotCount, "outside", [](Event&) {}));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return sending.load(); }));

    auto queue = MessageQueue::ForCurrentThread();
    const ThreadSlots::StopResult result = slots.StopAll([&] { queue->DispatchSends(); });
    EXPECT_EQ(result.ended, 2u);
    EXPECT_EQ(result.stillRunning, 0u);
    EXPECT_FALSE(slots.Holds(kDeviceCaptureSlot));
    EXPECT_FALSE(slots.Holds(kLightSyncSlot));
    EXPECT_EQ(traces.Count("所有对象处于激发状态"), 2u);
    EXPECT_GT(handled.load(), 0);
}

TEST(ThreadSlots, AWorkerThatOverrunsItsBoundIsReportedAndLeftRunningNeverKilled) {
    Traces traces;
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
    ThreadSlots slots;
    ASSERT_TRUE(slots.Start(3, "stubborn", [&](Event&) {
        while (!release) SleepMs(1);
        finished = true;
    }));
    std::atomic<int> adoptedStops{0};
    ASSERT_TRUE(slots.Adopt(kDeviceCaptureSlot, "adopted", [&](std::uint32_t) { ++adoptedStops; return true; }));
    EXPECT_FALSE(slots.Adopt(kDeviceCaptureSlot, "twice", [](std::uint32_t) { return true; }));

    const ThreadSlots::StopResult result = slots.StopAll([] {}, 50);
    EXPECT_EQ(result.ended, 1u);
    EXPECT_EQ(result.stillRunning, 1u);
    EXPECT_TRUE(slots.Holds(3));
    EXPECT_FALSE(finished.load());  // still running: nobody ended it by force
    EXPECT_EQ(traces.Count("超时"), 1u);
    EXPECT_GE(adoptedStops.load(), 2);  // signalled, then waited for

    release = true;
    EXPECT_EQ(slots.StopAll([] {}).ended, 1u);
    EXPECT_TRUE(finished.load());
}
