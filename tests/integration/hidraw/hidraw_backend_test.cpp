// The hidraw backend against the keyboard's nodes as the kernel shows them: libudev finds them
// in a faked sysfs, the descriptors come from the sysfs files, and the reads and writes go
// through the /dev nodes to the simulator's keyboard firmware.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <future>
#include <optional>

#include "device/hid/hid_device.h"
#include "device/hid/hid_enumeration.h"
#include "device/hid/products.h"
#include "device/protocol/device_channel.h"
#include "device/protocol/keyboard_protocol.h"
#include "devsim/firmware_product.h"
#include "integration/hidraw/fake_hidraw.h"
#include "support/temp_dir.h"
#include "unit/platform/fake_input_nodes.h"

namespace kx58 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using kx58test::FakeHidrawProduct;
using kx58test::FakeTestbed;

constexpr std::uint32_t kLongTimeoutMs = 60000;  // a bound the tests must stay far below
constexpr auto kGenerousWait = std::chrono::seconds(20);
constexpr std::uint16_t kVolumeUp = 0x00E9;

const std::string kBootPath = "hidraw:/dev/hidraw0#vid_320f&pid_501d&mi_00";
const std::string kCommandPath = "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col04";
const std::string kConsumerPath = "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col03";

class HidrawBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kx58test::UmockdevPreloaded())
            GTEST_SKIP() << "the hidraw nodes are faked by umockdev's preload (run through ctest)";
        testbed_.emplace();
        firmware_ = devsim::MakeFirmwareProduct("kb");
        ASSERT_TRUE(firmware_);
        keyboard_.emplace(testbed_->Get(), firmware_, 0);
    }

    std::vector<std::string> Enumerated() const {
        std::vector<std::string> paths;
        EXPECT_TRUE(EnumerateHidPaths(paths));
        return paths;
    }

    kx58test::ScopedEnv onlyHidraw_{"KX58_HID", "hidraw"};
    std::optional<FakeTestbed> testbed_;
    std::shared_ptr<devsim::FirmwareProduct> firmware_;
    std::optional<FakeHidrawProduct> keyboard_;
};

TEST_F(HidrawBackendTest, EnumerationListsOnePathPerCollectionOfEachInterface) {
    const std::vector<std::string> expected = {
        kBootPath,
        "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col01",
        "hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col02",
        kConsumerPath,
        kCommandPath,
    };
    EXPECT_EQ(Enumerated(), expected);
}

TEST_F(HidrawBackendTest, OpenedCollectionCarriesWhatSysfsTellsOfIt) {
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(kCommandPath, true, true, true, false));
    EXPECT_EQ(hid.Caps().UsagePage, usb::kCommandUsagePage);
    EXPECT_EQ(hid.Caps().Usage, usb::kCommandUsage);
    EXPECT_EQ(hid.Caps().InputReportByteLength, kCommandReportSize);
    EXPECT_EQ(hid.Caps().OutputReportByteLength, kCommandReportSize);
    EXPECT_EQ(hid.Attributes().VendorID, usb::kVendor);
    EXPECT_EQ(hid.Attributes().ProductID, usb::kKeyboard);
    EXPECT_EQ(hid.Attributes().VersionNumber, firmware_->Spec().version);
    EXPECT_EQ(hid.ProductString(), firmware_->Spec().productString);
    EXPECT_EQ(hid.InterfaceNumber(), usb::kGamingInterface);

    // A collection the interface does not have, and a node that is not there, leave it open.
    EXPECT_FALSE(hid.Open("hidraw:/dev/hidraw1#vid_320f&pid_501d&mi_01&col05", true, true, true, false));
    EXPECT_FALSE(hid.Open("hidraw:/dev/hidraw7#vid_320f&pid_501d&mi_01&col04", true, true, true, false));
    EXPECT_TRUE(hid.IsOpen());
    EXPECT_EQ(hid.Path(), kCommandPath);
}

