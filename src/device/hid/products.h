#pragma once
// The products, named once for every table of the program and the simulator: their kinds
// (how an attached collection reaches the program) and their USB ids. The numbers of the
// kinds travel in device messages, profile lists and the WorkTool report; they never change.
#include <array>
#include <cstdint>

namespace kx58 {

enum class DeviceKind : std::uint16_t {
    None = 0,
    KeyboardWired = 1,
    MouseWired = 2,
    MousePad = 3,
    MouseWireless = 6,
    Headset = 7,
    KeyboardWireless = 9,
};

constexpr std::uint16_t KindNumber(DeviceKind kind) { return static_cast<std::uint16_t>(kind); }

// A product reached through its 2.4G receiver.
constexpr bool IsReceiver(DeviceKind kind) {
    return kind == DeviceKind::KeyboardWireless || kind == DeviceKind::MouseWireless;
}

// The kind of the same product by cable: a receiver shares its cable form's page and files.
constexpr DeviceKind CableFormOf(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::KeyboardWireless: return DeviceKind::KeyboardWired;
        case DeviceKind::MouseWireless: return DeviceKind::MouseWired;
        default: return kind;
    }
}

// The four products by their cable form; every product table holds a row for each.
inline constexpr std::array<DeviceKind, 4> kProductKinds = {DeviceKind::KeyboardWired, DeviceKind::MouseWired,
                                                            DeviceKind::MousePad, DeviceKind::Headset};

// Short names for listings ("keyboard", "keyboard-2.4g", ...); "unknown" otherwise.
constexpr const char* DeviceKindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::KeyboardWired: return "keyboard";
        case DeviceKind::KeyboardWireless: return "keyboard-2.4g";
        case DeviceKind::MouseWired: return "mouse";
        case DeviceKind::MouseWireless: return "mouse-2.4g";
        case DeviceKind::MousePad: return "mousepad";
        case DeviceKind::Headset: return "headset";
        default: return "unknown";
    }
}

namespace usb {
inline constexpr std::uint16_t kVendor = 0x320F;  // keyboard, mouse and mouse pad
inline constexpr std::uint16_t kKeyboard = 0x501D;
inline constexpr std::uint16_t kKeyboardReceiver = 0x5001;
inline constexpr std::uint16_t kMouse = 0x221C;
inline constexpr std::uint16_t kMouseReceiver = 0x221D;
inline constexpr std::uint16_t kMousePad = 0x1004;
inline constexpr std::uint16_t kHeadsetVendor = 0x0C76;
inline constexpr std::uint16_t kHeadset = 0x1630;

// Where the 0x320F products put their collections: interface 1, the command collection
// (vendor page) fourth, the consumer-control collection third.
inline constexpr std::uint16_t kGamingInterface = 1;
inline constexpr std::uint16_t kCommandCollection = 4;
inline constexpr std::uint16_t kConsumerCollection = 3;
inline constexpr std::uint16_t kCommandUsagePage = 0xFF1C;
inline constexpr std::uint16_t kCommandUsage = 0x0092;
inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerUsage = 0x0001;
// The headset's one collection, on interface 3.
inline constexpr std::uint16_t kHeadsetInterface = 3;
}  // namespace usb

}  // namespace kx58
