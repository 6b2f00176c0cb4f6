#include "device/protocol/mouse_protocol.h"

#include <algorithm>

#include "platform/debug_trace.h"

namespace kx58 {
namespace {

std::uint16_t Le16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)); }

bool Reachable(CDeviceChannel& channel) { return channel.IsConnected() && channel.QueryWirelessLink(); }

constexpr std::uint8_t kMaxSpeed = 4;
constexpr std::uint8_t kMaxBrightness = 4;
constexpr int kLinearSteps = 48;  // the two-segment sensor's steps that follow the linear rule
constexpr int kUpperSegmentDpiPerStep = 200;

void PutLe16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

bool TwoSegments(const MouseDpiModel& model) { return model.sensorId == kTwoSegmentSensor; }
int SegmentBoundaryDpi(const MouseDpiModel& model) { return model.dpiAtStepZero + kLinearSteps * model.dpiPerStep; }

// Through the receiver every step of a write waits for a link query; a cable always passes.
template <typename Write>
int LinkCheckedWrite(CDeviceChannel& channel, Write write) {
    if (!channel.IsConnected() || !channel.QueryWirelessLink()) return kResultFailed;
    const int begun = channel.BeginWrite();
    if (begun != kResultOk) return begun;
    const int written = channel.QueryWirelessLink() ? write() : int{kResultFailed};
    const int ended = channel.QueryWirelessLink() ? channel.EndWrite() : int{kResultFailed};
    return written != kResultOk ? written : ended;
}

template <typename T>
void ClampField(T& value, T highest, const char* what, int& changes) {
    if (value <= highest) return;
    DebugTraceF("mouse: %s %d above %d", what, static_cast<int>(value), static_cast<int>(highest));
    value = highest;
    ++changes;
}

}  // namespace

int DpiOfStep(const MouseDpiModel& model, int step) {
    if (TwoSegments(model) && step > kLinearSteps)
        return SegmentBoundaryDpi(model) + (step - kLinearSteps) * kUpperSegmentDpiPerStep;
    return model.dpiAtStepZero + step * model.dpiPerStep;
}

int StepOfDpi(const MouseDpiModel& model, int dpi) {
    dpi = std::max(dpi, int{model.dpiAtStepZero});
    int step = 0;
    if (TwoSegments(model) && dpi > SegmentBoundaryDpi(model))
        step = kLinearSteps + (dpi - SegmentBoundaryDpi(model)) / kUpperSegmentDpiPerStep;
    else if (model.dpiPerStep > 0)
        step = (dpi - model.dpiAtStepZero) / model.dpiPerStep;
    return std::min(step, int{model.highestStep});
}

int HighestDpi(const MouseDpiModel& model) { return DpiOfStep(model, model.highestStep); }

int NormaliseMouseRecord(MouseRecordFields& fields, const MouseDpiModel& model) {
    int changes = 0;
    ClampField(fields.brightness, kMaxBrightness, "brightness", changes);
    ClampField(fields.speed, kMaxSpeed, "speed", changes);
    if (fields.stages.size() > kMouseDpiStageCount) fields.stages.resize(kMouseDpiStageCount);
    for (MouseDpiStage& stage : fields.stages) {
        ClampField(stage.stepX, model.highestStep, "DPI step", changes);
        ClampField(stage.stepY, model.highestStep, "DPI step", changes);
    }
    if (fields.stages.empty()) return changes;
    const auto enabled = [&](std::size_t n) { return n < fields.stages.size() && fields.stages[n].active != 0; };
    if (std::none_of(fields.stages.begin(), fields.stages.end(), [](const MouseDpiStage& s) { return s.active != 0; })) {
        DebugTrace("mouse: no DPI stage enabled, stage 0 is");
        fields.stages[0].active = 1;
        ++changes;
    }
    if (!enabled(fields.activeDpiStage)) {
        std::size_t first = 0;
        while (!enabled(first)) ++first;
        DebugTraceF("mouse: DPI stage %d is not enabled, %d is used", fields.activeDpiStage, static_cast<int>(first));
        fields.activeDpiStage = static_cast<std::uint8_t>(first);
        ++changes;
    }
    return changes;
}

