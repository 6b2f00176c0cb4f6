#include "device/hid/device_discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>

#include "device/hid/device_messages.h"
#include "platform/debug_trace.h"
#include "integration/device/bus_fixture.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "support/pump_until.h"
#include "support/wait_until.h"

namespace kx58 {
namespace {

using kx58test::PumpUntil;

struct Received {
    UINT message;
    WPARAM wParam;
    DeviceMatchEntry rowSeen;  // the row as the window saw it while handling the message
};

class DiscoveryTest : public kx58test::BusFixture {
protected:
    void TearDown() override { StopLoop(); }

    // These cases count passes: a short safety pass keeps them coming after the first second.
    void StartLoop(std::uint32_t safetyPassMs = 100) {
        discovery.SetSafetyPassMs(safetyPassMs);
        ASSERT_TRUE(discovery.Start(window.Hwnd()));
    }

    // Stops from another thread while this one keeps answering the loop's sends.
    void StopLoop() {
        auto stopped = std::async(std::launch::async, [this] { return discovery.Stop(5000); });
        ASSERT_TRUE(PumpUntil([&] { return stopped.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_TRUE(stopped.get());
    }

    // Lets the loop run `passes` more full passes.
    bool PumpPasses(std::uint64_t passes) {
        const std::uint64_t target = discovery.PassCount() + passes;
        return PumpUntil([&] { return discovery.PassCount() >= target; });
    }

    std::size_t Count(UINT message, WPARAM row) const {
        return std::count_if(received.begin(), received.end(),
                             [&](const Received& r) { return r.message == message && r.wParam == row; });
    }
    std::size_t Count(UINT message) const {
        return std::count_if(received.begin(), received.end(), [&](const Received& r) { return r.message == message; });
    }
    std::vector<WPARAM> Rows(UINT message) const {
        std::vector<WPARAM> rows;
        for (const Received& r : received)
            if (r.message == message) rows.push_back(r.wParam);
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    std::vector<Received> received;
    MessageWindow window{[this](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        received.push_back({message, wParam, discovery.Row(wParam)});
        return 0;
    }};
    CDeviceDiscovery discovery;
};

TEST_F(DiscoveryTest, AnnouncesOncePerRunAlsoWithoutDevices) {
    StartLoop();
    ASSERT_TRUE(PumpPasses(5));
    ASSERT_NE(discovery.AnnounceMessage(), 0u);
    EXPECT_EQ(Count(discovery.AnnounceMessage(), 0), 1u);
    EXPECT_EQ(received.size(), 1u);
    EXPECT_GE(discovery.EnumerationCount(), 5u);  // rows are free: every pass enumerates

    // A second run announces again, once.
    StopLoop();
    StartLoop();
    ASSERT_TRUE(PumpPasses(3));
    EXPECT_EQ(Count(discovery.AnnounceMessage(), 0), 2u);
}

TEST_F(DiscoveryTest, KeyboardRowsArriveLeaveOnceAndComeBackInTheFreedRows) {
    PlugEcho("kb");
    StartLoop();
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == 2; }));
    EXPECT_EQ(Rows(WM_DEVICE_ARRIVED), (std::vector<WPARAM>{0, 1}));
    for (const Received& r : received) {
        if (r.message != WM_DEVICE_ARRIVED) continue;
        EXPECT_EQ(r.rowSeen.present, 1);  // the row is updated before the window hears of it
        EXPECT_EQ(r.rowSeen.path, KeyboardPath(r.wParam == 0 ? 4 : 3));
    }

    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_REMOVED) == 2; }));
    ASSERT_TRUE(PumpPasses(3));
    EXPECT_EQ(Count(WM_DEVICE_REMOVED, 0), 1u);
    EXPECT_EQ(Count(WM_DEVICE_REMOVED, 1), 1u);
    EXPECT_EQ(Count(WM_DEVICE_REMOVED), 2u);
    EXPECT_TRUE(discovery.Row(0).IsFree());
    EXPECT_TRUE(discovery.Row(1).IsFree());

    PlugEcho("kb");
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == 4; }));
    EXPECT_EQ(Count(WM_DEVICE_ARRIVED, 0), 2u);
    EXPECT_EQ(Count(WM_DEVICE_ARRIVED, 1), 2u);
    EXPECT_EQ(discovery.Row(0).path, KeyboardPath(4));
    EXPECT_EQ(Count(discovery.AnnounceMessage()), 1u);
}