TEST_F(HidrawBackendTest, CommandReadSkipsTheConsumerReportQueuedBeforeTheReply) {
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(kCommandPath, true, true, true, false));
    ASSERT_TRUE(firmware_->SendConsumerUsage(kVolumeUp));
    CommandReport request = MakeCommandReport(kCmdReadDeviceInfo);
    request[report_field::kLength] = kDeviceInfoSize;
    StampChecksum(request);
    ASSERT_TRUE(hid.Write(request.data(), kCommandReportSize, nullptr, kLongTimeoutMs));

    CommandReport reply{};
    std::uint32_t count = 0;
    ASSERT_TRUE(hid.Read(reply.data(), kCommandReportSize, &count, kLongTimeoutMs));
    EXPECT_EQ(count, kCommandReportSize);
    EXPECT_EQ(reply[report_field::kId], kCommandReportId);
    EXPECT_EQ(reply[report_field::kCommand], kCmdReadDeviceInfo);
    const Bytes info = firmware_->Memory().info;
    ASSERT_EQ(info.size(), kDeviceInfoSize);
    EXPECT_TRUE(std::equal(info.begin(), info.end(), reply.begin() + kCommandPayloadOffset));
}

TEST_F(HidrawBackendTest, ConsumerCollectionReadsTheUsageTheUserPressed) {
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(kConsumerPath, true, false, true, false));
    ASSERT_TRUE(firmware_->SendConsumerUsage(kVolumeUp));
    std::array<std::uint8_t, 16> report{};
    std::uint32_t count = 0;
    ASSERT_TRUE(hid.Read(report.data(), report.size(), &count, kLongTimeoutMs));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 3), (Bytes{0x03, 0xE9, 0x00}));
}

TEST_F(HidrawBackendTest, BootKeyboardReportWithoutIdReadsWithIdZeroFirst) {
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(kBootPath, true, false, true, false));
    const Bytes keyA = {0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};  // left shift + A
    ASSERT_TRUE(keyboard_->SendInput(0, keyA));
    std::array<std::uint8_t, 9> report{};
    std::uint32_t count = 0;
    ASSERT_TRUE(hid.Read(report.data(), report.size(), &count, kLongTimeoutMs));
    EXPECT_EQ(count, 9u);
    EXPECT_EQ(report[0], 0);
    EXPECT_TRUE(std::equal(keyA.begin(), keyA.end(), report.begin() + 1));
}

TEST_F(HidrawBackendTest, KeyboardReadBackComesFromTheFirmwareBehindTheNode) {
    CDeviceChannel channel;
    ASSERT_TRUE(channel.Attach(kCommandPath, kChannelModeCable));
    KeyboardMemory memory;
    ASSERT_EQ(ReadBackKeyboard(channel, memory), kResultOk);

    const devsim::FirmwareMemory device = firmware_->Memory();
    EXPECT_TRUE(std::equal(device.info.begin(), device.info.end(), memory.info.begin()));
    ASSERT_LE(device.keyTable.size(), memory.keyTable.size());
    EXPECT_TRUE(std::equal(device.keyTable.begin(), device.keyTable.end(), memory.keyTable.begin()));
    // Each request left as one whole report on the interface's node.
    for (const Bytes& written : keyboard_->Written(usb::kGamingInterface)) {
        EXPECT_EQ(written.size(), kCommandReportSize);
        EXPECT_EQ(written[0], kCommandReportId);
    }
    EXPECT_EQ(keyboard_->Written(usb::kGamingInterface).size(), firmware_->RequestCount());
}

TEST_F(HidrawBackendTest, UnplugBeforeTheReplyFailsTheExchangeAndRemovesThePaths) {
    CDeviceChannel channel;
    ASSERT_TRUE(channel.Attach(kCommandPath, kChannelModeCable));
    firmware_->ArmFault({devsim::FaultKind::Unplug, kCmdReadDeviceInfo, 1});
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    EXPECT_EQ(channel.ReadDeviceInfo(info), kResultFailed);
    EXPECT_TRUE(keyboard_->Unplugged());

    EXPECT_FALSE(HidPathPresent(kCommandPath));
    EXPECT_TRUE(Enumerated().empty());
    // The handle still open on the vanished node refuses the next request.
    EXPECT_EQ(channel.ReadDeviceInfo(info), kResultWriteFailed);
}

TEST_F(HidrawBackendTest, UnplugWakesAReadWaitingForAReport) {
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(kCommandPath, true, true, true, false));
    auto read = std::async(std::launch::async, [&hid] {
        CommandReport report{};
        return hid.Read(report.data(), kCommandReportSize, nullptr, kLongTimeoutMs);
    });
    keyboard_->Unplug();
    ASSERT_EQ(read.wait_for(kGenerousWait), std::future_status::ready);
    EXPECT_FALSE(read.get());
    EXPECT_TRUE(hid.IsOpen());
    hid.Close();
}

}  // namespace
}  // namespace kx58
