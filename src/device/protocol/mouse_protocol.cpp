#include "device/protocol/mouse_protocol.h"

#include <algorithm>

namespace kx58 {
namespace {

std::uint16_t Le16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)); }

bool Reachable(CDeviceChannel& channel) { return channel.IsConnected() && channel.QueryWirelessLink(); }

constexpr std::uint8_t kMaxSpeed = 4;

}  // namespace

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

}  // namespace kx58