// With nothing changing the loop sleeps; the bus folder's events alone bring it back for a
// device plugged and unplugged (the safety pass is an hour away).
TEST_F(DiscoveryTest, PlugAndUnplugWakeTheSleepingLoop) {
    StartLoop(3600 * 1000);
    ASSERT_TRUE(PumpUntil([&] { return discovery.IsAsleep(); }));
    const std::uint64_t passes = discovery.PassCount();
    PlugEcho("kb");
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == 2; }));
    // The pass is counted once it ends, after the arrivals it sent.
    ASSERT_TRUE(PumpUntil([&] { return discovery.PassCount() > passes && discovery.IsAsleep(); }));
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_REMOVED) == 2; }));
}

// The owner stops answering while the loop sends to it: the loop overruns every stop and
// outlives its object. Once the send returns it must end on its own state, sending nothing
// more (the sanitizer build stops on any use of the destroyed object).
TEST_F(DiscoveryTest, ALoopThatOverranItsStopsEndsQuietlyAfterItsObjectIsGone) {
    PlugEcho("kb");
    std::atomic<int> ended{0};
    const TraceSink previous = SetTraceSink([&](std::string_view text) {
        if (text.find("抓取设备线程设定退出") != std::string_view::npos) ++ended;
    });
    auto loop = std::make_unique<CDeviceDiscovery>();
    ASSERT_TRUE(loop->Start(window.Hwnd()));
    // This thread does not answer yet: the loop waits in its first arrival send.
    ASSERT_TRUE(kx58test::WaitUntil([&] { return loop->Row(0).present != 0 || loop->Row(1).present != 0; }));
    EXPECT_FALSE(loop->Stop(20));
    EXPECT_FALSE(loop->Stop(20));
    loop.reset();
    EXPECT_TRUE(PumpUntil([&] { return ended.load() == 1; }));
    SetTraceSink(previous);
    EXPECT_EQ(Count(WM_DEVICE_ARRIVED), 1u);
    EXPECT_EQ(Count(discovery.AnnounceMessage()), 0u);
}

TEST_F(DiscoveryTest, HeadsetPathWithoutCollectionTakesOnlyTheHeadsetRow) {
    PlugEcho("headset");
    StartLoop();
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == 1; }));
    ASSERT_TRUE(PumpPasses(3));
    EXPECT_EQ(Rows(WM_DEVICE_ARRIVED), (std::vector<WPARAM>{10}));
    EXPECT_EQ(discovery.Row(10).path.find("&col"), std::string::npos);
}

TEST_F(DiscoveryTest, RightIdsWithAnotherUsageAreRejectedWithoutMessage) {
    // The keyboard's ids, but its command collection reports usage 0x93.
    devsim::ProductSpec spec = *devsim::CatalogSpec("kb");
    spec.name = "odd";
    std::vector<std::uint8_t>& descriptor = spec.interfaces.back().descriptor;
    const std::vector<std::uint8_t> vendorUsage = {0x06, 0x1C, 0xFF, 0x09, 0x92};
    auto at = std::search(descriptor.begin(), descriptor.end(), vendorUsage.begin(), vendorUsage.end());
    ASSERT_NE(at, descriptor.end());
    at[4] = 0x93;
    ASSERT_TRUE(bus.Plug(std::make_shared<devsim::SimulatedProduct>(spec)));

    StartLoop();
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == 1; }));
    ASSERT_TRUE(PumpPasses(5));
    EXPECT_EQ(Rows(WM_DEVICE_ARRIVED), (std::vector<WPARAM>{1}));  // only the consumer collection
    EXPECT_TRUE(discovery.Row(0).IsFree());
    StopLoop();
    // Every probe open was closed again.
    EXPECT_TRUE(kx58test::WaitUntil([&] { return bus.ConnectionCount("odd") == 0; }));
}

TEST_F(DiscoveryTest, WithEveryRowPresentOnlyPresenceIsProbed) {
    for (const std::string& name : devsim::CatalogNames()) PlugEcho(name);
    StartLoop();
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_ARRIVED) == kSupportedDeviceCount; }));
    for (WPARAM row = 0; row < kSupportedDeviceCount; ++row) EXPECT_EQ(Count(WM_DEVICE_ARRIVED, row), 1u) << row;
    ASSERT_TRUE(PumpPasses(2));
    const std::uint64_t enumerations = discovery.EnumerationCount();
    ASSERT_TRUE(PumpPasses(5));
    EXPECT_EQ(discovery.EnumerationCount(), enumerations);

    // Freeing rows makes the loop enumerate again.
    ASSERT_TRUE(bus.Unplug("pad"));
    ASSERT_TRUE(PumpUntil([&] { return Count(WM_DEVICE_REMOVED) == 2; }));
    ASSERT_TRUE(PumpPasses(2));
    EXPECT_GT(discovery.EnumerationCount(), enumerations);
    EXPECT_EQ(Rows(WM_DEVICE_REMOVED), (std::vector<WPARAM>{8, 9}));
}

}  // namespace
}  // namespace kx58
