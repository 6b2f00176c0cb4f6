#include "device/protocol/device_channel.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <numeric>

#include "device/protocol/power_status.h"
#include "platform/debug_trace.h"
#include "support/wait_until.h"
#include "unit/device/protocol/firmware_fixture.h"

namespace kx58 {
namespace {

using devsim::Fault;
using devsim::FaultKind;
namespace field = report_field;

struct Chunk {
    std::uint8_t command;
    std::uint8_t length;
    std::uint16_t offset;
    friend bool operator==(const Chunk&, const Chunk&) = default;
};

std::vector<Chunk> ChunksOf(const std::vector<CommandReport>& requests) {
    std::vector<Chunk> chunks;
    for (const CommandReport& r : requests) chunks.push_back({r[field::kCommand], r[field::kLength], ReportOffset(r)});
    return chunks;
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

class DeviceChannelTest : public kx58test::FirmwareFixture {};

TEST_F(DeviceChannelTest, InformationReadIsOneRequestByCableAndTwoThroughTheReceiver) {
    Attach("kb");
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.ReadDeviceInfo(info), kResultOk);
    EXPECT_EQ(ChunksOf(Requests()), (std::vector<Chunk>{{0x03, 34, 0}}));
    EXPECT_EQ(std::vector<std::uint8_t>(info.begin(), info.end()), product->Memory().info);
    for (const CommandReport& r : Requests()) {
        EXPECT_EQ(r[field::kId], 0x04);
        EXPECT_TRUE(ChecksumMatches(r));
    }
}

TEST_F(DeviceChannelTest, ReceiverModeMovesTwentyFourByteChunks) {
    Attach("kb-rx");
    EXPECT_TRUE(channel.IsWirelessMode());
    EXPECT_EQ(channel.ChunkSize(), 24);
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.ReadDeviceInfo(info), kResultOk);
    EXPECT_EQ(ChunksOf(Requests()), (std::vector<Chunk>{{0x03, 24, 0}, {0x03, 10, 24}}));
    EXPECT_EQ(std::vector<std::uint8_t>(info.begin(), info.end()), product->Memory().info);
}

TEST_F(DeviceChannelTest, FullKeyTableWriteIsTenRequestsAndLandsInTheDevice) {
    Attach("kb");
    const std::vector<std::uint8_t> table = Pattern(512, 3);
    ASSERT_EQ(channel.DataSize(), 512);
    ASSERT_EQ(channel.WriteKeyTable(0, table), kResultOk);
    const std::vector<Chunk> chunks = ChunksOf(Requests());
    ASSERT_EQ(chunks.size(), 10u);
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(chunks[i], (Chunk{0x09, 56, static_cast<std::uint16_t>(i * 56)}));
    EXPECT_EQ(chunks[9], (Chunk{0x09, 8, 504}));
    EXPECT_EQ(product->Memory().keyTable, table);
    // Bytes past the last chunk's payload go out as zeros.
    const CommandReport last = Requests().back();
    EXPECT_TRUE(std::all_of(last.begin() + 16, last.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(DeviceChannelTest, FailingStatusStopsTheTransferAtThatChunk) {
    Attach("kb");
    const std::vector<std::uint8_t> table = Pattern(512, 9);
    product->ArmFault({FaultKind::StatusFailed, 0x09, 3});
    EXPECT_EQ(channel.WriteKeyTable(0, table), kResultStatusFailed);
    EXPECT_EQ(Requests().size(), 3u);  // no fourth chunk
    const std::vector<std::uint8_t> stored = product->Memory().keyTable;
    EXPECT_TRUE(std::equal(table.begin(), table.begin() + 112, stored.begin()));  // chunks 1 and 2 stay
    EXPECT_NE(stored[112], table[112]);

    product->ClearRequests();
    product->ArmFault({FaultKind::StatusRejected, 0x05, 1});
    std::array<std::uint8_t, 27> record{};
    EXPECT_EQ(channel.ReadSettings(0, record), kResultStatusRejected);
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(DeviceChannelTest, StrayReplyIsReadPastOnceButNotTwice) {
    Attach("kb");
    std::array<std::uint8_t, 27> record{};
    product->ArmFault({FaultKind::StrayReply, 0x05, 1});
    ASSERT_EQ(channel.ReadSettings(0, record), kResultOk);
    EXPECT_EQ(Requests().size(), 1u);  // read again, not asked again
    const std::vector<std::uint8_t> settings = product->Memory().settings;
    EXPECT_TRUE(std::equal(record.begin(), record.end(), settings.begin()));

    // A second report that does not belong to the request is not taken for its reply.
    product->ArmFault({FaultKind::StrayTwice, 0x05, 1});
    record.fill(0xEE);
    EXPECT_EQ(channel.ReadSettings(0, record), kResultFailed);
    EXPECT_EQ(record[0], 0xEE);  // nothing copied from the stray report
}

TEST_F(DeviceChannelTest, LinkQueryByCableSendsNothingAndThroughTheReceiverFollowsTheLink) {
    Attach("kb");
    EXPECT_TRUE(channel.QueryWirelessLink());
    EXPECT_EQ(product->RequestCount(), 0u);
    channel.Detach();
    product->DetachInput();

    Attach("kb-rx");
    EXPECT_TRUE(channel.QueryWirelessLink());
    product->SetLinkUp(false);
    EXPECT_FALSE(channel.QueryWirelessLink());
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    EXPECT_EQ(channel.ReadDeviceInfo(info), kResultUnreachable);
    EXPECT_EQ(channel.BeginWrite(), kResultUnreachable);
    product->SetLinkUp(true);
    EXPECT_TRUE(channel.AwaitWirelessLink());
    EXPECT_EQ(ChunksOf(Requests()).front(), (Chunk{0xAA, 0, 0}));
}

TEST_F(DeviceChannelTest, RefusedRequestsSendNothing) {
    Attach("kb");
    std::array<std::uint8_t, kMaxDataSize> table{};
    EXPECT_FALSE(channel.SetDataSize(513));
    EXPECT_EQ(channel.DataSize(), 512);
    EXPECT_TRUE(channel.SetDataSize(378));
    EXPECT_EQ(channel.WriteKeyTable(1, table), kResultBadBank);
    std::array<std::uint8_t, 57> tooLong{};
    EXPECT_EQ(channel.ReadBlock(0, tooLong), kResultFailed);
    std::vector<std::uint8_t> pastTheArea(600);
    EXPECT_EQ(channel.ReadLedColours(127, pastTheArea), kResultFailed);  // would wrap at 0x10000
    EXPECT_EQ(product->RequestCount(), 0u);

    channel.SetConnected(false);
    EXPECT_EQ(channel.ReadKeyTable(table), kResultFailed);
    EXPECT_EQ(channel.BeginWrite(), kResultFailed);
    EXPECT_EQ(product->RequestCount(), 0u);
}

TEST_F(DeviceChannelTest, SingleCommandsAndBlocksReachTheirAreas) {
    Attach("kb");
    ASSERT_EQ(channel.BeginWrite(), kResultOk);
    EXPECT_TRUE(product->Memory().writeOpen);
    ASSERT_EQ(channel.EndWrite(), kResultOk);
    ASSERT_EQ(channel.EnableHostLighting(), kResultOk);
    std::array<std::uint8_t, 6> power{};
    ASSERT_EQ(channel.ReadBlock(0, power), kResultOk);
    const devsim::FirmwareMemory memory = product->Memory();
    EXPECT_FALSE(memory.writeOpen);
    EXPECT_EQ(memory.beginWrites, 1);
    EXPECT_EQ(memory.endWrites, 1);
    EXPECT_TRUE(memory.hostLighting);
    EXPECT_TRUE(std::equal(power.begin(), power.end(), memory.power.begin()));
    EXPECT_EQ(ChunksOf(Requests()),
              (std::vector<Chunk>{{0x01, 0, 0}, {0x02, 0, 0}, {0x1C, 0, 0}, {0x1A, 6, 0}}));
}

TEST_F(DeviceChannelTest, ShootImageUsesFullChunksThroughTheReceiverAndStreamStaysOnTheCable) {
    Attach("mouse-rx");
    const std::vector<std::uint8_t> image = Pattern(130, 1);
    ASSERT_EQ(channel.WriteShootImage(image), kResultOk);
    EXPECT_EQ(ChunksOf(Requests()), (std::vector<Chunk>{{0x17, 56, 0}, {0x17, 56, 56}, {0x17, 18, 112}}));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), product->Memory().shoot.begin()));
    product->ClearRequests();
    EXPECT_EQ(channel.StreamLedColours(image), kResultFailed);
    EXPECT_EQ(product->RequestCount(), 0u);
}

TEST_F(DeviceChannelTest, StreamSendsFramesUntraced) {
    Attach("kb");
    int traced = 0;
    SetTraceSink([&](std::string_view) { ++traced; });
    const std::vector<std::uint8_t> frame = Pattern(378, 5);
    EXPECT_EQ(channel.StreamLedColours(frame), kResultOk);
    SetTraceSink({});
    EXPECT_EQ(traced, 0);
    EXPECT_EQ(product->RequestCount(), 7u);  // 6 x 56 + 42
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), product->Memory().stream.begin()));
}

