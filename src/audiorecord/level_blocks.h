#pragma once
// The contents of the two blocks AudioRecord sends, made from one block of recorded samples.
#include <array>
#include <cstdint>

#include "audiorecord/sample_history.h"

namespace kx58::audiorecord {

using SampleBlock = std::array<std::int32_t, kSamplesPerBlock>;
using BandBlock = std::array<std::uint8_t, kBandCount>;

// The waveform itself, scaled to ±kSampleFullScale: the receiver takes the change between
// consecutive blocks, which is 0 for silence and grows with loudness.
SampleBlock MakeSampleBlock(const SampleHistory::Block& samples);

// The level of six bands (below 150 Hz, 150-400, 400-1000, 1000-2000, 2000-4000 and 4000 Hz
// up to the top of the recording), each from the power spectrum of the Hann-windowed block:
// 0 at -60 dB or less, 255 for a full-scale sine in the band.
BandBlock MakeBandBlock(const SampleHistory::Block& samples);

}  // namespace kx58::audiorecord
