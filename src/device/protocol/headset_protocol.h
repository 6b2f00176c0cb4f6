#pragma once
// The headset's LED frame: twelve 17-byte output reports of its one collection (report id
// 0xFF), not the command protocol. Each ear cup (target 0x22 and 0x44) takes its 13 LEDs in
// two halves per colour channel; the headset's LED record holds its channels as blue, red,
// green, the order of the data kinds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "device/protocol/keyboard_protocol.h"

namespace kx58 {

inline constexpr std::size_t kHeadsetLedCount = 13;
inline constexpr std::size_t kHeadsetReportSize = 17;
inline constexpr std::size_t kHeadsetFrameReports = 12;
inline constexpr std::uint8_t kHeadsetReportId = 0xFF;
inline constexpr std::uint8_t kHeadsetLedCap = 247;

using HeadsetReport = std::array<std::uint8_t, kHeadsetReportSize>;
using HeadsetFrame = std::array<HeadsetReport, kHeadsetFrameReports>;

// The frame of `leds` (missing LEDs dark, LEDs past 13 ignored): each channel value scaled by
// the LED's alpha and capped, the reports in the order the headset takes them.
HeadsetFrame BuildHeadsetFrame(std::span<const Rgba> leds);

// Sends the reports of `frame` that differ from `previous` through `send` (true on success),
// in order, the others still after one fails. The LEDs keep what they were given, so a report
// equal to the last one sent changes nothing; an empty `previous` sends them all.
using HeadsetReportSender = std::function<bool(const HeadsetReport&)>;
struct HeadsetFrameSent {
    std::size_t tried = 0;
    std::size_t sent = 0;
};
HeadsetFrameSent SendHeadsetFrame(const HeadsetFrame& frame, const HeadsetFrame& previous, const HeadsetReportSender& send);

}  // namespace kx58
