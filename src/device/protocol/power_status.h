#pragma once
// The 6-byte power status block of a device, as the page's power display shows it.
#include <array>
#include <cstdint>

#include "device/protocol/device_channel.h"

namespace kx58 {

inline constexpr std::size_t kPowerStatusSize = 6;
using PowerStatus = std::array<std::uint8_t, kPowerStatusSize>;

// Byte 3 of the block tells the connection.
inline constexpr std::size_t kPowerConnectionByte = 3;
// Byte 4 goes to the main window with the power message.
inline constexpr std::size_t kPowerLevelByte = 4;

// Checks the receiver's link (passes at once by cable), reads the block and marks byte 3 with
// the connection: 1 through the receiver, 0 by cable. `status` changes only on success.
int ReadPowerStatus(CDeviceChannel& channel, PowerStatus& status);

}  // namespace kx58
