#include <gtest/gtest.h>

#include "device/hid/hid_usage_table.h"
#include "device/hid/report_descriptor.h"
#include "devsim/product_catalog.h"
#include "unit/device/descriptors.h"

namespace kx58 {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoder {
    explicit Decoder(const Bytes& descriptor, std::size_t collection) {
        EXPECT_TRUE(ParseReportDescriptor(descriptor, parsed));
        tlc = parsed.collections.at(collection);
        table = BuildUsageTable(tlc, HidReportType::Input);
    }
    bool Decode(const Bytes& report) { return DecodeReport(tlc, table, report); }
    std::vector<std::uint16_t> Pressed(std::size_t entry) const {
        const HidUsageEntry& e = table.at(entry);
        return {e.usageList.begin(), e.usageList.begin() + e.listLength};
    }
    HidReportDescriptor parsed;
    HidTopLevelCollection tlc;
    std::vector<HidUsageEntry> table;
};

TEST(UsageDecode, KeyboardBitmapGivesPressedKeysInRange) {
    Decoder kb(devsim::GamingInterfaceDescriptor(), 0);
    ASSERT_EQ(kb.table.size(), 2u);  // modifiers, key bitmap
    EXPECT_EQ(kb.table[0].usage, 0xE0);
    EXPECT_EQ(kb.table[0].usageMax, 0xE7);
    Bytes report(17, 0);
    report[0] = 1;
    report[1] = 0x02;          // left shift
    report[2] = 0x10;          // key 0x04 ("a"); bit 0 is usage 0, which is no key
    report[16] = 0x81;         // keys 0x70 and 0x77
    report[2] |= 0x01;
    ASSERT_TRUE(kb.Decode(report));
    EXPECT_EQ(kb.Pressed(0), (std::vector<std::uint16_t>{0xE1}));
    EXPECT_EQ(kb.Pressed(1), (std::vector<std::uint16_t>{0x04, 0x70, 0x77}));
    EXPECT_EQ(kb.table[1].usageList[3], 0);  // terminated when not full
    EXPECT_TRUE(kb.table[0].updated && kb.table[1].updated);

    // A report of another id touches nothing; a short one fails with a status.
    Decoder fresh(devsim::GamingInterfaceDescriptor(), 0);
    EXPECT_TRUE(fresh.Decode({3, 0xE9, 0x00}));
    EXPECT_FALSE(fresh.table[0].updated);
    EXPECT_FALSE(fresh.Decode({1, 0x02, 0x00}));
    EXPECT_EQ(fresh.table[1].status, HidStatus::ReportTooShort);
}

TEST(UsageDecode, ConsumerArrayAndSignedMouseValues) {
    Decoder consumer(kx58test::kGamingMouseDescriptor, 1);
    ASSERT_EQ(consumer.table.size(), 1u);
    ASSERT_TRUE(consumer.Decode({3, 0xE9, 0x00, 0xCD, 0x00}));
    EXPECT_EQ(consumer.Pressed(0), (std::vector<std::uint16_t>{0xE9, 0xCD}));
    ASSERT_TRUE(consumer.Decode({3, 0, 0, 0, 0}));  // index 0 is below the logical minimum: empty
    EXPECT_TRUE(consumer.Pressed(0).empty());

    Decoder mouse(kx58test::kGamingMouseDescriptor, 0);
    ASSERT_EQ(mouse.table.size(), 5u);  // buttons, X, Y, wheel, pan
    ASSERT_TRUE(mouse.Decode({1, 0x05, 0x80, 0xFB, 0xFF, 0x2C, 0x01, 0xFF, 0x02}));
    EXPECT_EQ(mouse.Pressed(0), (std::vector<std::uint16_t>{1, 3, 16}));
    EXPECT_EQ(mouse.table[1].usage, 0x30);
    EXPECT_EQ(mouse.table[1].rawValue, 0xFFFBu);
    EXPECT_EQ(mouse.table[1].scaledValue, -5);
    EXPECT_EQ(mouse.table[2].scaledValue, 300);
    EXPECT_EQ(mouse.table[3].scaledValue, -1);
    EXPECT_EQ(mouse.table[4].usagePage, 0x0C);
    EXPECT_EQ(mouse.table[4].scaledValue, 2);
    // -32768 lies outside the logical range -32767..32767.
    ASSERT_TRUE(mouse.Decode({1, 0, 0, 0x00, 0x80, 0, 0, 0, 0}));
    EXPECT_EQ(mouse.table[1].status, HidStatus::ValueOutOfRange);
}

TEST(UsageDecode, PhysicalRangeScalesValues) {
    // One 8-bit value, logical 0..255, physical 0..1000.
    const Bytes descriptor = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x32, 0x15, 0x00, 0x26, 0xFF, 0x00,
                              0x35, 0x00, 0x46, 0xE8, 0x03, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};
    Decoder d(descriptor, 0);
    ASSERT_EQ(d.table.size(), 1u);
    ASSERT_TRUE(d.Decode({0, 51}));
    EXPECT_EQ(d.table[0].rawValue, 51u);
    EXPECT_EQ(d.table[0].scaledValue, 200);
}

TEST(UsageDecode, ExtractBitsStaysInside) {
    const Bytes data = {0xAB, 0xCD};
    std::uint32_t v = 0;
    EXPECT_TRUE(ExtractBits(data, 4, 8, v));
    EXPECT_EQ(v, 0xDAu);
    EXPECT_TRUE(ExtractBits(data, 0, 16, v));
    EXPECT_EQ(v, 0xCDABu);
    EXPECT_FALSE(ExtractBits(data, 9, 8, v));
    EXPECT_FALSE(ExtractBits(data, 0, 33, v));
    EXPECT_FALSE(ExtractBits({}, 0, 1, v));
}

}  // namespace
}  // namespace kx58
