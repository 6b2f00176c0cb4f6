#pragma once
// Private window messages of the device layer, with the numbers other programs and the main
// window rely on.
#include "platform/win_types.h"

namespace kx58 {

// Sent (synchronously) by the discovery loop; wParam = row of the supported-device table.
inline constexpr UINT WM_DEVICE_ARRIVED = 0x0C12;
inline constexpr UINT WM_DEVICE_REMOVED = 0x0C13;

// Posted or sent by device objects and their tabs to the main window.
inline constexpr UINT WM_MOUSEPAD_RECORD_INDEX = 0x0D00;  // wParam = active on-board record
inline constexpr UINT WM_DEVICE_POWER_STATUS = 0x0D01;    // wParam = power-status byte 4
inline constexpr UINT WM_DEVICE_RESERVED = 0x0D02;
inline constexpr UINT WM_DEVICE_LINK_STATE = 0x0D03;      // wParam = tab index, lParam 0 down / 1 up
inline constexpr UINT WM_DEVICE_WAKE = 0x0D10;            // wParam = device type row: work for its tab

}  // namespace kx58