std::array<std::uint8_t, kMouseRecordWriteSize> BuildMouseSettingsRecord(const MouseRecordFields& f,
                                                                         std::uint8_t recordByte0, std::uint8_t byte59) {
    std::array<std::uint8_t, kMouseRecordWriteSize> r{};
    r[0] = recordByte0;
    r[1] = f.modeCode;
    r[2] = f.brightness;
    r[3] = static_cast<std::uint8_t>(kMaxSpeed - std::min(f.speed, kMaxSpeed));
    r[4] = f.fx;
    r[5] = f.multiColor;
    r[6] = f.red;
    r[7] = f.green;
    r[8] = f.blue;
    r[11] = f.reportRate;
    r[12] = f.activeDpiStage;
    for (std::size_t n = 0; n < std::min(f.stages.size(), kMouseDpiStageCount); ++n) {
        const MouseDpiStage& stage = f.stages[n];
        const std::size_t at = 14 + 9 * n;
        r[at] = stage.active;
        r[at + 1] = stage.separateXY;
        PutLe16(r, at + 2, stage.stepX);
        PutLe16(r, at + 4, stage.stepY);
        r[at + 6] = stage.red;
        r[at + 7] = stage.green;
        r[at + 8] = stage.blue;
    }
    r[59] = byte59;
    PutLe16(r, 60, f.screenWidth);
    PutLe16(r, 62, f.screenHeight);
    r[64] = f.correctMinSq;
    r[65] = f.correctPixThresh;
    return r;
}

MouseDpiModel DpiModelFromInfo(const std::array<std::uint8_t, kDeviceInfoSize>& info) {
    return {Le16(&info[9]), info[11], Le16(&info[12]), Le16(&info[14])};
}

MouseSettings MouseSettingsReadBack::Decoded() const {
    const auto& r = record;
    return {r[1], r[2], static_cast<std::uint8_t>(kMaxSpeed - std::min(r[3], kMaxSpeed)), r[5], r[6], r[7], r[8],
            r[12]};
}

int ReadBackMouse(CDeviceChannel& channel, MouseMemory& memory) {
    if (!Reachable(channel)) return kResultFailed;
    MouseMemory fresh = memory;
    int r = channel.BeginWrite();
    if (r != kResultOk) return r;
    r = channel.ReadDeviceInfo(fresh.info);
    if (r == kResultOk && (fresh.Buttons() > kMaxKeyPositions || !channel.SetDataSize(fresh.Buttons() * 3)))
        r = kResultFailed;
    if (r == kResultOk) r = channel.ReadKeyTable(fresh.keyTable);
    const int ended = channel.EndWrite();
    if (r != kResultOk) return r;
    if (ended != kResultOk) return ended;
    fresh.buttonMap = BuildButtonMap(fresh.keyTable, fresh.Buttons());
    memory = fresh;
    return kResultOk;
}

int ReadMouseSettings(CDeviceChannel& channel, MouseSettingsReadBack& out) {
    if (!Reachable(channel)) return kResultFailed;
    std::uint8_t index = 0;
    int r = channel.ReadSettings(0, {&index, 1});
    if (r != kResultOk) return r;
    std::array<std::uint8_t, kMouseRecordReadSize> record{};
    r = channel.ReadSettings(static_cast<std::uint16_t>(index * kMouseRecordStride), record);
    if (r != kResultOk) return r;
    out.activeIndex = index;
    out.record = record;
    return kResultOk;
}

int WriteMouseSettings(CDeviceChannel& channel, const std::array<std::uint8_t, kMouseRecordWriteSize>& record,
                       int recordIndex) {
    const auto offset = static_cast<std::uint16_t>(std::clamp(recordIndex, 0, 255) * kMouseRecordStride);
    return LinkCheckedWrite(channel, [&] { return channel.WriteSettings(offset, record); });
}

int WriteMouseKeyTable(CDeviceChannel& channel, MouseMemory& memory, std::span<std::uint32_t> assignments,
                       std::size_t macroCount) {
    if (!Reachable(channel)) return kResultFailed;
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    int r = channel.ReadDeviceInfo(info);
    if (r != kResultOk) return r;
    memory.info = info;
    const std::size_t buttons = memory.Buttons();
    if (buttons > kMaxKeyPositions || !channel.SetDataSize(buttons * 3)) return kResultFailed;
    std::array<std::uint8_t, kMaxDataSize> image = memory.keyTable;
    PlaceKeyAssignments(image, memory.buttonMap, buttons, assignments, DefaultMouseButtonCodes(), macroCount);
    r = LinkCheckedWrite(channel, [&] { return channel.WriteKeyTable(0, image); });
    if (r == kResultOk) memory.keyTable = image;
    return r;
}

int WriteMouseMacroImage(CDeviceChannel& channel, const MouseMemory& memory, std::span<const MacroEventList> macros) {
    if (macros.empty()) return 0;
    std::vector<std::uint8_t> image;
    const int built = BuildMacroImage(macros, memory.MacroCapacity(), image);
    if (built != 0 || !channel.IsConnected()) return built;
    const int r = LinkCheckedWrite(channel, [&] { return channel.WriteMacroImage(image); });
    return r == kResultOk ? 0 : r < 0 ? r : int{kResultWriteFailed};
}

}  // namespace kx58
