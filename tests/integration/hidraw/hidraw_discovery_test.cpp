// Device discovery on the hidraw backend, woken by udev's events: the keyboard's nodes come
// and go in the faked sysfs with the uevents the kernel and udev would send, while the loop's
// safety pass is an hour away.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <optional>

#include "device/hid/device_discovery.h"
#include "device/hid/device_messages.h"
#include "devsim/firmware_product.h"
#include "integration/hidraw/fake_hidraw.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "support/pump_until.h"
#include "support/temp_dir.h"
#include "unit/platform/fake_input_nodes.h"

namespace kx58 {
namespace {

using kx58test::FakeHidrawProduct;
using kx58test::FakeTestbed;
using kx58test::PumpUntil;

constexpr std::uint32_t kSafetyPassAnHourAway = 3600 * 1000;

class HidrawDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kx58test::UmockdevPreloaded())
            GTEST_SKIP() << "the hidraw nodes are faked by umockdev's preload (run through ctest)";
        testbed_.emplace();
    }

    void TearDown() override {
        // Stopped from another thread while this one answers the loop's sends.
        auto stopped = std::async(std::launch::async, [this] { return discovery_.Stop(5000); });
        EXPECT_TRUE(PumpUntil([&] { return stopped.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_TRUE(stopped.get());
        keyboard_.reset();
    }

    std::vector<WPARAM> Rows(UINT message) const {
        std::vector<WPARAM> rows;
        for (const auto& [kind, row] : received_)
            if (kind == message) rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    kx58test::IsolatedSession session_;
    kx58test::ScopedEnv onlyHidraw_{"KX58_HID", "hidraw"};
    std::optional<FakeTestbed> testbed_;
    std::optional<FakeHidrawProduct> keyboard_;
    std::vector<std::pair<UINT, WPARAM>> received_;
    MessageWindow window_{[this](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        received_.emplace_back(message, wParam);
        return 0;
    }};
    CDeviceDiscovery discovery_;
};

TEST_F(HidrawDiscoveryTest, UdevEventsBringTheSleepingLoopToAKeyboardPluggedAndUnplugged) {
    discovery_.SetSafetyPassMs(kSafetyPassAnHourAway);
    ASSERT_TRUE(discovery_.Start(window_.Hwnd()));
    ASSERT_TRUE(PumpUntil([&] { return discovery_.IsAsleep(); }));
    EXPECT_TRUE(Rows(WM_DEVICE_ARRIVED).empty());

    // Its devices' "add" events go out as the testbed takes them.
    keyboard_.emplace(testbed_->Get(), devsim::MakeFirmwareProduct("kb"), 0);
    // The command and consumer collections of the gaming interface, each in its row.
    ASSERT_TRUE(PumpUntil([&] { return Rows(WM_DEVICE_ARRIVED).size() == 2; }));
    EXPECT_EQ(Rows(WM_DEVICE_ARRIVED), (std::vector<WPARAM>{0, 1}));
    EXPECT_EQ(discovery_.Row(0).path, "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col04");
    EXPECT_EQ(discovery_.Row(1).path, "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col03");

    // Asleep again after the passes that followed the events.
    const std::uint64_t passes = discovery_.PassCount();
    ASSERT_TRUE(PumpUntil([&] { return discovery_.PassCount() > passes && discovery_.IsAsleep(); }));
    keyboard_->UnplugWithRemoveEvents();
    ASSERT_TRUE(PumpUntil([&] { return Rows(WM_DEVICE_REMOVED).size() == 2; }));
    EXPECT_EQ(Rows(WM_DEVICE_REMOVED), (std::vector<WPARAM>{0, 1}));
    EXPECT_TRUE(discovery_.Row(0).IsFree());
    EXPECT_TRUE(discovery_.Row(1).IsFree());
}

}  // namespace
}  // namespace kx58
