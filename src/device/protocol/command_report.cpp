#include "device/protocol/command_report.h"

#include <algorithm>
#include <cstdio>

namespace kx58 {

std::uint16_t ReportChecksum(const CommandReport& report) {
    std::uint32_t sum = 0;
    for (std::size_t i = report_field::kCommand; i < report.size(); ++i) sum += report[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void StampChecksum(CommandReport& report) {
    const std::uint16_t sum = ReportChecksum(report);
    report[report_field::kChecksum] = static_cast<std::uint8_t>(sum & 0xFF);
    report[report_field::kChecksum + 1] = static_cast<std::uint8_t>(sum >> 8);
}

bool ChecksumMatches(const CommandReport& report) {
    const std::uint16_t stored = static_cast<std::uint16_t>(report[report_field::kChecksum] |
                                                            (report[report_field::kChecksum + 1] << 8));
    return stored == ReportChecksum(report);
}

CommandReport MakeCommandReport(std::uint8_t command, std::uint16_t offset, std::span<const std::uint8_t> payload) {
    CommandReport report{};
    const std::size_t length = std::min(payload.size(), kCommandPayloadSize);
    report[report_field::kId] = kCommandReportId;
    report[report_field::kCommand] = command;
    report[report_field::kLength] = static_cast<std::uint8_t>(length);
    report[report_field::kOffset] = static_cast<std::uint8_t>(offset & 0xFF);
    report[report_field::kOffset + 1] = static_cast<std::uint8_t>(offset >> 8);
    std::copy_n(payload.begin(), length, report.begin() + kCommandPayloadOffset);
    StampChecksum(report);
    return report;
}

CommandReport ReportFromBytes(std::span<const std::uint8_t> bytes) {
    CommandReport report{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
    return report;
}

std::uint16_t ReportOffset(const CommandReport& report) {
    return static_cast<std::uint16_t>(report[report_field::kOffset] | (report[report_field::kOffset + 1] << 8));
}

std::string FormatReportHex(const CommandReport& report) {
    std::string text;
    char cell[8];
    for (std::size_t line = 0; line < 2; ++line) {
        if (line) text += '\n';
        for (std::size_t i = 0; i < 32; ++i) {
            // Three spaces between the first four groups of four, two between the rest.
            const char* gap = i == 0 ? "" : i % 4 != 0 ? " " : i < 16 ? "   " : "  ";
            std::snprintf(cell, sizeof cell, "%s%02x", gap, report[line * 32 + i]);
            text += cell;
        }
    }
    return text;
}

}  // namespace kx58
