#pragma once
// The mouse's read-back: information block with its DPI model, button table and map, and the
// active settings record. Through the receiver each step waits for a live link.
#include <array>
#include <cstddef>
#include <cstdint>

#include "device/protocol/device_channel.h"
#include "device/protocol/key_code_tables.h"

namespace kx58 {

inline constexpr std::uint16_t kMouseRecordStride = 128;
inline constexpr std::size_t kMouseRecordReadSize = 71;

struct MouseDpiModel {
    std::uint16_t sensorId = 0;
    std::uint8_t dpiPerStep = 0;
    std::uint16_t highestStep = 0;
    std::uint16_t dpiAtStepZero = 0;
};
MouseDpiModel DpiModelFromInfo(const std::array<std::uint8_t, kDeviceInfoSize>& info);

struct MouseMemory {
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    std::array<std::uint8_t, kMaxDataSize> keyTable{};
    std::array<std::uint8_t, kMouseButtonCount> buttonMap{};

    std::size_t Buttons() const { return info[5]; }
};

// The fields of the record that the host applies.
struct MouseSettings {
    std::uint8_t modeCode = 0;
    std::uint8_t brightness = 0;
    std::uint8_t speed = 0;
    std::uint8_t multiColor = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t activeDpiStage = 0;
};

struct MouseSettingsReadBack {
    std::uint8_t activeIndex = 0;
    std::array<std::uint8_t, kMouseRecordReadSize> record{};
    MouseSettings Decoded() const;
};

// The copies change only when every step succeeded. 0 when not connected or the receiver
// has no link to the mouse.
int ReadBackMouse(CDeviceChannel& channel, MouseMemory& memory);
int ReadMouseSettings(CDeviceChannel& channel, MouseSettingsReadBack& out);

}  // namespace kx58
