#include "devsim/simulated_product.h"

namespace devsim {

void SimulatedProduct::OnOutputReport(DeviceLink& link, const ReportTarget& target,
                                      std::span<const std::uint8_t> report) {
    link.SendInput(target.interfaceNumber, report);
}

}  // namespace devsim
