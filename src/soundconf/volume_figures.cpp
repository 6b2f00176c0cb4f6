#include "soundconf/volume_figures.h"

#include <cmath>
#include <cstdio>

namespace kx58::soundconf {
namespace {

constexpr float kLowestScalar = 0.01F;

std::string Figure(double decibels) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", decibels);
    return text;
}

double DecibelsOf(float scalar) { return pa_sw_volume_to_dB(ScalarToVolume(scalar)); }

}  // namespace

bool ValidScalar(float scalar) { return scalar >= 0.0F && scalar <= 1.0F; }  // false for NaN

pa_volume_t ScalarToVolume(float scalar) {
    return static_cast<pa_volume_t>(std::lround(static_cast<double>(scalar) * PA_VOLUME_NORM));
}

float VolumeToScalar(pa_volume_t volume) { return static_cast<float>(static_cast<double>(volume) / PA_VOLUME_NORM); }

std::string DecibelText(pa_volume_t volume) {
    if (volume <= ScalarToVolume(kLowestScalar)) return MinDecibelText();
    return Figure(pa_sw_volume_to_dB(volume));
}

std::string MaxDecibelText() { return Figure(DecibelsOf(1.0F)); }
std::string MinDecibelText() { return Figure(DecibelsOf(kLowestScalar)); }
std::string StepDecibelText() { return Figure(DecibelsOf(1.0F) - DecibelsOf(1.0F - kLowestScalar)); }

}  // namespace kx58::soundconf
