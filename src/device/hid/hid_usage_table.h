#pragma once
// The usage table of one report type of a collection, and the decoding of reports into it:
// one entry per button field (with its list of pressed usages) and one per value usage.
#include <cstdint>
#include <span>
#include <vector>

#include "device/hid/report_descriptor.h"

namespace kx58 {

enum class HidStatus : std::uint8_t {
    NotDecoded = 0,
    Success,
    ReportTooShort,   // the report ends before the field
    ValueOutOfRange,  // outside the logical range: no scaled value
};

struct HidUsageEntry {
    std::uint8_t reportId = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t linkCollection = 0;
    bool isButton = false;
    std::uint16_t usage = 0;     // the value's usage, or the lowest button usage
    std::uint16_t usageMax = 0;  // the highest button usage
    std::vector<std::uint16_t> usageList;  // buttons: pressed usages, 0-terminated when not full
    std::uint32_t listLength = 0;          // buttons: number of pressed usages
    std::uint32_t rawValue = 0;            // values: the bits as sent
    std::int32_t scaledValue = 0;          // values: in physical units
    HidStatus status = HidStatus::NotDecoded;
    bool updated = false;

    // Where the entry's bits live.
    std::uint32_t fieldIndex = 0;
    std::uint32_t element = 0;  // values: index of the element inside the field
};

// Builds the table for one report type of a collection.
std::vector<HidUsageEntry> BuildUsageTable(const HidTopLevelCollection& collection, HidReportType type);

// Decodes `report` (report id first) into every entry of that report id. False, with the
// failing entry's status set, when an entry could not be decoded.
bool DecodeReport(const HidTopLevelCollection& collection, std::vector<HidUsageEntry>& table,
                  std::span<const std::uint8_t> report);

// Reads `bitSize` (at most 32) bits at `bitOffset` of `data`, least significant first.
// False when the bits are not all inside `data`.
bool ExtractBits(std::span<const std::uint8_t> data, std::uint64_t bitOffset, std::uint32_t bitSize,
                 std::uint32_t& value);

}  // namespace kx58
