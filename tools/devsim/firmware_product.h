#pragma once
// A product whose command collection answers the command protocol from its memory areas.
//
// Output reports arrive on the bus thread. Replies go back at once, or, with an interrupt
// interval, from the product's delivery thread two intervals later (one for the host's
// report, one for the reply), so transfers take as long as on a real USB link. Tests drive
// the product through its public calls from any thread: link cut and restore, faults,
// consumer reports, a look at the memory and at every request that reached it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "device/protocol/command_report.h"
#include "devsim/firmware_memory.h"
#include "devsim/simulated_product.h"

namespace devsim {

class VirtualBus;

enum class FaultKind {
    StatusRejected,  // reply status 0xFF, nothing stored
    StatusFailed,    // reply status 0xFE, nothing stored
    StrayReply,      // a report that echoes nothing first, then the reply
    StrayTwice,      // two such reports, then the reply
    NoReply,         // the request is swallowed
    Unplug,          // the product leaves the bus instead of answering
};

// Fires once, on the `chunk`-th request (1-based) of `command` after it is armed; command 0
// counts every request.
struct Fault {
    FaultKind kind = FaultKind::NoReply;
    std::uint8_t command = 0;
    int chunk = 1;
};

struct FirmwareOptions {
    double intervalMs = 1.0;  // USB interrupt interval; 0 answers at once
};

class FirmwareProduct final : public SimulatedProduct {
public:
    FirmwareProduct(ProductSpec spec, FirmwareModel model, FirmwareOptions options);
    ~FirmwareProduct() override;

    // Where deferred replies and consumer reports go; set before plugging (PlugFirmware does).
    using InputSink = std::function<bool(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report)>;
    void SetInputSink(InputSink sink);
    // Drops the sink and pending replies and waits until no call into the sink is in flight:
    // call before the bus that the sink reaches goes away.
    void DetachInput();

    void OnOutputReport(DeviceLink& link, const ReportTarget& target, std::span<const std::uint8_t> report) override;

    const FirmwareModel& Model() const { return model_; }
    FirmwareMemory Memory() const;
    void SetMemory(FirmwareMemory memory);
    // Receiver kinds: whether the receiver reaches its device.
    void SetLinkUp(bool up);
    void ArmFault(Fault fault);
    bool FaultPending() const;
    // A consumer-control report with one 16-bit usage, as when the user acts on the device.
    bool SendConsumerUsage(std::uint16_t usage);

    std::vector<kx58::CommandReport> Requests() const;
    std::size_t RequestCount() const;
    void ClearRequests();

private:
    struct Delivery {
        std::chrono::steady_clock::time_point due;
        std::uint8_t interfaceNumber;
        std::vector<std::uint8_t> report;
    };
    // Replies to one request, in order; empty when nothing is sent.
    std::vector<kx58::CommandReport> Answer(const kx58::CommandReport& request, bool& unplug);
    kx58::CommandReport Execute(const kx58::CommandReport& request);
    bool TakeFault(std::uint8_t command, FaultKind& kind);
    void Deliver(DeviceLink& link, std::uint8_t interfaceNumber, const std::vector<kx58::CommandReport>& replies);
    void RunDeliveries();
    // Calls the sink with the lock released, counted for DetachInput.
    bool CallSink(std::unique_lock<std::mutex>& lock, std::uint8_t interfaceNumber,
                  std::span<const std::uint8_t> report);

    FirmwareModel model_;
    FirmwareOptions options_;

    mutable std::mutex mutex_;  // everything below
    FirmwareMemory memory_;
    bool linkUp_ = true;
    std::vector<Fault> faults_;
    std::vector<int> faultCounts_;
    std::vector<kx58::CommandReport> requests_;
    InputSink sink_;
    std::deque<Delivery> deliveries_;
    bool stopping_ = false;
    int sinkCalls_ = 0;
    std::condition_variable deliveriesChanged_;
    std::condition_variable sinkIdle_;
    std::thread deliveryThread_;
};

// The firmware product of a catalog name, or nullptr when the name has no command collection.
std::shared_ptr<FirmwareProduct> MakeFirmwareProduct(std::string_view name, FirmwareOptions options = {});
// Points the product's input at the bus and plugs it. The caller keeps its own reference
// for as long as the bus runs, so that the product never ends on the bus thread.
bool PlugFirmware(VirtualBus& bus, const std::shared_ptr<FirmwareProduct>& product);

}  // namespace devsim
