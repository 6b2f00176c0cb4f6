#include "device/hid/hid_usage_table.h"

#include <algorithm>

namespace kx58 {
namespace {

// Limits the table a hostile descriptor can make us build.
constexpr std::size_t kMaxEntries = 4096;
constexpr std::uint32_t kMaxUsageList = 4096;

std::uint16_t PageOf(std::uint32_t extended) { return static_cast<std::uint16_t>(extended >> 16); }
std::uint16_t IdOf(std::uint32_t extended) { return static_cast<std::uint16_t>(extended); }

HidUsageEntry ButtonEntry(const HidField& field, std::uint32_t fieldIndex) {
    HidUsageEntry e;
    e.reportId = field.reportId;
    e.linkCollection = field.linkCollection;
    e.isButton = true;
    e.fieldIndex = fieldIndex;
    std::uint32_t lo = 0xFFFFFFFFu, hi = 0;
    for (const HidUsageSpan& s : field.usages) {
        lo = std::min(lo, s.first);
        hi = std::max(hi, s.last);
    }
    if (field.usages.empty()) lo = hi = 0;
    e.usagePage = PageOf(lo);
    e.usage = IdOf(lo);
    e.usageMax = PageOf(hi) == e.usagePage ? IdOf(hi) : 0xFFFF;
    e.usageList.assign(std::min(field.reportCount, kMaxUsageList), 0);
    return e;
}

HidUsageEntry ValueEntry(const HidField& field, std::uint32_t fieldIndex, std::uint32_t element) {
    HidUsageEntry e;
    e.reportId = field.reportId;
    e.linkCollection = field.linkCollection;
    e.fieldIndex = fieldIndex;
    e.element = element;
    const std::uint32_t usage = field.UsageAt(element);
    e.usagePage = PageOf(usage);
    e.usage = IdOf(usage);
    e.usageMax = e.usage;
    return e;
}

std::int64_t SignExtend(std::uint32_t raw, std::uint32_t bits) {
    if (bits == 0 || bits >= 32) return static_cast<std::int32_t>(raw);
    const std::uint32_t sign = 1u << (bits - 1);
    return static_cast<std::int64_t>(raw ^ sign) - static_cast<std::int64_t>(sign);
}

void AddPressed(HidUsageEntry& e, std::uint32_t usage) {
    if (PageOf(usage) != e.usagePage) return;
    const std::uint16_t id = IdOf(usage);
    if (id == 0 || id < e.usage || id > e.usageMax) return;  // keep only the entry's range
    if (e.listLength < e.usageList.size()) e.usageList[e.listLength++] = id;
}

bool DecodeButtons(const HidField& f, HidUsageEntry& e, std::span<const std::uint8_t> data) {
    std::fill(e.usageList.begin(), e.usageList.end(), 0);
    e.listLength = 0;
    const std::uint32_t count = std::min(f.reportCount, kMaxUsageList);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t raw = 0;
        const std::uint32_t bits = std::min<std::uint32_t>(f.bitSize, 32);
        if (!ExtractBits(data, std::uint64_t{f.bitOffset} + std::uint64_t{i} * f.bitSize, bits, raw)) {
            e.status = HidStatus::ReportTooShort;
            return false;
        }
        if (!f.isArray) {
            if (raw != 0) AddPressed(e, f.UsageAt(i));
            continue;
        }
        const std::int64_t index = f.logicalMin < 0 ? SignExtend(raw, bits) : std::int64_t{raw};
        if (index < f.logicalMin || index > f.logicalMax) continue;  // empty slot
        const std::uint64_t offset = static_cast<std::uint64_t>(index - f.logicalMin);
        if (offset < f.UsageCount()) AddPressed(e, f.UsageAt(static_cast<std::uint32_t>(offset)));
    }
    e.status = HidStatus::Success;
    return true;
}

bool DecodeValue(const HidField& f, HidUsageEntry& e, std::span<const std::uint8_t> data) {
    std::uint32_t raw = 0;
    if (!ExtractBits(data, std::uint64_t{f.bitOffset} + std::uint64_t{e.element} * f.bitSize, f.bitSize, raw)) {
        e.status = HidStatus::ReportTooShort;
        return false;
    }
    e.rawValue = raw;
    const std::int64_t logical = f.logicalMin < 0 ? SignExtend(raw, f.bitSize) : std::int64_t{raw};
    if (logical < f.logicalMin || logical > f.logicalMax) {
        e.status = HidStatus::ValueOutOfRange;
        return true;
    }
    const bool physical = !(f.physicalMin == 0 && f.physicalMax == 0) && f.logicalMax != f.logicalMin;
    std::int64_t scaled = logical;
    if (physical)
        scaled = f.physicalMin + (logical - f.logicalMin) * (f.physicalMax - f.physicalMin) /
                                     (f.logicalMax - f.logicalMin);
    e.scaledValue = static_cast<std::int32_t>(std::clamp<std::int64_t>(scaled, INT32_MIN, INT32_MAX));
    e.status = HidStatus::Success;
    return true;
}

}  // namespace

bool ExtractBits(std::span<const std::uint8_t> data, std::uint64_t bitOffset, std::uint32_t bitSize,
                 std::uint32_t& value) {
    value = 0;
    if (bitSize > 32 || bitOffset + bitSize > std::uint64_t{data.size()} * 8) return false;
    for (std::uint32_t i = 0; i < bitSize; ++i) {
        const std::uint64_t bit = bitOffset + i;
        if ((data[bit / 8] >> (bit % 8)) & 1) value |= 1u << i;
    }
    return true;
}

std::vector<HidUsageEntry> BuildUsageTable(const HidTopLevelCollection& collection, HidReportType type) {
    std::vector<HidUsageEntry> table;
    for (std::uint32_t i = 0; i < collection.fields.size() && table.size() < kMaxEntries; ++i) {
        const HidField& f = collection.fields[i];
        if (f.type != type) continue;
        if (f.isButton) {
            table.push_back(ButtonEntry(f, i));
            continue;
        }
        if (f.bitSize > 32) continue;  // byte buffers are not single values
        for (std::uint32_t k = 0; k < f.reportCount && table.size() < kMaxEntries; ++k)
            table.push_back(ValueEntry(f, i, k));
    }
    return table;
}

bool DecodeReport(const HidTopLevelCollection& collection, std::vector<HidUsageEntry>& table,
                  std::span<const std::uint8_t> report) {
    if (report.empty()) return false;
    const std::span<const std::uint8_t> data = report.subspan(1);
    for (HidUsageEntry& e : table) {
        if (e.reportId != report[0] || e.fieldIndex >= collection.fields.size()) continue;
        const HidField& f = collection.fields[e.fieldIndex];
        const bool ok = e.isButton ? DecodeButtons(f, e, data) : DecodeValue(f, e, data);
        if (!ok) return false;
        e.updated = true;
    }
    return true;
}

}  // namespace kx58
