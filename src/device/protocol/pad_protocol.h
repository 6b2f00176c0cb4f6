#pragma once
// The mouse pad's settings records. The pad reads its records back 27 bytes apart but takes
// a write 64 bytes apart, and only the first 21 bytes of either carry meaning for the host:
// byte 0 the active record index, 1 the light mode (the device's code; the host holds the
// page's index of it), 2 brightness, 3 speed (stored inverted: 4 - speed), 4 effect option,
// 5 multi-colour flag, 6-8 red, green, blue, 9-20 carried unchanged from read to write.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/protocol/device_channel.h"

namespace kx58 {

inline constexpr std::size_t kPadRecordReadSize = 27;
inline constexpr std::size_t kPadSettingsBlockSize = 21;
inline constexpr std::uint16_t kPadRecordReadStride = 27;
inline constexpr std::uint16_t kPadRecordWriteStride = 64;
inline constexpr std::uint8_t kPadHighestSpeed = 4;

using PadSettingsBlock = std::array<std::uint8_t, kPadSettingsBlockSize>;
using PadSettingsRecord = std::array<std::uint8_t, kPadRecordReadSize>;

// Where record `index` is read from and written to (index clamped to 0..255).
std::uint16_t PadRecordReadOffset(int index);
std::uint16_t PadRecordWriteOffset(int index);

// The block the host holds from a record read back: the mode code as its position in
// `modeCodes` (a code the list lacks stays as read), the speed as the page's value (a speed
// byte above 4 reads as 0).
PadSettingsBlock DecodePadRecord(const PadSettingsRecord& record, std::span<const int> modeCodes);
// The 21 bytes written for a block: the page's mode index as its device code (an index past
// the list stays as it is), the speed inverted.
PadSettingsBlock BuildPadRecord(const PadSettingsBlock& block, std::span<const int> modeCodes);

struct PadSettingsReadBack {
    std::uint8_t activeIndex = 0;
    PadSettingsBlock block{};
};

// Only when connected: the information block between BeginWrite and EndWrite. `info`
// changes only on success.
int ReadPadDeviceInfo(CDeviceChannel& channel, std::array<std::uint8_t, kDeviceInfoSize>& info);
// The active index (1 byte at 0), then that record; `out` changes only on success.
int ReadPadSettings(CDeviceChannel& channel, std::span<const int> modeCodes, PadSettingsReadBack& out);
// Record `recordIndex` built from the block, between BeginWrite and EndWrite; 0 when not
// connected.
int WritePadSettings(CDeviceChannel& channel, const PadSettingsBlock& block, std::span<const int> modeCodes,
                     int recordIndex);

}  // namespace kx58
