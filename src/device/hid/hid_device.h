#pragma once
// One HID top-level collection with timed report I/O.
//
// Transfers on one object are serialised by its user. Close may come from any thread: it
// wakes a blocked Read or Write at once (they return false) and waits for them, and for a
// decode in progress, to leave before the descriptor and the tables are released.
//
// Every open handle of an interface receives every input report of the interface (hidraw
// queues 64 per handle and drops new ones when full); Read keeps only this collection's
// report ids. A handle read only now and then drains what waits before it asks the device.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/hid_usage_table.h"
#include "device/hid/report_descriptor.h"

namespace kx58 {

struct HIDP_CAPS {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
    std::uint16_t NumberLinkCollectionNodes = 0;
};

struct HIDD_ATTRIBUTES {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

inline constexpr std::size_t kMaxHidPathLength = 259;

class CHidDevice {
public:
    CHidDevice();
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // Path list of every present collection; resets the cursor.
    bool Enumerate();
    // The path at the cursor, advancing it; nothing once the list is exhausted.
    std::optional<std::string> NextPath();
    void FreePathList();

    // A path that does not open leaves the object as it was (what it had open stays open).
    bool Open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped, bool exclusiveWrite);
    // Closes, then opens the same path again.
    bool Reopen();
    void Close();
    bool IsOpen() const;

    // One report (report id first) within timeoutMs. `count`, when given, is zeroed first and
    // receives the bytes moved. A timeout leaves the device open and usable.
    bool Read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count, std::uint32_t timeoutMs);
    bool Write(const std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count, std::uint32_t timeoutMs);

    // Decodes an input report into the input usage table; `usages`, when given, receives a
    // copy of the table, which a Close from another thread cannot pull away.
    bool DecodeInput(const std::uint8_t* report, std::uint32_t length, std::vector<HidUsageEntry>* usages = nullptr);
    // Throws away the input reports waiting on the handle, without waiting; their count.
    std::size_t DiscardPendingInput();

    // For the thread that opens and closes the object (a Close elsewhere frees them).
    const std::string& Path() const { return path_; }
    const HIDP_CAPS& Caps() const { return caps_; }
    const HIDD_ATTRIBUTES& Attributes() const { return attributes_; }
    std::uint16_t InterfaceNumber() const { return interfaceNumber_; }
    std::uint16_t CollectionNumber() const { return collectionNumber_; }
    const std::string& ProductString() const { return product_; }
    const HidTopLevelCollection& Collection() const { return collection_; }
    const std::vector<HidUsageEntry>& InputUsages() const { return usageTables_[0]; }
    const std::vector<HidUsageEntry>& OutputUsages() const { return usageTables_[1]; }
    const std::vector<HidUsageEntry>& FeatureUsages() const { return usageTables_[2]; }
    std::vector<std::uint8_t>& InputReportBuffer() { return reportBuffers_[0]; }

private:
    static const HidTopLevelCollection* PickCollection(const HidReportDescriptor& descriptor,
                                                       std::uint16_t collectionNumber);
    // Caller holds the mutex.
    void LoadCapabilities(const HidTopLevelCollection& collection, bool usesReportIds);
    void FreeCapabilities();
    // Registers a transfer; false (and no registration) when nothing is open.
    bool BeginTransfer(bool& flag, int& fd, bool& isSocket);
    void EndTransfer(bool& flag);
    // Polls fd for `events` and the cancel descriptor. 1 ready, 0 timed out, -1 cancelled or failed.
    int WaitReady(int fd, short events, std::int64_t deadline);
    bool ReadMatchingReport(int fd, std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count,
                            std::uint32_t timeoutMs);

    std::vector<std::string> pathList_;
    std::size_t nextPathIndex_ = 0;
    bool wantRead_ = false;
    bool wantWrite_ = false;
    bool overlapped_ = false;
    bool exclusiveWrite_ = false;

    mutable std::mutex mutex_;  // fd_, the flags, the transfer count, and the tables during a decode or close
    std::condition_variable transfersIdle_;
    int activeTransfers_ = 0;
    int fd_ = -1;
    bool isSocket_ = false;
    bool reading_ = false;
    bool writing_ = false;
    int cancelFd_ = -1;  // eventfd, readable while a close is abandoning transfers

    std::string path_;
    std::string product_;
    bool usesReportIds_ = false;
    HidTopLevelCollection collection_;
    HIDP_CAPS caps_;
    HIDD_ATTRIBUTES attributes_;
    std::vector<std::uint8_t> reportBuffers_[kHidReportTypeCount];
    std::vector<HidUsageEntry> usageTables_[kHidReportTypeCount];
    std::vector<std::uint8_t> readBuffer_;  // used by the one Read in progress
    std::uint16_t interfaceNumber_ = 0;
    std::uint16_t collectionNumber_ = 0;
};

}  // namespace kx58
