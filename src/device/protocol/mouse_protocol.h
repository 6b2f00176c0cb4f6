#pragma once
// The mouse's read-back: information block with its DPI model, button table and map, and the
// active settings record. Through the receiver each step waits for a live link.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/protocol/device_channel.h"
#include "device/protocol/key_code_tables.h"
#include "device/protocol/keyboard_protocol.h"

namespace kx58 {

inline constexpr std::uint16_t kMouseRecordStride = 128;
inline constexpr std::size_t kMouseRecordReadSize = 71;
inline constexpr std::size_t kMouseRecordWriteSize = 66;
inline constexpr std::size_t kMouseDpiStageCount = 5;
// The sensor whose steps above 48 are 200 DPI apart.
inline constexpr std::uint16_t kTwoSegmentSensor = 0x3325;

struct MouseDpiModel {
    std::uint16_t sensorId = 0;
    std::uint8_t dpiPerStep = 0;
    std::uint16_t highestStep = 0;
    std::uint16_t dpiAtStepZero = 0;
};
MouseDpiModel DpiModelFromInfo(const std::array<std::uint8_t, kDeviceInfoSize>& info);
// The DPI a step shows, and the step a typed DPI gives: below the DPI at step 0 it is raised to
// it, above the highest step it is the highest step.
int DpiOfStep(const MouseDpiModel& model, int step);
int StepOfDpi(const MouseDpiModel& model, int dpi);
// The highest DPI the sensor offers (the edits' range).
int HighestDpi(const MouseDpiModel& model);

struct MouseMemory {
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    std::array<std::uint8_t, kMaxDataSize> keyTable{};
    std::array<std::uint8_t, kMouseButtonCount> buttonMap{};

    std::size_t Buttons() const { return info[5]; }
    std::size_t MacroCapacity() const { return std::size_t{info[6]} * 128; }
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

// One DPI stage as the record carries it (9 bytes); X and Y are step numbers.
struct MouseDpiStage {
    std::uint8_t active = 0;
    std::uint8_t separateXY = 0;
    std::uint16_t stepX = 0;
    std::uint16_t stepY = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const MouseDpiStage&, const MouseDpiStage&) = default;
};

// Everything the host writes into a settings record.
struct MouseRecordFields {
    std::uint8_t modeCode = 0;
    std::uint8_t brightness = 0;
    std::uint8_t speed = 0;  // 0..4 as the profile holds it; the device stores 4 - speed
    std::uint8_t fx = 0;
    std::uint8_t multiColor = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t reportRate = 0;
    std::uint8_t activeDpiStage = 0;
    std::vector<MouseDpiStage> stages;  // at most five are written; missing ones are zeros
    std::uint16_t screenWidth = 0;
    std::uint16_t screenHeight = 0;
    std::uint8_t correctMinSq = 0;
    std::uint8_t correctPixThresh = 0;
};

// Brings the fields into what the sensor and firmware take: steps within the DPI model, at
// least stage 0 enabled when none is, the active stage an enabled one, light values in range.
// Each change is traced; returns how many were made.
int NormaliseMouseRecord(MouseRecordFields& fields, const MouseDpiModel& model);
// The 66-byte record with `recordByte0` in byte 0 and `byte59` in byte 59.
std::array<std::uint8_t, kMouseRecordWriteSize> BuildMouseSettingsRecord(const MouseRecordFields& fields,
                                                                         std::uint8_t recordByte0, std::uint8_t byte59);

struct MouseSettingsReadBack {
    std::uint8_t activeIndex = 0;
    std::array<std::uint8_t, kMouseRecordReadSize> record{};
    MouseSettings Decoded() const;
};

// The copies change only when every step succeeded. 0 when not connected or the receiver
// has no link to the mouse.
int ReadBackMouse(CDeviceChannel& channel, MouseMemory& memory);
int ReadMouseSettings(CDeviceChannel& channel, MouseSettingsReadBack& out);

// The writes: through the receiver a link query precedes every step, and a failed one ends the
// write (0) with nothing further sent.
int WriteMouseSettings(CDeviceChannel& channel, const std::array<std::uint8_t, kMouseRecordWriteSize>& record,
                       int recordIndex);
// The page buttons' assignments over the button table read at attach (macro keys as for the
// keyboard: slots in order of first use, a key on a missing macro back to its default).
int WriteMouseKeyTable(CDeviceChannel& channel, MouseMemory& memory, std::span<std::uint32_t> assignments,
                       std::size_t macroCount);
// As the keyboard's macro image; 0 when written or nothing to write, above 1 when too large.
int WriteMouseMacroImage(CDeviceChannel& channel, const MouseMemory& memory, std::span<const MacroEventList> macros);

}  // namespace kx58
