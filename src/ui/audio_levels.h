#pragma once
// CAudioLevelMeter: what the main window makes of the capture program's sample blocks. Per
// sample the change since the previous block, d[i] = |new[i] - previous[i]|; per group of
// five changes the integer mean and the sample standard deviation of its first four; every
// third block the 25 means are due for the keyboard's music mode. UI thread only.
#include <array>
#include <cstdint>
#include <span>

#include "ui/audio_record_protocol.h"

namespace kx58 {

class CAudioLevelMeter {
public:
    static constexpr std::size_t kGroups = 25;
    static constexpr std::size_t kGroupSize = audiorecord::kSamplesPerBlock / kGroups;
    static constexpr int kBlocksPerHandover = 3;
    using Levels = std::array<std::int32_t, kGroups>;

    // Takes one block; true when the means are due (the third block since the last time).
    bool Take(std::span<const std::int32_t, audiorecord::kSamplesPerBlock> samples);
    const Levels& Means() const { return means_; }
    const Levels& Deviations() const { return deviations_; }
    // The means as the keyboard takes them: 25 signed 32-bit values, in the machine's order.
    std::array<std::uint8_t, kGroups * sizeof(std::int32_t)> MeansBlock() const;

private:
    std::array<std::int32_t, audiorecord::kSamplesPerBlock> previous_{};
    Levels means_{};
    Levels deviations_{};
    int blocksSinceHandover_ = 0;
};

}  // namespace kx58
