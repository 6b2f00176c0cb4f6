#include "device/protocol/device_channel.h"

#include <algorithm>
#include <optional>

#include "platform/debug_trace.h"
#include "platform/tick.h"

namespace kx58 {
namespace {

constexpr std::uint32_t kCableTimeoutMs = 1000;
constexpr std::uint32_t kWirelessTimeoutMs = 5000;
constexpr std::uint8_t kCableChunk = 56;
constexpr std::uint8_t kWirelessChunk = 24;
constexpr std::uint32_t kAreaLimit = 0x10000;  // offsets are 16 bits wide
constexpr int kLinkAttempts = 26;
constexpr std::uint32_t kLinkRetryPauseMs = 50;
constexpr std::uint32_t kEndWritePauseMs = 10;
constexpr std::uint8_t kLinkUpMarker = 0xFF;

// A reply belongs to a request when it echoes command, length and offset.
bool BelongsTo(const CommandReport& reply, const CommandReport& request) {
    return std::equal(request.begin() + report_field::kCommand, request.begin() + report_field::kStatus,
                      reply.begin() + report_field::kCommand);
}

class BusyScope {
public:
    explicit BusyScope(std::atomic<int>& busy) : busy_(busy) { ++busy_; }
    ~BusyScope() { --busy_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::atomic<int>& busy_;
};

}  // namespace

int ReplyStatusResult(std::uint8_t status) {
    if (status == kStatusRejected) return kResultStatusRejected;
    if (status == kStatusFailed) return kResultStatusFailed;
    return kResultOk;
}

CDeviceChannel::~CDeviceChannel() { Detach(); }

bool CDeviceChannel::Attach(const std::string& path, int mode) {
    std::lock_guard io(ioLock_);
    CHidDevice& hid = mode == kChannelModeWireless ? wirelessCollection_ : cable_;
    if (!hid.Open(path, true, true, true, false)) return false;
    SetMode(mode);
    connected_ = true;
    return true;
}

void CDeviceChannel::Detach() {
    connected_ = false;
    // Close wakes a blocked exchange, so it must not wait for the I/O lock first.
    cable_.Close();
    wirelessCollection_.Close();
}

bool CDeviceChannel::AwaitWirelessLink() {
    bool up = false;
    for (int attempt = 0; attempt < kLinkAttempts && !up; ++attempt) {
        up = QueryWirelessLink();
        if (up) break;
        if (attempt + 1 < kLinkAttempts) DebugTrace("获取2.4G模式失败");
        SleepMs(kLinkRetryPauseMs);
    }
    DebugTrace("获取2");
    return up;
}

bool CDeviceChannel::SetDataSize(std::uint32_t size) {
    if (size > kMaxDataSize) return false;
    dataSize_ = static_cast<std::uint16_t>(size);
    return true;
}

void CDeviceChannel::SetMode(int mode) {
    const bool wireless = mode == kChannelModeWireless;
    wirelessMode_ = wireless;
    chunkSize_ = wireless ? kWirelessChunk : kCableChunk;
}

int CDeviceChannel::ReadReply(CHidDevice& hid, CommandReport& reply, std::uint32_t timeoutMs) {
    reply.fill(0);
    return hid.Read(reply.data(), static_cast<std::uint32_t>(reply.size()), nullptr, timeoutMs) ? kResultOk
                                                                                               : kResultFailed;
}

int CDeviceChannel::Transceive(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* reply,
                               std::size_t replyLength) {
    BusyScope busy(busy_);
    if (!connected_ || !request) return kResultFailed;
    const CommandReport out = ReportFromBytes({request, requestLength});
    if (TraceEnabled()) DebugTrace("命令\n" + FormatReportHex(out));
    const bool wireless = wirelessMode_;
    CHidDevice& hid = wireless ? wirelessCollection_ : cable_;
    const std::uint32_t timeout = wireless ? kWirelessTimeoutMs : kCableTimeoutMs;

    CommandReport in{};
    int result;
    {
        // One lock over write and reply: two threads' exchanges never take each other's replies.
        std::lock_guard io(ioLock_);
        hid.DiscardPendingInput();
        if (!hid.Write(out.data(), static_cast<std::uint32_t>(out.size()), nullptr, timeout))
            return kResultWriteFailed;
        result = ReadReply(hid, in, timeout);
        const auto unreachable = [&] { return wireless && in[report_field::kCommand] == kReceiverUnreachable; };
        if (result == kResultOk && unreachable() && !BelongsTo(in, out)) {
            result = kResultUnreachable;
        } else if (result != kResultOk || !BelongsTo(in, out)) {
            // Nothing, or a stale or stray report: one more read, which must belong to the request.
            result = ReadReply(hid, in, timeout);
            if (result == kResultOk && !BelongsTo(in, out))
                result = unreachable() ? kResultUnreachable : kResultFailed;
        }
    }
    if (reply) std::copy_n(in.begin(), std::min(replyLength, in.size()), reply);
    if (TraceEnabled()) DebugTrace("返回\n" + FormatReportHex(in));
    return result;
}

int CDeviceChannel::SimpleTransceive(const CommandReport& request, CommandReport& reply) {
    if (!connected_) return kResultFailed;
    std::lock_guard io(ioLock_);
    cable_.DiscardPendingInput();
    if (!cable_.Write(request.data(), static_cast<std::uint32_t>(request.size()), nullptr, kCableTimeoutMs))
        return kResultWriteFailed;
    return ReadReply(cable_, reply, kCableTimeoutMs);
}

int CDeviceChannel::ExchangeChunk(const Chunking& how, const CommandReport& request, CommandReport& reply) {
    std::optional<std::lock_guard<std::mutex>> held;
    if (how.lock) held.emplace(*how.lock);
    if (how.command != kCmdStreamLedColours)
        return Transceive(request.data(), request.size(), reply.data(), reply.size());
    if (IsBusy()) {
        DebugTrace("放弃灯光数据");
        reply = request;  // nothing sent: the chunk counts as done
        reply[report_field::kStatus] = 0;
        return kResultOk;
    }
    return SimpleTransceive(request, reply);
}

int CDeviceChannel::Chunked(const Chunking& how, const std::uint8_t* source, std::uint8_t* destination,
                            std::uint32_t total) {
    // An area ends at offset 0xFFFF; a transfer past it would wrap onto the area's start.
    if (how.base + total > kAreaLimit || how.chunkSize == 0) return kResultFailed;
    CommandReport request{};
    request[report_field::kId] = kCommandReportId;
    request[report_field::kCommand] = how.command;
    for (std::uint32_t i = 0; i < total; i += how.chunkSize) {
        const std::uint32_t chunk = std::min<std::uint32_t>(how.chunkSize, total - i);
        const std::uint32_t offset = how.base + i;
        request[report_field::kLength] = static_cast<std::uint8_t>(chunk);
        request[report_field::kOffset] = static_cast<std::uint8_t>(offset & 0xFF);
        request[report_field::kOffset + 1] = static_cast<std::uint8_t>(offset >> 8);
        std::fill(request.begin() + kCommandPayloadOffset, request.end(), 0);
        if (source) std::copy_n(source + i, chunk, request.begin() + kCommandPayloadOffset);
        StampChecksum(request);
        CommandReport reply{};
        const int result = ExchangeChunk(how, request, reply);
        if (result != kResultOk) return result;
        const int status = ReplyStatusResult(reply[report_field::kStatus]);
        if (status != kResultOk) return status;
        if (destination) std::copy_n(reply.begin() + kCommandPayloadOffset, chunk, destination + i);
    }
    return kResultOk;
}

int CDeviceChannel::ChunkedWrite(const Chunking& how, std::span<const std::uint8_t> source) {
    return Chunked(how, source.data(), nullptr, static_cast<std::uint32_t>(source.size()));
}

int CDeviceChannel::ChunkedRead(const Chunking& how, std::span<std::uint8_t> destination) {
    return Chunked(how, nullptr, destination.data(), static_cast<std::uint32_t>(destination.size()));
}

int CDeviceChannel::SingleCommand(std::uint8_t command) {
    const CommandReport request = MakeCommandReport(command);
    CommandReport reply{};
    std::lock_guard held(commandLock_);
    const int result = Transceive(request.data(), request.size(), reply.data(), reply.size());
    return result == kResultOk ? ReplyStatusResult(reply[report_field::kStatus]) : result;
}

int CDeviceChannel::BeginWrite() { return SingleCommand(kCmdBeginWrite); }

int CDeviceChannel::EndWrite() {
    SleepMs(kEndWritePauseMs);  // lets the device finish storing the last chunk
    return SingleCommand(kCmdEndWrite);
}

int CDeviceChannel::EnableHostLighting() { return SingleCommand(kCmdEnableHostLighting); }

int CDeviceChannel::ReadDeviceInfo(std::span<std::uint8_t> info) {
    if (info.size() < kDeviceInfoSize) return kResultFailed;
    return ChunkedRead({kCmdReadDeviceInfo, &commandLock_, 0, chunkSize_}, info.first(kDeviceInfoSize));
}

int CDeviceChannel::ReadSettings(std::uint16_t offset, std::span<std::uint8_t> destination) {
    return ChunkedRead({kCmdReadSettings, &commandLock_, offset, chunkSize_}, destination);
}

int CDeviceChannel::WriteSettings(std::uint16_t offset, std::span<const std::uint8_t> source) {
    return ChunkedWrite({kCmdWriteSettings, &commandLock_, offset, chunkSize_}, source);
}

int CDeviceChannel::ReadKeyTable(std::span<std::uint8_t> destination) {
    const std::uint16_t size = dataSize_;
    if (destination.size() < size) return kResultFailed;
    return ChunkedRead({kCmdReadKeyTable, &commandLock_, 0, chunkSize_}, destination.first(size));
}

int CDeviceChannel::WriteKeyTable(int bank, std::span<const std::uint8_t> source) {
    if (bank != 0) return kResultBadBank;
    const std::uint16_t size = dataSize_;
    if (source.size() < size) return kResultFailed;
    return ChunkedWrite({kCmdWriteKeyTable, &commandLock_, 0, chunkSize_}, source.first(size));
}

int CDeviceChannel::ReadLedColours(int bank, std::span<std::uint8_t> destination) {
    if (bank < 0) return kResultFailed;
    const std::uint32_t base = static_cast<std::uint32_t>(bank) * kLedColourBankSize;
    if (base >= kAreaLimit) return kResultFailed;
    return ChunkedRead({kCmdReadLedColours, &lightLock_, base, chunkSize_}, destination);
}

int CDeviceChannel::WriteLedColours(int bank, std::span<const std::uint8_t> source) {
    if (bank < 0) return kResultFailed;
    const std::uint32_t base = static_cast<std::uint32_t>(bank) * kLedColourBankSize;
    if (base >= kAreaLimit) return kResultFailed;
    return ChunkedWrite({kCmdWriteLedColours, &lightLock_, base, chunkSize_}, source);
}

int CDeviceChannel::StreamLedColours(std::span<const std::uint8_t> source) {
    if (wirelessMode_) return kResultFailed;  // the receiver cannot carry the stream
    return ChunkedWrite({kCmdStreamLedColours, &lightLock_, 0, chunkSize_}, source);
}

int CDeviceChannel::WriteMacroImage(std::span<const std::uint8_t> image) {
    return ChunkedWrite({kCmdWriteMacroImage, &commandLock_, 0, chunkSize_}, image);
}

int CDeviceChannel::WriteShootImage(std::span<const std::uint8_t> image) {
    return ChunkedWrite({kCmdWriteShootImage, nullptr, 0, kCableChunk}, image);
}

int CDeviceChannel::ReadBlock(std::uint16_t offset, std::span<std::uint8_t> destination) {
    if (destination.size() > kCommandPayloadSize) return kResultFailed;  // one reply holds 56 bytes
    return ChunkedRead({kCmdReadBlock, &commandLock_, offset, kCableChunk}, destination);
}

int CDeviceChannel::ReadLedMap(std::span<std::uint8_t> destination) {
    const std::uint16_t size = dataSize_ / 3;
    if (destination.size() < size) return kResultFailed;
    return ChunkedRead({kCmdReadLedMap, &commandLock_, 0, chunkSize_}, destination.first(size));
}

bool CDeviceChannel::QueryWirelessLink() {
    if (!wirelessMode_) return true;
    const CommandReport request = MakeCommandReport(kCmdQueryWirelessLink);
    CommandReport reply{};
    std::lock_guard held(commandLock_);
    const int result = Transceive(request.data(), request.size(), reply.data(), reply.size());
    return result == kResultOk && reply[kCommandPayloadOffset] == kLinkUpMarker &&
           ReplyStatusResult(reply[report_field::kStatus]) == kResultOk;
}

}  // namespace kx58
