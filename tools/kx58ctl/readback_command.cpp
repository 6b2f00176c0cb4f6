#include "readback_command.h"

#include <cstdio>
#include <optional>
#include <string>

#include "device/hid/collection_match.h"
#include "device/protocol/device_channel.h"
#include "device/hid/hid_device.h"
#include "device/protocol/keyboard_protocol.h"
#include "device/protocol/mouse_protocol.h"
#include "device/hid/supported_devices.h"

namespace kx58ctl {
namespace {

using namespace kx58;

struct CommandCollection {
    DeviceKind kind = DeviceKind::None;
    std::string path;
    bool IsMouse() const { return CableFormOf(kind) == DeviceKind::MouseWired; }
    bool IsWireless() const { return IsReceiver(kind); }
};

bool Wanted(DeviceKind kind, const std::string& which) {
    switch (CableFormOf(kind)) {
    case DeviceKind::KeyboardWired: return which.empty() || which == "keyboard";
    case DeviceKind::MouseWired: return which.empty() || which == "mouse";
    default: return false;
    }
}

// The first command collection of a keyboard or mouse.
std::optional<CommandCollection> FindCommandCollection(const std::string& which) {
    const DeviceTable table = SupportedDevices();
    CHidDevice hid;
    if (!hid.Enumerate()) return std::nullopt;
    while (std::optional<std::string> path = hid.NextPath()) {
        if (!PathIdsInTable(table, *path)) continue;
        const std::optional<CollectionKeys> k = ReadCollectionKeys(hid, *path);
        if (!k) continue;
        const std::optional<std::size_t> row =
            FindSupportedRow(table, k->vendorId, k->productId, k->collection, k->interfaceNumber, k->usagePage, k->usage);
        if (row && table[*row].role == kRoleCommand && Wanted(table[*row].kind, which))
            return CommandCollection{table[*row].kind, *path};
    }
    return std::nullopt;
}

void PrintBytes(const char* label, const std::uint8_t* bytes, std::size_t count) {
    std::printf("%s", label);
    for (std::size_t i = 0; i < count; ++i) std::printf("%s%02x", i % 16 == 0 && i ? "\n            " : " ", bytes[i]);
    std::printf("\n");
}

void PrintInformation(const CommandCollection& device, const std::array<std::uint8_t, kDeviceInfoSize>& info) {
    std::printf("device      %s %s\n", DeviceKindName(device.kind), device.path.c_str());
    PrintBytes("information", info.data(), info.size());
    std::printf("positions   %u\nmacro area  %u bytes\n", info[5], info[6] * 128u);
    if (!device.IsMouse()) return;
    const MouseDpiModel dpi = DpiModelFromInfo(info);
    std::printf("sensor      %u\ndpi model   %u per step, steps 0-%u, %u at step 0\n", dpi.sensorId, dpi.dpiPerStep,
                dpi.highestStep, dpi.dpiAtStepZero);
}

// Key positions with the page key (or button) whose factory code each holds.
void PrintKeyTable(const std::uint8_t* table, std::size_t positions, const std::uint8_t* leds, bool mouse) {
    std::printf("key table   position: code -> %s%s\n", mouse ? "button" : "page key", leds ? ", led" : "");
    for (std::size_t k = 0; k < positions; ++k) {
        const KeyCode code{table[k * 3], table[k * 3 + 1], table[k * 3 + 2]};
        int match = -1;
        const std::size_t rows = mouse ? kMouseButtonCount : kPageKeyCount;
        for (std::size_t j = 0; j < rows && match < 0; ++j)
            if ((mouse ? DefaultMouseButtonCodes()[j] : DefaultKeyCodes()[j]) == code) match = static_cast<int>(j);
        std::printf("  %3zu: %02x %02x %02x -> ", k, code.type, code.code1, code.code2);
        if (match < 0) std::printf("reassigned");
        else std::printf("%d", match);
        if (leds) std::printf(", led %u", leds[k]);
        std::printf("\n");
    }
}

void PrintKeyboardSettings(const KeyboardSettingsReadBack& read) {
    const KeyboardSettings s = DecodeKeyboardSettingsRecord(read.record);
    std::printf("settings    record %u\n", read.activeIndex);
    if (s.modeCode == kHostRenderedModeByte) std::printf("  mode        host rendered\n");
    else std::printf("  mode        %u\n", s.modeCode);
    std::printf("  brightness  %u\n  speed       %u\n  effect      %u\n  multicolour %u\n  colour      %u %u %u\n"
                "  zzcc led    %u\n  w flag      %u\n  6-key flag  %u\n  win lock    %u\n  polling     %u\n"
                "  logo        %u colour %u\n",
                s.brightness, s.speed, s.fx, s.multiColor, s.red, s.green, s.blue, s.zzccLedMode, s.wFlag, s.key6Flag,
                s.winFlag, s.pollingRate, s.logoMode, s.logoModeCol);
}

void PrintMouseSettings(const MouseSettingsReadBack& read) {
    const MouseSettings s = read.Decoded();
    std::printf("settings    record %u\n  mode        %u\n  brightness  %u\n  speed       %u\n  multicolour %u\n"
                "  colour      %u %u %u\n  dpi stage   %u\n",
                read.activeIndex, s.modeCode, s.brightness, s.speed, s.multiColor, s.red, s.green, s.blue,
                s.activeDpiStage);
}

int Failed(const char* what, int result) {
    std::fprintf(stderr, "kx58ctl: %s failed (result %d)\n", what, result);
    return 1;
}

int ReadbackKeyboard(CDeviceChannel& channel, const CommandCollection& device) {
    KeyboardMemory memory;
    int r = ReadBackKeyboard(channel, memory);
    if (r != kResultOk) return Failed("key table read-back", r);
    PrintInformation(device, memory.info);
    PrintKeyTable(memory.keyTable.data(), memory.Positions(), memory.ledMap.data(), false);
    KeyboardSettingsReadBack settings;
    if ((r = ReadKeyboardSettings(channel, settings)) != kResultOk) return Failed("settings read-back", r);
    PrintKeyboardSettings(settings);
    return 0;
}

int ReadbackMouse(CDeviceChannel& channel, const CommandCollection& device) {
    MouseMemory memory;
    int r = ReadBackMouse(channel, memory);
    if (r != kResultOk) return Failed("button table read-back", r);
    PrintInformation(device, memory.info);
    PrintKeyTable(memory.keyTable.data(), memory.Buttons(), nullptr, true);
    std::printf("button map  ");
    for (std::uint8_t position : memory.buttonMap) std::printf(" %u", position);
    std::printf("\n");
    MouseSettingsReadBack settings;
    if ((r = ReadMouseSettings(channel, settings)) != kResultOk) return Failed("settings read-back", r);
    PrintMouseSettings(settings);
    return 0;
}

// Opens the device's command collection; prints why when it cannot.
std::optional<CommandCollection> Open(CDeviceChannel& channel, const std::string& which) {
    const std::optional<CommandCollection> device = FindCommandCollection(which);
    if (!device) {
        std::fprintf(stderr, "kx58ctl: no %s attached\n", which.empty() ? "keyboard or mouse" : which.c_str());
        return std::nullopt;
    }
    const int mode = device->IsWireless() ? kChannelModeWireless : kChannelModeCable;
    if (!channel.Attach(device->path, mode)) {
        std::fprintf(stderr, "kx58ctl: %s cannot be opened\n", device->path.c_str());
        return std::nullopt;
    }
    if (!channel.QueryWirelessLink()) {
        std::fprintf(stderr, "kx58ctl: the receiver does not reach its device\n");
        return std::nullopt;
    }
    return device;
}

}  // namespace

int PrintDeviceInfo(const char* which) {
    CDeviceChannel channel;
    const std::optional<CommandCollection> device = Open(channel, which);
    if (!device) return 1;
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int r = channel.ReadDeviceInfo(info);
    if (r != kResultOk) return Failed("information read", r);
    PrintInformation(*device, info);
    return 0;
}

int PrintReadback(const char* which) {
    CDeviceChannel channel;
    const std::optional<CommandCollection> device = Open(channel, which);
    if (!device) return 1;
    return device->IsMouse() ? ReadbackMouse(channel, *device) : ReadbackKeyboard(channel, *device);
}

}  // namespace kx58ctl
