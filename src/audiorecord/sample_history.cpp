#include "audiorecord/sample_history.h"

#include <algorithm>

namespace kx58::audiorecord {

void SampleHistory::Append(std::span<const float> samples) {
    // Only the newest block's worth can survive.
    if (samples.size() > ring_.size()) samples = samples.last(ring_.size());
    std::lock_guard lock(mutex_);
    for (const float sample : samples) {
        ring_[next_] = sample;
        next_ = (next_ + 1) % ring_.size();
    }
}

void SampleHistory::AppendSilence(std::size_t count) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < std::min(count, ring_.size()); ++i) {
        ring_[next_] = 0.0f;
        next_ = (next_ + 1) % ring_.size();
    }
}

void SampleHistory::Clear() {
    std::lock_guard lock(mutex_);
    ring_.fill(0.0f);
    next_ = 0;
}

SampleHistory::Block SampleHistory::Snapshot() const {
    Block block;
    std::lock_guard lock(mutex_);
    const auto oldest = ring_.begin() + static_cast<std::ptrdiff_t>(next_);
    std::rotate_copy(ring_.begin(), oldest, ring_.end(), block.begin());
    return block;
}

}  // namespace kx58::audiorecord
