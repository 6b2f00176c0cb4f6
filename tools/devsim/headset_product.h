#pragma once
// The headset: its collection takes the LED frames' output reports and answers nothing. It
// keeps what it received for tests to look at.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "devsim/simulated_product.h"

namespace devsim {

class HeadsetProduct final : public SimulatedProduct {
public:
    using SimulatedProduct::SimulatedProduct;
    void OnOutputReport(DeviceLink& link, const ReportTarget& target, std::span<const std::uint8_t> report) override;

    std::vector<std::vector<std::uint8_t>> Reports() const;
    std::size_t ReportCount() const;
    void ClearReports();

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> reports_;
};

}  // namespace devsim
