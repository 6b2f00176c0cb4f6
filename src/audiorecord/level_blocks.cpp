#include "audiorecord/level_blocks.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kx58::audiorecord {
namespace {

constexpr std::size_t kFftSize = 512;  // the block, zero-padded
constexpr std::array<double, kBandCount + 1> kBandEdgesHz = {0, 150, 400, 1000, 2000, 4000, kSampleRate / 2.0};
constexpr double kFloorDb = -60.0;

using Spectrum = std::array<std::complex<float>, kFftSize>;

struct HannWindow {
    std::array<float, kSamplesPerBlock> weights{};
    double energy = 0;  // sum of squared weights
    HannWindow() {
        for (std::size_t n = 0; n < weights.size(); ++n) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(n) / (weights.size() - 1));
            weights[n] = static_cast<float>(w);
            energy += w * w;
        }
    }
};

const HannWindow& Window() {
    static const HannWindow window;
    return window;
}

// In-place iterative radix-2 transform.
void Transform(Spectrum& a) {
    for (std::size_t i = 1, j = 0; i < a.size(); ++i) {
        std::size_t bit = a.size() >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= a.size(); length <<= 1) {
        const double angle = -2 * std::numbers::pi / static_cast<double>(length);
        const std::complex<float> step(static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)));
        for (std::size_t start = 0; start < a.size(); start += length) {
            std::complex<float> twiddle(1.0f, 0.0f);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<float> even = a[start + k];
                const std::complex<float> odd = a[start + k + length / 2] * twiddle;
                a[start + k] = even + odd;
                a[start + k + length / 2] = even - odd;
                twiddle *= step;
            }
        }
    }
}

std::size_t BinOf(double hz) { return static_cast<std::size_t>(std::ceil(hz * kFftSize / kSampleRate)); }

// Mean power of the band's part of the signal; a sine of amplitude A in it gives A²/2.
double BandPower(const Spectrum& spectrum, std::size_t band) {
    const std::size_t first = std::max<std::size_t>(1, BinOf(kBandEdgesHz[band]));
    const std::size_t last = band + 1 == kBandCount ? kFftSize / 2 : BinOf(kBandEdgesHz[band + 1]) - 1;
    double sum = 0;
    for (std::size_t k = first; k <= last; ++k) sum += std::norm(spectrum[k]);
    // Parseval over the positive half, divided by the window's energy.
    return 2.0 * sum / kFftSize / Window().energy;
}

std::uint8_t LevelByte(double power) {
    constexpr double kFullScaleSinePower = 0.5;
    const double db = power > 0 ? 10.0 * std::log10(power / kFullScaleSinePower) : kFloorDb;
    const double scaled = (std::clamp(db, kFloorDb, 0.0) - kFloorDb) / -kFloorDb * 255.0;
    return static_cast<std::uint8_t>(std::lround(scaled));
}

}  // namespace

SampleBlock MakeSampleBlock(const SampleHistory::Block& samples) {
    SampleBlock block;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float clamped = std::clamp(std::isfinite(samples[i]) ? samples[i] : 0.0f, -1.0f, 1.0f);
        block[i] = static_cast<std::int32_t>(std::lround(clamped * kSampleFullScale));
    }
    return block;
}

BandBlock MakeBandBlock(const SampleHistory::Block& samples) {
    Spectrum spectrum{};
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const float sample = std::isfinite(samples[n]) ? samples[n] : 0.0f;
        spectrum[n] = {sample * Window().weights[n], 0.0f};
    }
    Transform(spectrum);
    BandBlock bands;
    for (std::size_t band = 0; band < kBandCount; ++band) bands[band] = LevelByte(BandPower(spectrum, band));
    return bands;
}

}  // namespace kx58::audiorecord
