#include "device/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <random>

#include "device/hid/hid_usage_table.h"
#include "devsim/product_catalog.h"
#include "unit/device/descriptors.h"

namespace kx58 {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kIn = 0, kOut = 1, kFeature = 2;

HidReportDescriptor Parse(const Bytes& bytes) {
    HidReportDescriptor d;
    EXPECT_TRUE(ParseReportDescriptor(bytes, d));
    return d;
}

TEST(ReportDescriptor, GamingKeyboardInterfaceSplitsIntoFourCollections) {
    const HidReportDescriptor d = Parse(devsim::GamingInterfaceDescriptor());
    ASSERT_EQ(d.collections.size(), 4u);
    EXPECT_TRUE(d.usesReportIds);
    struct Expect { std::uint16_t page, usage; std::uint8_t id; std::uint16_t in, out; };
    const Expect expected[] = {{0x01, 0x06, 1, 17, 0}, {0x01, 0x80, 2, 2, 0}, {0x0C, 0x01, 3, 3, 0},
                               {0xFF1C, 0x92, 4, 64, 64}};
    for (std::size_t i = 0; i < 4; ++i) {
        const HidTopLevelCollection& c = d.collections[i];
        EXPECT_EQ(c.usagePage, expected[i].page) << i;
        EXPECT_EQ(c.usage, expected[i].usage) << i;
        EXPECT_EQ(c.reportIds[kIn], std::vector<std::uint8_t>{expected[i].id}) << i;
        EXPECT_EQ(c.reportByteLength[kIn], expected[i].in) << i;
        EXPECT_EQ(c.reportByteLength[kOut], expected[i].out) << i;
        EXPECT_EQ(c.reportByteLength[kFeature], 0) << i;
    }
    EXPECT_TRUE(d.collections[3].HasReportId(HidReportType::Output, 4));
    EXPECT_FALSE(d.collections[2].HasReportId(HidReportType::Input, 4));
}

TEST(ReportDescriptor, BootInterfacesWithoutReportIds) {
    const HidReportDescriptor kb = Parse(devsim::BootKeyboardDescriptor());
    ASSERT_EQ(kb.collections.size(), 1u);
    EXPECT_FALSE(kb.usesReportIds);
    EXPECT_EQ(kb.collections[0].reportIds[kIn], std::vector<std::uint8_t>{0});
    EXPECT_EQ(kb.collections[0].reportByteLength[kIn], 9);   // id byte + 8
    EXPECT_EQ(kb.collections[0].reportByteLength[kOut], 2);  // LEDs + padding

    const HidReportDescriptor mouse = Parse(devsim::BootMouseDescriptor());
    ASSERT_EQ(mouse.collections.size(), 1u);
    EXPECT_EQ(mouse.collections[0].linkCollectionCount, 2);
    EXPECT_EQ(mouse.collections[0].reportByteLength[kIn], 7);
    // The button field sits in the physical collection, link 1.
    EXPECT_EQ(mouse.collections[0].fields.front().linkCollection, 1);
}

TEST(ReportDescriptor, GamingMouseUsagesLengthsAndPushPop) {
    const HidReportDescriptor d = Parse(kx58test::kGamingMouseDescriptor);
    ASSERT_EQ(d.collections.size(), 4u);
    const HidTopLevelCollection& mouse = d.collections[0];
    EXPECT_EQ(mouse.usagePage, 0x01);
    EXPECT_EQ(mouse.usage, 0x02);
    EXPECT_EQ(mouse.reportByteLength[kIn], 9);
    ASSERT_EQ(mouse.fields.size(), 4u);
    EXPECT_TRUE(mouse.fields[0].isButton);
    EXPECT_EQ(mouse.fields[0].UsageAt(15), 0x00090010u);
    EXPECT_EQ(mouse.fields[1].UsageAt(1), 0x00010031u);  // Y
    EXPECT_EQ(mouse.fields[1].logicalMin, -32767);
    EXPECT_EQ(mouse.fields[3].UsageAt(0), 0x000C0238u);  // AC Pan, its own page
    EXPECT_EQ(d.collections[1].reportByteLength[kIn], 5);
    EXPECT_EQ(d.collections[2].reportByteLength[kIn], 2);
    const HidTopLevelCollection& vendor = d.collections[3];
    EXPECT_EQ(vendor.usagePage, 0xFF00);
    EXPECT_EQ(vendor.reportByteLength[kFeature], 33);
    EXPECT_EQ(vendor.reportByteLength[kIn], 8);  // count restored by pop, then 7
    EXPECT_EQ(vendor.fields.back().logicalMax, 255);
}

TEST(ReportDescriptor, MalformedInputIsRefusedWithoutCollections) {
    const Bytes cases[] = {
        {0xA1, 0x01},                                      // collection never closed
        {0xC0},                                            // end without collection
        {0x05},                                            // truncated item
        {0x06, 0x01},                                      // truncated two-byte item
        {0x85, 0x00},                                      // report id 0
        {0xB4},                                            // pop without push
        {0xA1, 0x01, 0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x02, 0xC0},  // gigantic report
        {0xFE, 0x05, 0x10, 0x01},                          // truncated long item
    };
    for (const Bytes& bytes : cases) {
        HidReportDescriptor d;
        d.collections.resize(3);
        EXPECT_FALSE(ParseReportDescriptor(bytes, d)) << ::testing::PrintToString(bytes);
        EXPECT_TRUE(d.collections.empty());
    }
    Bytes deep;
    for (int i = 0; i < 40; ++i) deep.insert(deep.end(), {0xA1, 0x00});
    for (int i = 0; i < 40; ++i) deep.push_back(0xC0);
    HidReportDescriptor d;
    EXPECT_FALSE(ParseReportDescriptor(deep, d));
    // Long items are skipped; an empty descriptor has no collections.
    Bytes withLong = {0xFE, 0x02, 0x10, 0xAA, 0xBB};
    withLong.insert(withLong.end(), devsim::HeadsetDescriptor().begin(), devsim::HeadsetDescriptor().end());
    EXPECT_EQ(Parse(withLong).collections.size(), 1u);
    EXPECT_TRUE(Parse({}).collections.empty());
}

TEST(ReportDescriptor, AReportWithoutDataBitsIsStillItsIdByteLong) {
    // Vendor collection: input report 5 with a zero-size field, feature report 6 with none
    // counted at all, output report 7 of one byte.
    const Bytes bytes = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                         0x85, 0x05, 0x75, 0x00, 0x95, 0x08, 0x81, 0x02,
                         0x85, 0x06, 0x75, 0x08, 0x95, 0x00, 0xB1, 0x02,
                         0x85, 0x07, 0x95, 0x01, 0x91, 0x02, 0xC0};
    const HidTopLevelCollection c = Parse(bytes).collections.at(0);
    EXPECT_EQ(c.reportIds[kIn], Bytes{5});
    EXPECT_EQ(c.reportByteLength[kIn], 1);
    EXPECT_EQ(c.reportIds[kFeature], Bytes{6});
    EXPECT_EQ(c.reportByteLength[kFeature], 1);
    EXPECT_EQ(c.reportByteLength[kOut], 2);
}

