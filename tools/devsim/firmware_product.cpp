#include "devsim/firmware_product.h"

#include <algorithm>

#include "devsim/product_catalog.h"
#include "devsim/virtual_bus.h"

namespace devsim {
namespace {

using kx58::CommandReport;
namespace field = kx58::report_field;

constexpr std::uint8_t kStrayCommand = 0x7E;  // no command has this number
constexpr std::uint8_t kCommandInterface = 1;
constexpr std::uint8_t kConsumerReportId = 3;
constexpr std::uint8_t kLinkUpMarker = 0xFF;

enum class Access { Read, Write };

struct CommandArea {
    std::uint8_t command;
    std::vector<std::uint8_t> FirmwareMemory::*area;
    Access access;
};

constexpr CommandArea kCommandAreas[] = {
    {kx58::kCmdReadDeviceInfo, &FirmwareMemory::info, Access::Read},
    {kx58::kCmdReadSettings, &FirmwareMemory::settings, Access::Read},
    {kx58::kCmdWriteSettings, &FirmwareMemory::settings, Access::Write},
    {kx58::kCmdReadKeyTable, &FirmwareMemory::keyTable, Access::Read},
    {kx58::kCmdWriteKeyTable, &FirmwareMemory::keyTable, Access::Write},
    {kx58::kCmdReadLedColours, &FirmwareMemory::ledColours, Access::Read},
    {kx58::kCmdWriteLedColours, &FirmwareMemory::ledColours, Access::Write},
    {kx58::kCmdStreamLedColours, &FirmwareMemory::stream, Access::Write},
    {kx58::kCmdWriteMacroImage, &FirmwareMemory::macro, Access::Write},
    {kx58::kCmdWriteShootImage, &FirmwareMemory::shoot, Access::Write},
    {kx58::kCmdReadBlock, &FirmwareMemory::power, Access::Read},
    {kx58::kCmdReadLedMap, &FirmwareMemory::ledMap, Access::Read},
};

// The request's header with an empty payload.
CommandReport EchoOf(const CommandReport& request) {
    CommandReport reply{};
    std::copy_n(request.begin(), field::kStatus, reply.begin());
    return reply;
}

CommandReport Finished(CommandReport reply, std::uint8_t status) {
    reply[field::kStatus] = status;
    kx58::StampChecksum(reply);
    return reply;
}

CommandReport StrayReport(const CommandReport& request) {
    CommandReport stray = EchoOf(request);
    stray[field::kCommand] = kStrayCommand;
    return Finished(stray, 0);
}

void AccessArea(const CommandArea& entry, FirmwareMemory& memory, const CommandReport& request, CommandReport& reply) {
    std::vector<std::uint8_t>& area = memory.*entry.area;
    const std::size_t offset = kx58::ReportOffset(request);
    const std::size_t length = request[field::kLength];
    if (offset + length > area.size()) {
        reply = Finished(reply, kx58::kStatusFailed);
        return;
    }
    const auto payload = request.begin() + kx58::kCommandPayloadOffset;
    if (entry.access == Access::Write) std::copy_n(payload, length, area.begin() + static_cast<std::ptrdiff_t>(offset));
    else std::copy_n(area.begin() + static_cast<std::ptrdiff_t>(offset), length, reply.begin() + kx58::kCommandPayloadOffset);
    reply = Finished(reply, 0);
}

}  // namespace

FirmwareProduct::FirmwareProduct(ProductSpec spec, FirmwareModel model, FirmwareOptions options)
    : SimulatedProduct(std::move(spec)), model_(model), options_(options), memory_(FactoryMemory(model)) {
    if (options_.intervalMs > 0) deliveryThread_ = std::thread([this] { RunDeliveries(); });
}

FirmwareProduct::~FirmwareProduct() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    deliveriesChanged_.notify_all();
    if (deliveryThread_.joinable()) deliveryThread_.join();
}

