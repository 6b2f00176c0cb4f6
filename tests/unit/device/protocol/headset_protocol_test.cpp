// The headset's colour frame: short and long LED lists, and reports that fail on the way.
#include <gtest/gtest.h>

#include <vector>

#include "device/protocol/headset_protocol.h"

namespace kx58 {
namespace {

TEST(HeadsetFrameTest, LedsBeyondTheListAreDarkAndThoseBeyondThirteenAreLeftOut) {
    std::vector<Rgba> leds(20, Rgba{0, 0, 200, 128});  // blue: kinds 0xAA and 0xAD
    const HeadsetFrame all = BuildHeadsetFrame(leds);
    EXPECT_EQ(all[0][4], 100);   // 200 * 128 >> 8
    EXPECT_EQ(all[1][9], 100);   // LED 12
    EXPECT_EQ(all[1][10], 0);    // no LED 13 in the report
    leds.resize(3);
    const HeadsetFrame few = BuildHeadsetFrame(leds);
    EXPECT_EQ(few[0][6], 100);   // LED 2
    EXPECT_EQ(few[0][7], 0);     // LED 3 is not in the list
    EXPECT_EQ(few[1][4], 0);
}

TEST(HeadsetFrameTest, FullColourAtFullAlphaIsCapped) {
    const HeadsetFrame frame = BuildHeadsetFrame(std::vector<Rgba>(13, Rgba{255, 255, 255, 255}));
    for (const HeadsetReport& report : frame) EXPECT_EQ(report[4], kHeadsetLedCap) << int(report[2]);
}

TEST(HeadsetFrameTest, AFailedReportDoesNotStopTheOthers) {
    const HeadsetFrame frame = BuildHeadsetFrame(std::vector<Rgba>(13, Rgba{10, 20, 30, 255}));
    std::vector<std::uint8_t> kindsTried;
    const std::size_t sent = SendHeadsetFrame(frame, [&](const HeadsetReport& report) {
        kindsTried.push_back(report[2]);
        return kindsTried.size() != 1 && kindsTried.size() != 7;  // the first and seventh fail
    });
    EXPECT_EQ(sent, kHeadsetFrameReports - 2);
    EXPECT_EQ(kindsTried.size(), kHeadsetFrameReports);
}

}  // namespace
}  // namespace kx58