TEST(ReportDescriptor, RandomBytesNeverBreakParsingOrDecoding) {
    std::mt19937 random(58);
    const std::uint8_t common[] = {0x05, 0x09, 0x19, 0x29, 0x15, 0x25, 0x75, 0x95, 0x81, 0x91, 0xB1,
                                   0xA1, 0xC0, 0x85, 0xA4, 0xB4, 0x0A, 0x1A, 0x2A, 0x97, 0xFE};
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes(random() % 96);
        for (std::uint8_t& b : bytes)
            b = random() % 3 ? common[random() % sizeof common] : static_cast<std::uint8_t>(random());
        HidReportDescriptor d;
        if (!ParseReportDescriptor(bytes, d)) continue;
        ++parsed;
        for (const HidTopLevelCollection& c : d.collections) {
            for (std::uint16_t length : c.reportByteLength) EXPECT_LE(length, 16385);
            std::vector<HidUsageEntry> table = BuildUsageTable(c, HidReportType::Input);
            Bytes report(random() % 24);
            for (std::uint8_t& b : report) b = static_cast<std::uint8_t>(random());
            if (!report.empty() && !c.reportIds[kIn].empty()) report[0] = c.reportIds[kIn].front();
            DecodeReport(c, table, report);
        }
    }
    EXPECT_GT(parsed, 100);  // the generator reaches the parser's inner paths
}

}  // namespace
}  // namespace kx58
