#include "device/protocol/shoot_image.h"

#include <json/reader.h>
#include <json/value.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"

namespace kx58 {
namespace {

// The profile layer's document reader sits above this layer; the shoot files need only this.
Json::Value ParseShootText(const std::string& text) {
    try {
        Json::CharReaderBuilder builder;
        builder["allowComments"] = true;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return {};
        return root;
    } catch (const std::exception&) {
        return {};
    }
}

// Numbers of any size (and a delay kept as text) come out within -65536..65536, so the
// callers' clamps and masks never see an overflow.
int IntegerOf(const Json::Value& value) {
    constexpr long long kBound = 65536;
    long long number = 0;
    if (value.isInt64()) number = value.asInt64();
    else if (value.isUInt64()) number = kBound;
    else if (value.isString()) number = std::strtoll(value.asCString(), nullptr, 10);
    return static_cast<int>(std::clamp(number, -kBound, kBound));
}

MacroEvent ShootEventOf(const Json::Value& element) {
    if (!element.isObject()) return {};
    const Json::Value& action = element["Action"];
    return {.delay = static_cast<std::uint16_t>(std::clamp(IntegerOf(element["Delay"]), 0, 65535)),
            .type = static_cast<std::uint8_t>(IntegerOf(element["Type"]) & 0x7F),
            .down = action.isString() && action.asString() == "down",
            .button = static_cast<std::uint8_t>(IntegerOf(element["Button"]) & 0xFF)};
}

bool LinkUp(CDeviceChannel& channel) { return channel.IsConnected() && channel.QueryWirelessLink(); }

}  // namespace

std::string ShootFilePath(const std::string& folder, int gun) {
    return folder + "ShootData_" + std::to_string(gun) + ".Shoot";
}

MacroEventList ReadShootEvents(const std::string& folder, int gun) {
    MacroEventList events;
    const FileRead read = ReadRegularFile(ShootFilePath(folder, gun), kMaxShootFileBytes);
    if (!read.ok()) return events;
    const Json::Value document = ParseShootText(read.text);
    if (!document.isObject() || !document["Events"].isArray()) return events;
    for (const Json::Value& element : document["Events"]) {
        if (events.size() == kMaxShootEvents) break;
        events.push_back(ShootEventOf(element));
    }
    return events;
}

ShootGuns ReadShootGuns(const std::string& folder) {
    ShootGuns guns;
    for (int gun = 0; gun < kShootGunCount; ++gun) guns[static_cast<std::size_t>(gun)] = ReadShootEvents(folder, gun);
    return guns;
}

std::size_t ShootImageSize(const ShootGuns& guns) { return MacroImageSize(guns); }

int BuildShootImage(const ShootGuns& guns, std::vector<std::uint8_t>& image) {
    // Four capped guns always fit the 16-bit lengths of the format, so no capacity applies.
    return BuildMacroImage(guns, std::numeric_limits<std::size_t>::max(), image);
}

int WriteShootImage(CDeviceChannel& channel, const ShootGuns& guns) {
    if (!LinkUp(channel)) return kResultFailed;
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int read = channel.ReadDeviceInfo(info);
    if (read != kResultOk) return read;
    std::vector<std::uint8_t> image;
    if (BuildShootImage(guns, image) != 0) return kResultWriteFailed;
    if (!LinkUp(channel)) return kResultFailed;
    const int written = channel.WriteShootImage(image);
    if (written != kResultOk) DebugTraceF("shoot image not written: %d", written);
    return written;
}

int WriteShootImage(CDeviceChannel& channel, const std::string& folder) {
    return WriteShootImage(channel, ReadShootGuns(folder));
}

}  // namespace kx58