TEST_F(DeviceChannelTest, TracesShowBothReportsInTwoLines) {
    Attach("kb");
    std::vector<std::string> traces;
    SetTraceSink([&](std::string_view text) { traces.emplace_back(text); });
    channel.BeginWrite();
    SetTraceSink({});
    ASSERT_EQ(traces.size(), 2u);
    const CommandReport sent = Requests().front();
    const std::string expected =
        "命令\n04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00\n"
        "00 00 00 00   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00";
    EXPECT_EQ(traces[0], expected);
    EXPECT_EQ(FormatReportHex(sent), expected.substr(expected.find('\n') + 1));
    EXPECT_EQ(traces[1].rfind("返回\n04 01 00 01", 0), 0u);
}

TEST_F(DeviceChannelTest, StreamGivesWayToATransferInFlight) {
    Attach("kb");
    std::vector<std::string> traces;
    std::mutex tracesLock;
    SetTraceSink([&](std::string_view text) {
        std::lock_guard lock(tracesLock);
        traces.emplace_back(text);
    });
    // The settings read waits for a reply that never comes: the channel stays busy meanwhile.
    product->ArmFault({FaultKind::NoReply, 0x05, 1});
    auto read = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 27> record{};
        return channel.ReadSettings(0, record);
    });
    ASSERT_TRUE(kx58test::WaitUntil([&] { return product->RequestCount() == 1; }));
    ASSERT_TRUE(channel.IsBusy());
    const std::vector<std::uint8_t> frame = Pattern(378, 5);
    EXPECT_EQ(channel.StreamLedColours(frame), kResultOk);
    EXPECT_EQ(read.get(), kResultFailed);
    SetTraceSink({});
    EXPECT_EQ(std::count(traces.begin(), traces.end(), "放弃灯光数据"), 7);
    EXPECT_EQ(ChunksOf(Requests()), (std::vector<Chunk>{{0x05, 27, 0}}));  // no frame chunk sent
    EXPECT_FALSE(channel.IsBusy());
}

