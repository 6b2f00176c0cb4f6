#include "device/protocol/pad_protocol.h"

#include <algorithm>

namespace kx58 {
namespace {

constexpr std::size_t kModeByte = 1;
constexpr std::size_t kSpeedByte = 3;

std::uint16_t RecordOffset(int index, std::uint16_t stride) {
    return static_cast<std::uint16_t>(std::clamp(index, 0, 255) * stride);
}

std::uint8_t InvertedSpeed(std::uint8_t value) {
    return static_cast<std::uint8_t>(kPadHighestSpeed - std::min(value, kPadHighestSpeed));
}

// A bracket that always closes once it opened.
template <typename Step>
int InWriteBracket(CDeviceChannel& channel, Step step) {
    if (!channel.IsConnected()) return kResultFailed;
    const int begun = channel.BeginWrite();
    if (begun != kResultOk) return begun;
    const int done = step();
    const int ended = channel.EndWrite();
    return done != kResultOk ? done : ended;
}

}  // namespace

std::uint16_t PadRecordReadOffset(int index) { return RecordOffset(index, kPadRecordReadStride); }
std::uint16_t PadRecordWriteOffset(int index) { return RecordOffset(index, kPadRecordWriteStride); }

PadSettingsBlock DecodePadRecord(const PadSettingsRecord& record, std::span<const int> modeCodes) {
    PadSettingsBlock block{};
    std::copy_n(record.begin(), block.size(), block.begin());
    const auto listed = std::find(modeCodes.begin(), modeCodes.end(), int{record[kModeByte]});
    if (listed != modeCodes.end()) block[kModeByte] = static_cast<std::uint8_t>(listed - modeCodes.begin());
    block[kSpeedByte] = InvertedSpeed(record[kSpeedByte]);
    return block;
}

PadSettingsBlock BuildPadRecord(const PadSettingsBlock& block, std::span<const int> modeCodes) {
    PadSettingsBlock out = block;
    const std::size_t index = block[kModeByte];
    if (index < modeCodes.size()) out[kModeByte] = static_cast<std::uint8_t>(std::clamp(modeCodes[index], 0, 255));
    out[kSpeedByte] = InvertedSpeed(block[kSpeedByte]);
    return out;
}

int ReadPadDeviceInfo(CDeviceChannel& channel, std::array<std::uint8_t, kDeviceInfoSize>& info) {
    std::array<std::uint8_t, kDeviceInfoSize> read{};
    const int result = InWriteBracket(channel, [&] { return channel.ReadDeviceInfo(read); });
    if (result == kResultOk) info = read;
    return result;
}

int ReadPadSettings(CDeviceChannel& channel, std::span<const int> modeCodes, PadSettingsReadBack& out) {
    if (!channel.IsConnected()) return kResultFailed;
    std::uint8_t index = 0;
    int r = channel.ReadSettings(0, {&index, 1});
    if (r != kResultOk) return r;
    PadSettingsRecord record{};
    r = channel.ReadSettings(PadRecordReadOffset(index), record);
    if (r != kResultOk) return r;
    out.activeIndex = index;
    out.block = DecodePadRecord(record, modeCodes);
    // Only record 0 holds the index at its byte 0; a later record's write of the block to
    // record 0 must not move the pad to another record.
    out.block[0] = index;
    return kResultOk;
}

int WritePadSettings(CDeviceChannel& channel, const PadSettingsBlock& block, std::span<const int> modeCodes,
                     int recordIndex) {
    const PadSettingsBlock record = BuildPadRecord(block, modeCodes);
    return InWriteBracket(channel, [&] { return channel.WriteSettings(PadRecordWriteOffset(recordIndex), record); });
}

}  // namespace kx58
