#pragma once
// The mouse's shoot (recoil) image: the four guns' sequences, each a list of macro events kept
// in its own ".Shoot" file, sent as one image in the macro-image format with exactly four
// blocks (command 0x17, 56-byte chunks in both modes). Through the receiver the link is
// queried before the information block is read and again before the image goes out; a link
// that is down sends nothing more.
//
// The files are read here, not in the profile layer, because the image is all the device
// needs of them; the shoot editor reads its bullets through the same reader.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/protocol/device_channel.h"
#include "device/protocol/keyboard_protocol.h"

namespace kx58 {

inline constexpr int kShootGunCount = 4;
inline constexpr int kShootBulletCount = 30;
inline constexpr int kShootEventsPerBullet = 6;
inline constexpr std::size_t kMaxShootEvents = kShootBulletCount * kShootEventsPerBullet;
// A gun file is small (180 events take about 20 kB); anything much larger is not one.
inline constexpr std::size_t kMaxShootFileBytes = 1u << 20;

using ShootGuns = std::array<MacroEventList, kShootGunCount>;

// folder + "ShootData_<gun>.Shoot".
std::string ShootFilePath(const std::string& folder, int gun);
// The gun file's `Events`, at most kMaxShootEvents of them. A missing or broken file has
// none; an element that is not an event object reads as a zero event, so indexes hold.
MacroEventList ReadShootEvents(const std::string& folder, int gun);
ShootGuns ReadShootGuns(const std::string& folder);

std::size_t ShootImageSize(const ShootGuns& guns);
// The image of the four guns; -1 when out of memory, else 0.
int BuildShootImage(const ShootGuns& guns, std::vector<std::uint8_t>& image);

// Reads the information block again, then writes the image. 1 when written; 0 when not
// connected or the receiver has no link to the mouse (nothing written); -1 when out of
// memory; otherwise the failing transfer's result.
[[nodiscard]] int WriteShootImage(CDeviceChannel& channel, const ShootGuns& guns);
// The same with the four gun files of `folder` (the mouse's data folder).
[[nodiscard]] int WriteShootImage(CDeviceChannel& channel, const std::string& folder);

}  // namespace kx58
