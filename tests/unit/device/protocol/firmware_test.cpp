#include "devsim/firmware_product.h"

#include <gtest/gtest.h>

#include <sstream>

#include "device/hid/hid_device.h"
#include "support/wait_until.h"
#include "unit/device/protocol/firmware_fixture.h"

namespace kx58 {
namespace {

class FirmwareTest : public kx58test::FirmwareFixture {};

TEST_F(FirmwareTest, ConsumerReportsReachTheConsumerCollection) {
    Attach("kb");
    CHidDevice consumer;
    ASSERT_TRUE(consumer.Open(CollectionPath("kb", 3), true, false, true, false));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return bus.ConnectionCount("kb") >= 2; }));
    for (std::uint16_t usage : {0x401, 0x1133}) {
        ASSERT_TRUE(product->SendConsumerUsage(usage));
        std::uint8_t report[8] = {};
        std::uint32_t count = 0;
        ASSERT_TRUE(consumer.Read(report, sizeof report, &count, 20000));
        EXPECT_EQ(count, 3u);
        EXPECT_EQ(report[0], 3);
        EXPECT_EQ(report[1] | (report[2] << 8), usage);
    }
}

TEST_F(FirmwareTest, RequestsOutsideAnAreaOrWithABadChecksumAreAnsweredWithErrors) {
    Attach("pad");
    std::array<std::uint8_t, 21> record{};
    EXPECT_EQ(channel.ReadSettings(64, record), kResultOk);
    EXPECT_EQ(channel.ReadSettings(250, record), kResultStatusFailed);  // pad settings end at 256
    std::array<std::uint8_t, 3> table{};
    ASSERT_TRUE(channel.SetDataSize(3));
    EXPECT_EQ(channel.WriteKeyTable(0, table), kResultOk);

    CommandReport request = MakeCommandReport(kCmdReadSettings, 0, std::vector<std::uint8_t>(4, 0));
    request[1] ^= 0x01;
    CommandReport reply{};
    ASSERT_EQ(channel.Transceive(request.data(), request.size(), reply.data(), reply.size()), kResultOk);
    EXPECT_EQ(reply[report_field::kStatus], kStatusRejected);
    const CommandReport unknown = MakeCommandReport(0x33);
    ASSERT_EQ(channel.Transceive(unknown.data(), unknown.size(), reply.data(), reply.size()), kResultOk);
    EXPECT_EQ(reply[report_field::kStatus], kStatusRejected);
}

TEST_F(FirmwareTest, TraceFileHasOneLinePerReportInBothDirections) {
    Attach("kb", {0});
    ASSERT_EQ(channel.BeginWrite(), kResultOk);
    ASSERT_TRUE(kx58test::WaitUntil([&] {
        return kx58test::ReadWholeFile(traceFile).find("\nIN ") != std::string::npos;
    }));
    std::istringstream lines(kx58test::ReadWholeFile(traceFile));
    std::string out, in;
    std::getline(lines, out);
    std::getline(lines, in);
    const std::string path = CollectionPath("kb", 4);
    const std::string bytes = " 04 01 00 01" + [] {
        std::string zeros;
        for (int i = 0; i < 60; ++i) zeros += " 00";
        return zeros;
    }();
    EXPECT_EQ(out, "OUT " + path + bytes);
    EXPECT_EQ(in, "IN " + path + bytes);
}

TEST_F(FirmwareTest, FactoryMemoryDescribesEachProduct) {
    const devsim::FirmwareMemory keyboard = devsim::FactoryMemory(*devsim::FirmwareModelFor("kb"));
    EXPECT_EQ(keyboard.info.size(), 34u);
    EXPECT_EQ(keyboard.info[5], 126);
    EXPECT_EQ(keyboard.macro.size(), keyboard.info[6] * 128u);
    const devsim::FirmwareMemory mouse = devsim::FactoryMemory(*devsim::FirmwareModelFor("mouse-rx"));
    EXPECT_EQ(mouse.info[5], 11);
    EXPECT_EQ(mouse.info[9] | (mouse.info[10] << 8), 0x0D3D);
    EXPECT_EQ(mouse.info[11], 50);
    EXPECT_EQ(mouse.settings.size() % 128, 0u);
    EXPECT_FALSE(devsim::FirmwareModelFor("headset"));
    EXPECT_FALSE(devsim::MakeFirmwareProduct("headset"));
    // The order is shuffled, but the same every time.
    EXPECT_EQ(devsim::FactoryKeyOrder(*devsim::FirmwareModelFor("kb")),
              devsim::FactoryKeyOrder(*devsim::FirmwareModelFor("kb-rx")));
    EXPECT_NE(devsim::FactoryKeyOrder(*devsim::FirmwareModelFor("kb"))[0], 0);
}

}  // namespace
}  // namespace kx58
