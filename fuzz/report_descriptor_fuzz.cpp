// libFuzzer target: any byte string as a report descriptor, then the tail of the input as a
// report decoded against every collection it produced. Must never crash or read outside.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/hid/hid_usage_table.h"
#include "device/hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte splits the input into descriptor and report.
    if (size == 0) return 0;
    const std::size_t split = std::min<std::size_t>(size - 1, data[0] * 4u);
    const std::span<const std::uint8_t> descriptor(data + 1, size - 1 - split);
    const std::span<const std::uint8_t> report(data + size - split, split);
    kx58::HidReportDescriptor parsed;
    if (!kx58::ParseReportDescriptor(descriptor, parsed)) return 0;
    for (const kx58::HidTopLevelCollection& collection : parsed.collections) {
        for (int type = 0; type < kx58::kHidReportTypeCount; ++type) {
            std::vector<kx58::HidUsageEntry> table =
                kx58::BuildUsageTable(collection, static_cast<kx58::HidReportType>(type));
            kx58::DecodeReport(collection, table, report);
        }
        for (const kx58::HidField& field : collection.fields) field.UsageAt(field.UsageCount());
    }
    return 0;
}
