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

TEST(HeadsetFrameTest, AFailedReportDoesNotStopTheOthersAndOnlyChangedReportsGoAgain) {
    const HeadsetFrame frame = BuildHeadsetFrame(std::vector<Rgba>(13, Rgba{10, 20, 30, 255}));
    std::vector<HeadsetReport> tried;
    const auto send = [&](const HeadsetReport& report) {
        tried.push_back(report);
        return tried.size() != 1 && tried.size() != 7;  // the first and seventh fail
    };
    const HeadsetFrameSent all = SendHeadsetFrame(frame, HeadsetFrame{}, send);
    EXPECT_EQ(all.sent, kHeadsetFrameReports - 2);
    EXPECT_EQ(all.tried, kHeadsetFrameReports);

    // LED 8 turns green only: the two green reports of its half, one per target, in order.
    std::vector<Rgba> leds(13, Rgba{10, 20, 30, 255});
    leds[8].green = 200;
    tried.clear();
    const HeadsetFrame next = BuildHeadsetFrame(leds);
    const HeadsetFrameSent changed = SendHeadsetFrame(next, frame, [&](const HeadsetReport& r) {
        tried.push_back(r);
        return true;
    });
    EXPECT_EQ(changed.tried, 2u);
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(tried[0], next[9]);   // (0x22, 0xAF)
    EXPECT_EQ(tried[1], next[11]);  // (0x44, 0xAF)
}

}  // namespace
}  // namespace kx58
