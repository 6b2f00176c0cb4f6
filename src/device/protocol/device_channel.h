#pragma once
// CDeviceChannel: the request/reply command protocol over a device's command collection.
//
// Every request is one 64-byte output report answered by a 64-byte input report that echoes
// it. Larger data moves in chunks addressed by a 16-bit offset inside the memory area the
// command selects: 56-byte chunks by cable, 24-byte chunks through the 2.4G receiver.
//
// Locks, always taken in this order: the command lock or the light lock (held by an operation
// around each chunk), then the I/O lock (held by one exchange: write and its reply). Any thread
// may call any operation; the busy count lets the colour stream give way to other traffic.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "device/protocol/command_report.h"
#include "device/hid/hid_device.h"

namespace kx58 {

inline constexpr int kChannelModeCable = 1;
inline constexpr int kChannelModeWireless = 2;

inline constexpr std::size_t kDeviceInfoSize = 34;
inline constexpr std::uint16_t kMaxDataSize = 512;
inline constexpr std::uint32_t kLedColourBankSize = 512;

class CDeviceChannel {
public:
    CDeviceChannel() = default;
    ~CDeviceChannel();
    CDeviceChannel(const CDeviceChannel&) = delete;
    CDeviceChannel& operator=(const CDeviceChannel&) = delete;

    // Opens `path` for the mode's collection under the I/O lock, sets the mode and marks the
    // channel connected. False, with the channel as it was, when the path does not open.
    bool Attach(const std::string& path, int mode);
    // Clears connected and closes both collections; a transfer in flight fails at once.
    void Detach();
    // In 2.4G mode: repeats the link query until it succeeds, at most 26 times.
    bool AwaitWirelessLink();

    // Length of the key table moved by the key-table commands; refused above 512.
    bool SetDataSize(std::uint32_t size);
    std::uint16_t DataSize() const { return dataSize_; }
    // 2 selects 2.4G mode (24-byte chunks); anything else cable mode (56-byte chunks).
    void SetMode(int mode);
    bool IsWirelessMode() const { return wirelessMode_; }
    std::uint8_t ChunkSize() const { return chunkSize_; }

    bool IsConnected() const { return connected_; }
    void SetConnected(bool connected) { connected_ = connected; }
    bool IsBusy() const { return busy_ > 0; }
    bool IsRefreshPending() const { return refreshPending_; }
    void SetRefreshPending(bool pending) { refreshPending_ = pending; }

    CHidDevice& CableCollection() { return cable_; }
    CHidDevice& WirelessCollection() { return wirelessCollection_; }
    std::mutex& IoLock() { return ioLock_; }

    // One full exchange: drop what waits on the collection (between requests nobody reads
    // it, and its queue fills with the interface's key and consumer reports until a reply
    // finds no room), write the request (zero-filled or cut to 64 bytes), read until a reply
    // belongs to it (the first or one more). Traces both reports.
    int Transceive(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* reply,
                   std::size_t replyLength);
    // The colour stream's exchange: cable collection, drop what waits, one reply taken as it
    // comes, no traces.
    int SimpleTransceive(const CommandReport& request, CommandReport& reply);

    int BeginWrite();
    int EndWrite();
    int ReadDeviceInfo(std::span<std::uint8_t> info);
    int ReadSettings(std::uint16_t offset, std::span<std::uint8_t> destination);
    int WriteSettings(std::uint16_t offset, std::span<const std::uint8_t> source);
    // Data-size bytes.
    int ReadKeyTable(std::span<std::uint8_t> destination);
    int WriteKeyTable(int bank, std::span<const std::uint8_t> source);
    int ReadLedColours(int bank, std::span<std::uint8_t> destination);
    int WriteLedColours(int bank, std::span<const std::uint8_t> source);
    int StreamLedColours(std::span<const std::uint8_t> source);
    int WriteMacroImage(std::span<const std::uint8_t> image);
    int WriteShootImage(std::span<const std::uint8_t> image);
    // One request of at most 56 bytes.
    int ReadBlock(std::uint16_t offset, std::span<std::uint8_t> destination);
    // Data-size / 3 bytes.
    int ReadLedMap(std::span<std::uint8_t> destination);
    int EnableHostLighting();
    bool QueryWirelessLink();

private:
    struct Chunking {
        std::uint8_t command = 0;
        std::mutex* lock = nullptr;  // nullptr: no operation lock
        std::uint32_t base = 0;
        std::uint8_t chunkSize = 0;
    };
    int ChunkedWrite(const Chunking& how, std::span<const std::uint8_t> source);
    int ChunkedRead(const Chunking& how, std::span<std::uint8_t> destination);
    int Chunked(const Chunking& how, const std::uint8_t* source, std::uint8_t* destination, std::uint32_t total);
    int SingleCommand(std::uint8_t command);
    int ExchangeChunk(const Chunking& how, const CommandReport& request, CommandReport& reply);
    int ReadReply(CHidDevice& hid, CommandReport& reply, std::uint32_t timeoutMs);

    std::atomic<std::uint16_t> dataSize_{kMaxDataSize};
    std::atomic<int> busy_{0};  // exchanges in flight
    std::atomic<bool> connected_{false};
    std::atomic<bool> refreshPending_{false};
    CHidDevice cable_;
    CHidDevice wirelessCollection_;
    std::mutex ioLock_;
    std::mutex commandLock_;
    std::mutex lightLock_;
    std::atomic<bool> wirelessMode_{false};
    std::atomic<std::uint8_t> chunkSize_{24};
};

// Status byte of a reply turned into a result: -102 for 0xFF, -103 for 0xFE, else 1.
int ReplyStatusResult(std::uint8_t status);

}  // namespace kx58
