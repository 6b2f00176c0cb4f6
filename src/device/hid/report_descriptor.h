#pragma once
// Our own HID report descriptor parser: splits an interface's descriptor into its top-level
// collections with their usages, report ids, report lengths and the fields that input
// decoding needs. It reads only inside the given bytes and bounds every table it builds, so
// any byte string is safe to hand it.
#include <cstdint>
#include <span>
#include <vector>

namespace kx58 {

enum class HidReportType : std::uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr int kHidReportTypeCount = 3;

// A run of consecutive extended usages (usage page in the high 16 bits).
struct HidUsageSpan {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

// One data main item (constant padding is not kept).
struct HidField {
    HidReportType type = HidReportType::Input;
    std::uint8_t reportId = 0;
    std::uint16_t linkCollection = 0;  // 0 = the top-level collection itself
    bool isArray = false;              // elements are indexes into the usages
    bool isButton = false;             // arrays and one-bit variables
    std::uint32_t bitOffset = 0;       // from the first data byte (after the report id)
    std::uint32_t bitSize = 0;
    std::uint32_t reportCount = 0;
    std::int64_t logicalMin = 0;
    std::int64_t logicalMax = 0;
    std::int64_t physicalMin = 0;  // both 0: the logical range applies
    std::int64_t physicalMax = 0;
    std::vector<HidUsageSpan> usages;  // in declaration order

    // Extended usage of element `index` (variables) or of array index `index`; the last
    // declared usage repeats past the end. 0 when the field declares none.
    std::uint32_t UsageAt(std::uint32_t index) const;
    std::uint32_t UsageCount() const;
};

struct HidTopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t linkCollectionCount = 1;
    // Report ids used per report type, sorted, without duplicates (empty: no reports of
    // that type; {0} when the interface does not number its reports).
    std::vector<std::uint8_t> reportIds[kHidReportTypeCount];
    // Longest report per type in bytes, report id byte included (0 when none).
    std::uint16_t reportByteLength[kHidReportTypeCount] = {0, 0, 0};
    std::vector<HidField> fields;

    bool HasReportId(HidReportType type, std::uint8_t id) const;
};

struct HidReportDescriptor {
    bool usesReportIds = false;
    std::vector<HidTopLevelCollection> collections;
};

// Parses the whole descriptor. False on a malformed descriptor (unbalanced collections,
// truncated items, sizes past the limits); `out` then holds no collections.
bool ParseReportDescriptor(std::span<const std::uint8_t> bytes, HidReportDescriptor& out);

}  // namespace kx58
