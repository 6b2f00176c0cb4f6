#pragma once
// The virtual HID bus: a folder where each simulated interface is NAME.sock (a SOCK_SEQPACKET
// socket; one datagram = one report, report id first, as hidraw) beside NAME.json (vid, pid,
// version, interface number, product string, report descriptor in hex). The description is
// written after the socket listens, so a listed interface can always be connected to.
//
// A client opens one connection per collection and first sends a hello naming it. As on
// hidraw, every connection then gets every input report of the interface (at most 64
// unread; new ones are dropped while it is full), so the reader keeps only its own ids.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid/hid_backend.h"

namespace kx58 {

// $KX58_VHID_DIR, or the runtime folder + "vhid". No trailing '/'.
std::string VhidFolder();

// "KXVH" then the 1-based collection number (0 = the interface's only collection).
inline constexpr std::size_t kVhidHelloSize = 5;
std::vector<std::uint8_t> MakeVhidHello(std::uint16_t collection);
std::optional<std::uint16_t> ParseVhidHello(std::span<const std::uint8_t> datagram);

// The description file's text and back. `node` is not stored.
std::string EncodeVhidDescription(const HidInterfaceInfo& info);
bool DecodeVhidDescription(std::string_view text, HidInterfaceInfo& info);

// "x/kb-if1.sock" <-> "x/kb-if1.json".
std::string VhidDescriptionPathFor(const std::string& socketPath);

std::string HexEncode(std::span<const std::uint8_t> bytes);
bool HexDecode(std::string_view text, std::vector<std::uint8_t>& bytes);

}  // namespace kx58