void FirmwareProduct::SetInputSink(InputSink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

void FirmwareProduct::DetachInput() {
    std::unique_lock lock(mutex_);
    sink_ = nullptr;
    deliveries_.clear();
    sinkIdle_.wait(lock, [this] { return sinkCalls_ == 0; });
}

bool FirmwareProduct::CallSink(std::unique_lock<std::mutex>& lock, std::uint8_t interfaceNumber,
                               std::span<const std::uint8_t> report) {
    if (!sink_) return false;
    InputSink sink = sink_;
    ++sinkCalls_;
    // The sink takes the bus lock, which the bus thread holds while it calls into this product.
    lock.unlock();
    const bool sent = sink(interfaceNumber, report);
    lock.lock();
    if (--sinkCalls_ == 0) sinkIdle_.notify_all();
    return sent;
}

FirmwareMemory FirmwareProduct::Memory() const {
    std::lock_guard lock(mutex_);
    return memory_;
}

void FirmwareProduct::SetMemory(FirmwareMemory memory) {
    std::lock_guard lock(mutex_);
    memory_ = std::move(memory);
}

void FirmwareProduct::SetLinkUp(bool up) {
    std::lock_guard lock(mutex_);
    linkUp_ = up;
}

void FirmwareProduct::ArmFault(Fault fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back(fault);
    faultCounts_.push_back(0);
}

bool FirmwareProduct::FaultPending() const {
    std::lock_guard lock(mutex_);
    return !faults_.empty();
}

std::vector<CommandReport> FirmwareProduct::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t FirmwareProduct::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

void FirmwareProduct::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool FirmwareProduct::SendConsumerUsage(std::uint16_t usage) {
    const std::uint8_t report[] = {kConsumerReportId, static_cast<std::uint8_t>(usage & 0xFF),
                                   static_cast<std::uint8_t>(usage >> 8)};
    std::unique_lock lock(mutex_);
    return CallSink(lock, kCommandInterface, report);
}

bool FirmwareProduct::TakeFault(std::uint8_t command, FaultKind& kind) {
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        if (faults_[i].command != 0 && faults_[i].command != command) continue;
        if (++faultCounts_[i] < faults_[i].chunk) continue;
        kind = faults_[i].kind;
        faults_.erase(faults_.begin() + static_cast<std::ptrdiff_t>(i));
        faultCounts_.erase(faultCounts_.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

CommandReport FirmwareProduct::Execute(const CommandReport& request) {
    CommandReport reply = EchoOf(request);
    if (!kx58::ChecksumMatches(request) || request[field::kLength] > kx58::kCommandPayloadSize)
        return Finished(reply, kx58::kStatusRejected);
    switch (request[field::kCommand]) {
    case kx58::kCmdBeginWrite:
        memory_.writeOpen = true;
        ++memory_.beginWrites;
        return Finished(reply, 0);
    case kx58::kCmdEndWrite:
        memory_.writeOpen = false;
        ++memory_.endWrites;
        return Finished(reply, 0);
    case kx58::kCmdEnableHostLighting:
        memory_.hostLighting = true;
        return Finished(reply, 0);
    case kx58::kCmdQueryWirelessLink:
        reply[kx58::kCommandPayloadOffset] = linkUp_ ? kLinkUpMarker : 0;
        return Finished(reply, 0);
    default:
        break;
    }
    for (const CommandArea& entry : kCommandAreas) {
        if (entry.command != request[field::kCommand]) continue;
        AccessArea(entry, memory_, request, reply);
        return reply;
    }
    return Finished(reply, kx58::kStatusRejected);
}

std::vector<CommandReport> FirmwareProduct::Answer(const CommandReport& request, bool& unplug) {
    requests_.push_back(request);
    const std::uint8_t command = request[field::kCommand];
    if (model_.receiver && !linkUp_ && command != kx58::kCmdQueryWirelessLink) {
        CommandReport unreachable = EchoOf(request);
        unreachable[field::kCommand] = kx58::kReceiverUnreachable;
        return {Finished(unreachable, 0)};
    }
    FaultKind kind;
    if (!TakeFault(command, kind)) return {Execute(request)};
    switch (kind) {
    case FaultKind::StatusRejected:
        return {Finished(EchoOf(request), kx58::kStatusRejected)};
    case FaultKind::StatusFailed:
        return {Finished(EchoOf(request), kx58::kStatusFailed)};
    case FaultKind::StrayReply:
        return {StrayReport(request), Execute(request)};
    case FaultKind::StrayTwice:
        return {StrayReport(request), StrayReport(request), Execute(request)};
    case FaultKind::NoReply:
        return {};
    case FaultKind::Unplug:
        unplug = true;
        return {};
    }
    return {};
}

void FirmwareProduct::OnOutputReport(DeviceLink& link, const ReportTarget& target,
                                     std::span<const std::uint8_t> report) {
    // Only the command collection's reports are answered; keyboard LED reports are taken silently.
    if (report.empty() || report[0] != kx58::kCommandReportId) return;
    const CommandReport request = kx58::ReportFromBytes(report);
    bool unplug = false;
    std::vector<CommandReport> replies;
    {
        std::lock_guard lock(mutex_);
        replies = Answer(request, unplug);
    }
    if (unplug) link.RequestUnplug();
    Deliver(link, target.interfaceNumber, replies);
}

void FirmwareProduct::Deliver(DeviceLink& link, std::uint8_t interfaceNumber, const std::vector<CommandReport>& replies) {
    if (options_.intervalMs <= 0) {
        for (const CommandReport& reply : replies) link.SendInput(interfaceNumber, reply);
        return;
    }
    // One interval carries the host's report, the next one the reply.
    const auto due = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double, std::milli>(2 * options_.intervalMs));
    {
        std::lock_guard lock(mutex_);
        for (const CommandReport& reply : replies)
            deliveries_.push_back({due, interfaceNumber, std::vector<std::uint8_t>(reply.begin(), reply.end())});
    }
    deliveriesChanged_.notify_all();
}

void FirmwareProduct::RunDeliveries() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (deliveries_.empty()) {
            deliveriesChanged_.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < deliveries_.front().due) {
            deliveriesChanged_.wait_until(lock, deliveries_.front().due);
            continue;
        }
        Delivery delivery = std::move(deliveries_.front());
        deliveries_.pop_front();
        CallSink(lock, delivery.interfaceNumber, delivery.report);
    }
}

std::shared_ptr<FirmwareProduct> MakeFirmwareProduct(std::string_view name, FirmwareOptions options) {
    std::optional<ProductSpec> spec = CatalogSpec(name);
    std::optional<FirmwareModel> model = FirmwareModelFor(name);
    if (!spec || !model) return nullptr;
    return std::make_shared<FirmwareProduct>(std::move(*spec), *model, options);
}

bool PlugFirmware(VirtualBus& bus, const std::shared_ptr<FirmwareProduct>& product) {
    if (!product) return false;
    const std::string name = product->Spec().name;
    product->SetInputSink([&bus, name](std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) {
        return bus.EmitInput(name, interfaceNumber, report);
    });
    return bus.Plug(product);
}

}  // namespace devsim
