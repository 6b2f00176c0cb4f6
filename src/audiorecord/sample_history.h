#pragma once
// The last block's worth of recorded samples (mono, -1..1, oldest first), written by the
// capture thread and copied by the sender thread. One mutex, held only for a copy.
#include <array>
#include <cstddef>
#include <mutex>
#include <span>

#include "ui/audio_record_protocol.h"

namespace kx58::audiorecord {

class SampleHistory {
public:
    using Block = std::array<float, kSamplesPerBlock>;

    void Append(std::span<const float> samples);
    // A gap the server reported in the recording.
    void AppendSilence(std::size_t count);
    void Clear();
    Block Snapshot() const;

private:
    mutable std::mutex mutex_;
    Block ring_{};
    std::size_t next_ = 0;  // where the next sample goes; also the oldest one
};

}  // namespace kx58::audiorecord
