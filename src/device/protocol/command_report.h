#pragma once
// The 64-byte report of the command protocol, its commands and result codes.
//
//   0      report id 0x04
//   1..2   checksum: low 16 bits of the sum of bytes 3..63
//   3      command (echoed by the reply)
//   4      payload length of this chunk
//   5..6   offset of the chunk inside the command's memory area
//   7      0 in a request; status in a reply (0xFF and 0xFE are errors)
//   8..63  payload
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kx58 {

inline constexpr std::size_t kCommandReportSize = 64;
inline constexpr std::uint8_t kCommandReportId = 0x04;
inline constexpr std::size_t kCommandPayloadOffset = 8;
inline constexpr std::size_t kCommandPayloadSize = 56;

using CommandReport = std::array<std::uint8_t, kCommandReportSize>;

enum DeviceCommand : std::uint8_t {
    kCmdBeginWrite = 0x01,
    kCmdEndWrite = 0x02,
    kCmdReadDeviceInfo = 0x03,
    kCmdReadSettings = 0x05,
    kCmdWriteSettings = 0x06,
    kCmdReadKeyTable = 0x07,
    kCmdWriteKeyTable = 0x09,
    kCmdReadLedColours = 0x0A,
    kCmdWriteLedColours = 0x0B,
    kCmdStreamLedColours = 0x12,
    kCmdWriteMacroImage = 0x15,
    kCmdWriteShootImage = 0x17,
    kCmdReadBlock = 0x1A,
    kCmdReadLedMap = 0x1B,
    kCmdEnableHostLighting = 0x1C,
    kCmdQueryWirelessLink = 0xAA,
};

// Reply status bytes that mean failure.
inline constexpr std::uint8_t kStatusRejected = 0xFF;
inline constexpr std::uint8_t kStatusFailed = 0xFE;
// What a receiver answers in place of the command when its device is out of reach.
inline constexpr std::uint8_t kReceiverUnreachable = 0xAA;

// Result codes of the device operations.
enum DeviceResult : int {
    kResultOk = 1,
    kResultFailed = 0,          // refused (not connected) or the read failed
    kResultWriteFailed = -1,    // the write failed; out of memory for the macro write
    kResultUnreachable = -101,  // the receiver cannot reach its device
    kResultStatusRejected = -102,
    kResultStatusFailed = -103,
    kResultBadBank = -201,
};

namespace report_field {
inline constexpr std::size_t kId = 0;
inline constexpr std::size_t kChecksum = 1;
inline constexpr std::size_t kCommand = 3;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kOffset = 5;
inline constexpr std::size_t kStatus = 7;
}  // namespace report_field

// Low 16 bits of the sum of bytes 3..63.
std::uint16_t ReportChecksum(const CommandReport& report);
// Puts the checksum into bytes 1..2; call after every other byte is in place.
void StampChecksum(CommandReport& report);
bool ChecksumMatches(const CommandReport& report);

// A request: id, command, length, offset, payload (cut to 56 bytes), checksum.
CommandReport MakeCommandReport(std::uint8_t command, std::uint16_t offset = 0,
                                std::span<const std::uint8_t> payload = {});
// Copies up to 64 bytes; a shorter source is zero-filled.
CommandReport ReportFromBytes(std::span<const std::uint8_t> bytes);

std::uint16_t ReportOffset(const CommandReport& report);

// Two lines of 32 bytes each, grouped by four, as the command traces show them.
std::string FormatReportHex(const CommandReport& report);

}  // namespace kx58
