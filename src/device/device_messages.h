#pragma once
// Private window messages of the device layer, with the numbers other programs and the main
// window rely on.
#include "platform/win_types.h"

namespace kx58 {

// Sent (synchronously) by the discovery loop; wParam = row of the supported-device table.
inline constexpr UINT WM_DEVICE_ARRIVED = 0x0C12;
inline constexpr UINT WM_DEVICE_REMOVED = 0x0C13;

}  // namespace kx58