TEST_F(DeviceChannelTest, PowerStatusCarriesTheConnection) {
    Attach("kb-rx");
    PowerStatus status{};
    ASSERT_EQ(ReadPowerStatus(channel, status), kResultOk);
    const devsim::FirmwareMemory memory = product->Memory();
    EXPECT_EQ(status[kPowerConnectionByte], 1);
    EXPECT_EQ(status[kPowerLevelByte], memory.power[kPowerLevelByte]);
    EXPECT_EQ(ChunksOf(Requests()), (std::vector<Chunk>{{0xAA, 0, 0}, {0x1A, 6, 0}}));

    product->SetLinkUp(false);
    status.fill(0x33);
    EXPECT_EQ(ReadPowerStatus(channel, status), kResultFailed);
    EXPECT_EQ(status[0], 0x33);
    EXPECT_EQ(Requests().size(), 3u);  // only the link query

    std::vector<std::string> traces;
    SetTraceSink([&](std::string_view text) {
        if (text.find("获取2") == 0) traces.emplace_back(text);
    });
    EXPECT_FALSE(channel.AwaitWirelessLink());
    SetTraceSink({});
    EXPECT_EQ(std::count(traces.begin(), traces.end(), "获取2.4G模式失败"), 25);
    EXPECT_EQ(traces.back(), "获取2");
    EXPECT_EQ(Requests().size(), 3u + 26u);
}

TEST_F(DeviceChannelTest, UnplugDuringAWriteFailsWithoutHanging) {
    Attach("kb");
    product->ArmFault({Fault{FaultKind::Unplug, 0x09, 4}});
    const std::vector<std::uint8_t> table = Pattern(512, 2);
    auto write = std::async(std::launch::async, [&] { return channel.WriteKeyTable(0, table); });
    ASSERT_EQ(write.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const int result = write.get();
    EXPECT_TRUE(result == kResultFailed || result == kResultWriteFailed) << result;
    EXPECT_EQ(Requests().size(), 4u);
    EXPECT_EQ(channel.BeginWrite(), kResultWriteFailed);  // the collection is gone
}

TEST_F(DeviceChannelTest, SwallowedRequestTimesOutAsAFailedRead) {
    Attach("kb", {0});
    product->ArmFault({FaultKind::NoReply, 0x01, 1});
    EXPECT_EQ(channel.BeginWrite(), kResultFailed);
    EXPECT_EQ(channel.BeginWrite(), kResultOk);  // the channel is usable afterwards
}

}  // namespace
}  // namespace kx58
