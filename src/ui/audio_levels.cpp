#include "ui/audio_levels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kx58 {
namespace {

constexpr std::size_t kValuesPerGroup = 4;  // of each group's five changes

// Within 32 bits even for blocks from a hostile sender (their changes reach 2^32 - 1).
std::int32_t Clamped(double value) {
    return static_cast<std::int32_t>(std::min(value, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}

}  // namespace

bool CAudioLevelMeter::Take(std::span<const std::int32_t, audiorecord::kSamplesPerBlock> samples) {
    std::array<std::int64_t, audiorecord::kSamplesPerBlock> changes;
    for (std::size_t i = 0; i < samples.size(); ++i)
        changes[i] = std::llabs(static_cast<std::int64_t>(samples[i]) - previous_[i]);
    std::copy(samples.begin(), samples.end(), previous_.begin());
    for (std::size_t group = 0; group < kGroups; ++group) {
        const std::int64_t* values = changes.data() + group * kGroupSize;
        std::int64_t sum = 0;
        for (std::size_t i = 0; i < kValuesPerGroup; ++i) sum += values[i];
        const std::int64_t mean = sum / static_cast<std::int64_t>(kValuesPerGroup);
        double squares = 0;
        for (std::size_t i = 0; i < kValuesPerGroup; ++i) {
            const double deviation = static_cast<double>(values[i] - mean);
            squares += deviation * deviation;
        }
        means_[group] = Clamped(static_cast<double>(mean));
        deviations_[group] = Clamped(std::trunc(std::sqrt(squares / (kValuesPerGroup - 1))));
    }
    if (++blocksSinceHandover_ < kBlocksPerHandover) return false;
    blocksSinceHandover_ = 0;
    return true;
}

std::array<std::uint8_t, CAudioLevelMeter::kGroups * sizeof(std::int32_t)> CAudioLevelMeter::MeansBlock() const {
    std::array<std::uint8_t, kGroups * sizeof(std::int32_t)> block;
    std::memcpy(block.data(), means_.data(), block.size());
    return block;
}

}  // namespace kx58
