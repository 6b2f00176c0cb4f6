#pragma once
// The memory areas of a simulated product's firmware and what each product holds at start.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace devsim {

// Sizes and identity of one product's firmware.
struct FirmwareModel {
    std::uint8_t productType = 0;      // information byte 0: 1 keyboard, 2 mouse, 3 mouse pad
    std::uint8_t keyPositions = 0;     // information byte 5
    std::uint8_t macroUnits = 0;       // information byte 6: macro area in 128-byte units
    std::uint16_t recordStride = 0;    // settings record n starts at n x stride
    std::uint16_t recordCount = 0;
    std::uint16_t sensorId = 0;        // mouse DPI model, information bytes 9..15
    std::uint8_t dpiPerStep = 0;
    std::uint16_t highestStep = 0;
    std::uint16_t dpiAtStepZero = 0;
    bool receiver = false;             // reached through the 2.4G receiver
    bool mouseTable = false;           // key table of mouse buttons, else keyboard keys
};

// The model of a catalog product with a command collection; nothing for the others.
std::optional<FirmwareModel> FirmwareModelFor(std::string_view productName);

struct FirmwareMemory {
    std::vector<std::uint8_t> info;        // 34 bytes, read only
    std::vector<std::uint8_t> settings;    // byte 0: active record index
    std::vector<std::uint8_t> keyTable;    // 3 bytes per key position
    std::vector<std::uint8_t> ledMap;      // LED index per key position, read only
    std::vector<std::uint8_t> ledColours;  // banks of 512 bytes
    std::vector<std::uint8_t> macro;
    std::vector<std::uint8_t> shoot;
    std::vector<std::uint8_t> power;       // 6 bytes, read only
    std::vector<std::uint8_t> stream;      // the last colour stream frame
    bool hostLighting = false;
    bool writeOpen = false;                // between BeginWrite and EndWrite
    int beginWrites = 0;
    int endWrites = 0;
};

// Factory state: key codes at positions in a shuffled but fixed order of the page keys,
// LED indexes a fixed permutation of them.
FirmwareMemory FactoryMemory(const FirmwareModel& model);

// The page key (or mouse button) whose factory code sits at each key position.
std::vector<std::uint8_t> FactoryKeyOrder(const FirmwareModel& model);

}  // namespace devsim
