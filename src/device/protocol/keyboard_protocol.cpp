#include "device/protocol/keyboard_protocol.h"

#include "platform/debug_trace.h"

#include <algorithm>
#include <new>

namespace kx58 {
namespace {

constexpr std::uint16_t kMacroMagic = 0x55AA;
constexpr std::size_t kMacroHeaderSize = 16;
constexpr std::size_t kMacroBlockHeaderSize = 4;
constexpr std::size_t kMacroEventSize = 4;

namespace record {
constexpr std::size_t kMode = 1, kBrightness = 2, kSpeed = 3, kFx = 4, kMultiColor = 5, kRed = 6, kGreen = 7,
                      kBlue = 8, kZzccLedMode = 18, kWFlag = 19, kKey6Flag = 20, kWinFlag = 21, kPollingRate = 22,
                      kLogoMode = 25, kLogoModeCol = 26;
}

constexpr std::uint8_t kMaxSpeed = 4;
constexpr std::uint8_t kMaxBrightness = 4;
constexpr std::uint8_t kMaxPollingRateCode = 3;

void PutLe16(std::vector<std::uint8_t>& image, std::size_t at, std::size_t value) {
    image[at] = static_cast<std::uint8_t>(value & 0xFF);
    image[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Runs a write between BeginWrite and EndWrite; the bracket is closed even after a failure.
template <typename Write>
int Bracketed(CDeviceChannel& channel, Write write) {
    const int begun = channel.BeginWrite();
    if (begun != kResultOk) return begun;
    const int written = write();
    const int ended = channel.EndWrite();
    return written != kResultOk ? written : ended;
}

bool HasLed(std::uint8_t led) { return led < kLedIndexLimit; }

ColourImage ColourImageOf(const KeyMaps& maps, std::span<const Rgba> pageColours, bool scaleByAlpha) {
    ColourImage image{};
    const std::size_t keys = std::min(pageColours.size(), kPageKeyCount);
    const auto scaled = [scaleByAlpha](std::uint8_t value, std::uint8_t alpha) {
        return scaleByAlpha ? static_cast<std::uint8_t>((value * alpha) >> 8) : value;
    };
    for (std::size_t j = 0; j < keys; ++j) {
        if (!HasLed(maps.led[j])) continue;
        const Rgba& c = pageColours[j];
        const std::size_t at = std::size_t{maps.led[j]} * 3;
        image[at] = scaled(c.red, c.alpha);
        image[at + 1] = scaled(c.green, c.alpha);
        image[at + 2] = scaled(c.blue, c.alpha);
    }
    return image;
}

}  // namespace

int ClampKeyboardSettings(KeyboardSettings& s) {
    struct Range {
        const char* name;
        std::uint8_t KeyboardSettings::*field;
        std::uint8_t highest;
    };
    static constexpr Range kRanges[] = {
        {"mode code", &KeyboardSettings::modeCode, kHostRenderedModeCode},
        {"brightness", &KeyboardSettings::brightness, kMaxBrightness},
        {"speed", &KeyboardSettings::speed, kMaxSpeed},
        {"multi-colour", &KeyboardSettings::multiColor, 1},
        {"W flag", &KeyboardSettings::wFlag, 1},
        {"6-key flag", &KeyboardSettings::key6Flag, 1},
        {"Win lock", &KeyboardSettings::winFlag, 1},
        {"polling rate", &KeyboardSettings::pollingRate, kMaxPollingRateCode},
    };
    int clamped = 0;
    for (const Range& range : kRanges) {
        std::uint8_t& value = s.*range.field;
        if (value <= range.highest) continue;
        DebugTraceF("keyboard settings: %s %u out of range, %u written", range.name, value, range.highest);
        value = range.highest;
        ++clamped;
    }
    return clamped;
}

KeyboardSettingsRecord BuildKeyboardSettingsRecord(const KeyboardSettings& s) {
    using namespace record;
    KeyboardSettingsRecord r{};
    const bool hostRendered = s.modeCode == kMusicModeCode || s.modeCode == kHostRenderedModeCode;
    r[kMode] = hostRendered ? kHostRenderedModeByte : s.modeCode;
    r[kBrightness] = s.brightness;
    r[kSpeed] = static_cast<std::uint8_t>(kMaxSpeed - std::min(s.speed, kMaxSpeed));
    r[kFx] = s.fx;
    r[kMultiColor] = s.multiColor;
    r[kRed] = s.red;
    r[kGreen] = s.green;
    r[kBlue] = s.blue;
    r[kZzccLedMode] = s.zzccLedMode;
    r[kWFlag] = s.wFlag;
    r[kKey6Flag] = s.key6Flag;
    r[kWinFlag] = s.winFlag;
    r[kPollingRate] = s.pollingRate;
    r[kLogoMode] = s.logoMode;
    r[kLogoModeCol] = s.logoModeCol;
    return r;
}

KeyboardSettings DecodeKeyboardSettingsRecord(const KeyboardSettingsRecord& r) {
    using namespace record;
    KeyboardSettings s;
    s.modeCode = r[kMode];
    s.brightness = r[kBrightness];
    s.speed = static_cast<std::uint8_t>(kMaxSpeed - std::min(r[kSpeed], kMaxSpeed));
    s.fx = r[kFx];
    s.multiColor = r[kMultiColor];
    s.red = r[kRed];
    s.green = r[kGreen];
    s.blue = r[kBlue];
    s.zzccLedMode = r[kZzccLedMode];
    s.wFlag = r[kWFlag];
    s.key6Flag = r[kKey6Flag];
    s.winFlag = r[kWinFlag];
    s.pollingRate = r[kPollingRate];
    s.logoMode = r[kLogoMode];
    s.logoModeCol = r[kLogoModeCol];
    return s;
}

int ModeIndexFromCode(std::span<const int> modeCodes, int code) {
    const auto found = std::find(modeCodes.begin(), modeCodes.end(), code);
    return found == modeCodes.end() ? code : static_cast<int>(found - modeCodes.begin());
}

int ReadBackKeyboard(CDeviceChannel& channel, KeyboardMemory& memory) {
    if (!channel.IsConnected()) return kResultFailed;
    KeyboardMemory fresh = memory;
    const int result = Bracketed(channel, [&] {
        int r = channel.ReadDeviceInfo(fresh.info);
        if (r != kResultOk) return r;
        if (fresh.Positions() > kMaxKeyPositions || !channel.SetDataSize(fresh.Positions() * 3))
            return int{kResultFailed};
        if ((r = channel.ReadKeyTable(fresh.keyTable)) != kResultOk) return r;
        return channel.ReadLedMap(fresh.ledMap);
    });
    if (result != kResultOk) return result;
    fresh.maps = BuildKeyMaps(fresh.keyTable, fresh.ledMap, fresh.Positions());
    memory = fresh;
    return kResultOk;
}

int ReadKeyboardSettings(CDeviceChannel& channel, KeyboardSettingsReadBack& out) {
    if (!channel.IsConnected()) return kResultFailed;
    std::uint8_t index = 0;
    int r = channel.ReadSettings(0, {&index, 1});
    if (r != kResultOk) return r;
    KeyboardSettingsRecord record{};
    r = channel.ReadSettings(static_cast<std::uint16_t>(index * kKeyboardRecordSize), record);
    if (r != kResultOk) return r;
    out.activeIndex = index;
    out.record = record;
    return kResultOk;
}

int WriteKeyboardSettings(CDeviceChannel& channel, const KeyboardSettings& settings, int recordIndex,
                          std::uint8_t recordByte0) {
    if (!channel.IsConnected() || recordIndex < 0 || recordIndex > 255) return kResultFailed;
    KeyboardSettingsRecord record = BuildKeyboardSettingsRecord(settings);
    record[0] = recordByte0;
    const auto offset = static_cast<std::uint16_t>(recordIndex * kKeyboardRecordSize);
    return Bracketed(channel, [&] { return channel.WriteSettings(offset, record); });
}

std::vector<int> CollectUsedMacros(const KeyMaps& maps, std::span<const std::uint32_t> assignments,
                                   std::size_t macroCount) {
    std::vector<int> used;
    const std::size_t keys = std::min(assignments.size(), kPageKeyCount);
    for (std::size_t j = 0; j < keys; ++j) {
        const KeyCode code = KeyCode::FromAssignment(assignments[j]);
        if (maps.position[j] == kNoKeyPosition || !IsMacroType(code.type) || code.code1 >= macroCount) continue;
        if (std::find(used.begin(), used.end(), code.code1) == used.end()) used.push_back(code.code1);
    }
    return used;
}

void PlaceKeyAssignments(std::span<std::uint8_t> image, std::span<const std::uint8_t> positionOfKey, std::size_t positions,
                         std::span<std::uint32_t> assignments, std::span<const KeyCode> defaults, std::size_t macroCount) {
    std::vector<int> slots;
    const std::size_t keys = std::min({assignments.size(), positionOfKey.size(), defaults.size()});
    for (std::size_t j = 0; j < keys; ++j) {
        const std::uint8_t position = positionOfKey[j];
        if (position == kNoKeyPosition || position >= positions || std::size_t{position} * 3 + 2 >= image.size()) continue;
        KeyCode code = KeyCode::FromAssignment(assignments[j]);
        if (IsMacroType(code.type)) {
            if (code.code1 < macroCount) {
                auto found = std::find(slots.begin(), slots.end(), code.code1);
                if (found == slots.end()) found = slots.insert(slots.end(), code.code1);
                code.code1 = static_cast<std::uint8_t>(found - slots.begin());
            } else {
                code = defaults[j];
                assignments[j] = code.Assignment();
            }
        }
        const std::size_t at = std::size_t{position} * 3;
        image[at] = code.type;
        image[at + 1] = code.code1;
        image[at + 2] = code.code2;
    }
}

int WriteKeyboardKeyTable(CDeviceChannel& channel, KeyboardMemory& memory, std::span<std::uint32_t> assignments,
                          std::size_t macroCount, int bank) {
    if (!channel.IsConnected()) return kResultFailed;
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    int r = channel.ReadDeviceInfo(info);
    if (r != kResultOk) return r;
    memory.info = info;
    const std::size_t positions = memory.Positions();
    if (positions > kMaxKeyPositions || !channel.SetDataSize(positions * 3)) return kResultFailed;

    std::array<std::uint8_t, kMaxDataSize> image = memory.keyTable;
    PlaceKeyAssignments(image, memory.maps.position, positions, assignments, DefaultKeyCodes(), macroCount);
    r = Bracketed(channel, [&] { return channel.WriteKeyTable(bank, image); });
    if (r == kResultOk) memory.keyTable = image;
    return r;
}

std::size_t MacroImageSize(std::span<const MacroEventList> macros) {
    std::size_t events = 0;
    for (const MacroEventList& m : macros) events += m.size();
    return kMacroHeaderSize + (2 + kMacroBlockHeaderSize) * macros.size() + kMacroEventSize * events;
}

int BuildMacroImage(std::span<const MacroEventList> macros, std::size_t capacity, std::vector<std::uint8_t>& image) {
    const std::size_t total = MacroImageSize(macros);
    if (total > capacity) return static_cast<int>((total - capacity) / kMacroEventSize) + 1;
    try {
        image.assign(total, 0);
    } catch (const std::bad_alloc&) {
        return kResultWriteFailed;
    }
    PutLe16(image, 0, kMacroMagic);
    PutLe16(image, 2, total);
    PutLe16(image, 4, macros.size());
    std::size_t block = kMacroHeaderSize + 2 * macros.size();
    for (std::size_t m = 0; m < macros.size(); ++m) {
        PutLe16(image, kMacroHeaderSize + 2 * m, block);
        PutLe16(image, block, macros[m].size());
        std::size_t at = block + kMacroBlockHeaderSize;
        for (const MacroEvent& e : macros[m]) {
            PutLe16(image, at, e.delay);
            image[at + 2] = static_cast<std::uint8_t>((e.type & 0x7F) | (e.down ? 0x80 : 0));
            image[at + 3] = e.button;
            at += kMacroEventSize;
        }
        block = at;
    }
    return 0;
}

int WriteKeyboardMacroImage(CDeviceChannel& channel, const KeyboardMemory& memory,
                            std::span<const MacroEventList> macros) {
    if (macros.empty()) return 0;
    std::vector<std::uint8_t> image;
    const int built = BuildMacroImage(macros, memory.MacroCapacity(), image);
    if (built != 0 || !channel.IsConnected()) return built;
    const int r = Bracketed(channel, [&] { return channel.WriteMacroImage(image); });
    // A transfer that failed without a code of its own is reported as a failed write.
    return r == kResultOk ? 0 : r < 0 ? r : int{kResultWriteFailed};
}

ColourImage BuildLedColourImage(const KeyMaps& maps, std::span<const Rgba> pageColours) {
    return ColourImageOf(maps, pageColours, false);
}

void ApplyLedColourImage(const KeyMaps& maps, const ColourImage& image, std::span<Rgba> pageColours) {
    const std::size_t keys = std::min(pageColours.size(), kPageKeyCount);
    for (std::size_t j = 0; j < keys; ++j) {
        if (!HasLed(maps.led[j])) continue;
        const std::size_t at = std::size_t{maps.led[j]} * 3;
        pageColours[j] = {image[at], image[at + 1], image[at + 2], 0xFF};
    }
}

int WriteLedColourImage(CDeviceChannel& channel, std::size_t positions, const ColourImage& image) {
    if (positions > kMaxKeyPositions) return kResultFailed;
    return channel.WriteLedColours(0, std::span(image).first(positions * 3));
}

int ReadLedColourImage(CDeviceChannel& channel, std::size_t positions, ColourImage& image) {
    if (positions > kMaxKeyPositions) return kResultFailed;
    ColourImage read = image;
    const int r = channel.ReadLedColours(0, std::span(read).first(positions * 3));
    if (r == kResultOk) image = read;
    return r;
}

ColourImage BuildStreamFrame(const KeyMaps& maps, std::span<const Rgba> pageColours) {
    return ColourImageOf(maps, pageColours, true);
}

int SendKeyboardStreamFrame(CDeviceChannel& channel, std::size_t positions, int modeCode, const ColourImage& frame) {
    const bool hostRendered = modeCode == kMusicModeCode || modeCode == kHostRenderedModeCode;
    if (!hostRendered || channel.IsWirelessMode()) return kResultOk;
    if (positions > kMaxKeyPositions) return kResultFailed;
    return channel.StreamLedColours(std::span(frame).first(positions * 3));
}

}  // namespace kx58
