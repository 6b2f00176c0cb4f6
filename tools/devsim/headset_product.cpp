#include "devsim/headset_product.h"

namespace devsim {

namespace {
// Enough for minutes of frames; older reports are dropped first.
constexpr std::size_t kKeptReports = 12 * 1000;
}  // namespace

void HeadsetProduct::OnOutputReport(DeviceLink&, const ReportTarget&, std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (reports_.size() >= kKeptReports) reports_.erase(reports_.begin(), reports_.begin() + kKeptReports / 2);
    reports_.emplace_back(report.begin(), report.end());
}

std::vector<std::vector<std::uint8_t>> HeadsetProduct::Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

std::size_t HeadsetProduct::ReportCount() const {
    std::lock_guard lock(mutex_);
    return reports_.size();
}

void HeadsetProduct::ClearReports() {
    std::lock_guard lock(mutex_);
    reports_.clear();
}

}  // namespace devsim
