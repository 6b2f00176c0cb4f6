#include "device/protocol/headset_protocol.h"

#include <algorithm>

namespace kx58 {
namespace {

struct FrameSlot {
    std::uint8_t target;
    std::uint8_t kind;
};

// Kinds 0xAA-0xAC carry LEDs 0-6 of channel 0-2, kinds 0xAD-0xAF LEDs 7-12.
constexpr FrameSlot kFrameOrder[kHeadsetFrameReports] = {
    {0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD}, {0x22, 0xAB}, {0x22, 0xAE},
    {0x44, 0xAB}, {0x44, 0xAE}, {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF},
};
constexpr std::uint8_t kFirstKind = 0xAA;
constexpr std::uint8_t kSecondHalfKind = 0xAD;
constexpr std::size_t kFirstHalfLeds = 7;
constexpr std::size_t kDataAt = 4;

std::uint8_t ChannelOf(const Rgba& led, int channel) {
    const std::uint8_t bytes[3] = {led.blue, led.red, led.green};
    return std::min<std::uint8_t>(static_cast<std::uint8_t>(bytes[channel] * led.alpha >> 8), kHeadsetLedCap);
}

HeadsetReport BuildReport(const FrameSlot& slot, std::span<const Rgba> leds) {
    HeadsetReport report{};
    report[0] = kHeadsetReportId;
    report[1] = slot.target;
    report[2] = slot.kind;
    const bool secondHalf = slot.kind >= kSecondHalfKind;
    const int channel = slot.kind - (secondHalf ? kSecondHalfKind : kFirstKind);
    const std::size_t first = secondHalf ? kFirstHalfLeds : 0;
    const std::size_t last = secondHalf ? kHeadsetLedCount : kFirstHalfLeds;
    for (std::size_t led = first; led < last && led < leds.size(); ++led)
        report[kDataAt + led - first] = ChannelOf(leds[led], channel);
    return report;
}

}  // namespace

HeadsetFrame BuildHeadsetFrame(std::span<const Rgba> leds) {
    HeadsetFrame frame{};
    for (std::size_t i = 0; i < kHeadsetFrameReports; ++i) frame[i] = BuildReport(kFrameOrder[i], leds);
    return frame;
}

HeadsetFrameSent SendHeadsetFrame(const HeadsetFrame& frame, const HeadsetFrame& previous, const HeadsetReportSender& send) {
    HeadsetFrameSent result;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (frame[i] == previous[i]) continue;
        ++result.tried;
        if (send(frame[i])) ++result.sent;
    }
    return result;
}

}  // namespace kx58
