#include "devsim/firmware_memory.h"

#include <numeric>
#include <string>

#include "device/hid/products.h"
#include "device/protocol/key_code_tables.h"

namespace devsim {
namespace {

constexpr std::size_t kInfoSize = 34;
constexpr std::size_t kTableSize = 512;
constexpr std::size_t kColourBanks = 4;
constexpr std::size_t kShootAreaSize = 4096;  // four guns of 30 bullets take 2920 bytes
constexpr std::size_t kPowerSize = 6;
constexpr std::uint8_t kBatteryPercent = 80;

struct NamedModel {
    std::string_view name;
    FirmwareModel model;
};

using kx58::DeviceKind;
using kx58::KindNumber;

constexpr FirmwareModel kKeyboard{.productType = KindNumber(DeviceKind::KeyboardWired), .keyPositions = 126,
                                  .macroUnits = 32, .recordStride = 27, .recordCount = 8};
constexpr FirmwareModel kMouse{.productType = KindNumber(DeviceKind::MouseWired), .keyPositions = 11, .macroUnits = 16,
                               .recordStride = 128, .recordCount = 4, .sensorId = 0x0D3D, .dpiPerStep = 50,
                               .highestStep = 519, .dpiAtStepZero = 50, .mouseTable = true};
constexpr FirmwareModel kPad{.productType = KindNumber(DeviceKind::MousePad), .recordStride = 64, .recordCount = 4};

FirmwareModel Receiver(FirmwareModel model) {
    model.receiver = true;
    return model;
}

const NamedModel kModels[] = {
    {"kb", kKeyboard}, {"kb-rx", Receiver(kKeyboard)}, {"mouse", kMouse}, {"mouse-rx", Receiver(kMouse)}, {"pad", kPad},
};

void PutLe16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::vector<std::uint8_t> Information(const FirmwareModel& m) {
    std::vector<std::uint8_t> info(kInfoSize, 0);
    info[0] = m.productType;
    info[1] = 0x01;  // firmware 1.02
    info[2] = 0x02;
    info[5] = m.keyPositions;
    info[6] = m.macroUnits;
    PutLe16(info, 9, m.sensorId);
    info[11] = m.dpiPerStep;
    PutLe16(info, 12, m.highestStep);
    PutLe16(info, 14, m.dpiAtStepZero);
    return info;
}

// Record 0 as the factory leaves it: a lit mode at full brightness.
std::vector<std::uint8_t> Settings(const FirmwareModel& m) {
    std::vector<std::uint8_t> settings(std::size_t{m.recordStride} * m.recordCount, 0);
    if (settings.size() < 9) return settings;
    settings[1] = 1;  // mode code
    settings[2] = 4;  // brightness
    settings[3] = 2;  // inverted speed
    settings[5] = 1;  // multi-colour
    settings[6] = 0xFF;
    return settings;
}

}  // namespace

std::optional<FirmwareModel> FirmwareModelFor(std::string_view productName) {
    for (const NamedModel& named : kModels)
        if (named.name == productName) return named.model;
    return std::nullopt;
}

std::vector<std::uint8_t> FactoryKeyOrder(const FirmwareModel& model) {
    std::vector<std::uint8_t> order(model.keyPositions);
    std::iota(order.begin(), order.end(), std::uint8_t{0});
    // Fisher-Yates with a fixed linear congruential sequence: the same order on every run.
    std::uint32_t state = 0x2545F491u;
    for (std::size_t i = order.size(); i > 1; --i) {
        state = state * 1664525u + 1013904223u;
        std::swap(order[i - 1], order[(state >> 8) % i]);
    }
    return order;
}

FirmwareMemory FactoryMemory(const FirmwareModel& model) {
    FirmwareMemory memory;
    memory.info = Information(model);
    memory.settings = Settings(model);
    memory.keyTable.assign(kTableSize, 0);
    memory.ledMap.assign(kTableSize, 0xFF);
    const std::vector<std::uint8_t> order = FactoryKeyOrder(model);
    const std::size_t rows = model.mouseTable ? kx58::kMouseButtonCount : kx58::kPageKeyCount;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const kx58::KeyCode code = model.mouseTable ? kx58::DefaultMouseButtonCodes()[order[k] % rows]
                                                    : kx58::DefaultKeyCodes()[order[k] % rows];
        memory.keyTable[k * 3] = code.type;
        memory.keyTable[k * 3 + 1] = code.code1;
        memory.keyTable[k * 3 + 2] = code.code2;
        // LED indexes: another fixed permutation of the positions (5 is prime to 126 and 11).
        memory.ledMap[k] = static_cast<std::uint8_t>((order[k] * 5 + 3) % order.size());
    }
    memory.ledColours.assign(kTableSize * kColourBanks, 0);
    memory.macro.assign(std::size_t{model.macroUnits} * 128, 0);
    memory.shoot.assign(model.mouseTable ? kShootAreaSize : 0, 0);
    memory.power.assign(kPowerSize, 0);
    // Charge in percent, not charging, no phone on the charger; byte 4 carries the level the
    // power message reports.
    memory.power[0] = kBatteryPercent;
    memory.power[4] = kBatteryPercent;
    memory.stream.assign(kTableSize, 0);
    return memory;
}

}  // namespace devsim
