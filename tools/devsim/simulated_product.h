#pragma once
// A simulated USB product: its interfaces (each with its report descriptor) and what it does
// with the output reports the host writes. Products answer on the bus thread through the
// DeviceLink they are handed; they never block there.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace devsim {

struct InterfaceSpec {
    std::uint8_t number = 0;
    std::vector<std::uint8_t> descriptor;
};

struct ProductSpec {
    std::string name;           // bus file prefix: "kb" gives kb-if1.sock, kb-if1.json
    std::string productString;  // the USB product string
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0x0100;
    std::vector<InterfaceSpec> interfaces;
};

// Where an output report was written.
struct ReportTarget {
    std::uint8_t interfaceNumber = 0;
    std::uint16_t collection = 0;  // 1-based in descriptor order
    std::string path;              // the host's path of that collection
};

// The product's side of the bus, valid during the call it is handed to.
class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Sends an input report (report id first) to every host connection of the interface.
    // False when no collection declares the report id.
    virtual bool SendInput(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) = 0;
    // Unplugs this product once the current call returns.
    virtual void RequestUnplug() = 0;
};

class SimulatedProduct {
public:
    explicit SimulatedProduct(ProductSpec spec) : spec_(std::move(spec)) {}
    virtual ~SimulatedProduct() = default;
    const ProductSpec& Spec() const { return spec_; }

    // One output report from the host. The default echoes it back as an input report.
    virtual void OnOutputReport(DeviceLink& link, const ReportTarget& target, std::span<const std::uint8_t> report);

private:
    ProductSpec spec_;
};

}  // namespace devsim
