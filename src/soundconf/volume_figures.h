#pragma once
// Volume scalars as the page gives them (0.0-1.0) against the server's volumes: the scalar is
// the share of the normal volume, the percentage desktops show. Decibel figures are texts of
// two decimals, as the page traces them; silence reads as the lowest figure of the range.
#include <pulse/volume.h>

#include <string>

namespace kx58::soundconf {

pa_volume_t ScalarToVolume(float scalar);
float VolumeToScalar(pa_volume_t volume);
bool ValidScalar(float scalar);

std::string DecibelText(pa_volume_t volume);
// The range of the scalar (1 % to full) in decibels: its top, its bottom, one step at the top.
std::string MaxDecibelText();
std::string MinDecibelText();
std::string StepDecibelText();

}  // namespace kx58::soundconf
