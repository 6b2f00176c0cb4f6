#include "device/hid/hid_device.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/hid/hid_backend.h"
#include "device/hid/hid_enumeration.h"
#include "device/hid/hid_path.h"
#include "platform/debug_trace.h"
#include "platform/event.h"
#include "platform/tick.h"

namespace kx58 {
namespace {

constexpr std::size_t kMaxReportBytes = 16384 + 1;
// Four times what the kernel queues per open handle.
constexpr std::size_t kMaxDiscardedReports = 4 * 64;

std::int64_t DeadlineFor(std::uint32_t timeoutMs) {
    return timeoutMs == kInfinite ? -1 : static_cast<std::int64_t>(TickCount64()) + timeoutMs;
}

int RemainingMs(std::int64_t deadline) {
    if (deadline < 0) return -1;
    const std::int64_t left = deadline - static_cast<std::int64_t>(TickCount64());
    return left <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>(left, 0x7FFFFFFF));
}

}  // namespace

CHidDevice::CHidDevice() { cancelFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

CHidDevice::~CHidDevice() {
    Close();
    FreePathList();
    if (cancelFd_ >= 0) close(cancelFd_);
}

bool CHidDevice::Enumerate() {
    FreePathList();
    return EnumerateHidPaths(pathList_);
}

std::optional<std::string> CHidDevice::NextPath() {
    if (nextPathIndex_ >= pathList_.size()) return std::nullopt;
    return pathList_[nextPathIndex_++];
}

void CHidDevice::FreePathList() {
    pathList_.clear();
    nextPathIndex_ = 0;
}

bool CHidDevice::Open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped,
                      bool exclusiveWrite) {
    if (path.size() > kMaxHidPathLength) return false;  // does not fit the path buffer
    SplitPath split;
    if (cancelFd_ < 0 || !SplitDevicePath(path, split)) return false;
    const HidBackend* backend = FindHidBackend(split.backend);
    if (!backend) return false;
    const std::uint16_t collectionNumber = ParseCollection(path);
    HidOpenedNode node;
    if (!backend->Open(split.node, wantRead, wantWrite, collectionNumber, node)) return false;
    HidReportDescriptor descriptor;
    const HidTopLevelCollection* collection = nullptr;
    if (ParseReportDescriptor(node.info.descriptor, descriptor))
        collection = PickCollection(descriptor, collectionNumber);
    if (!collection) {
        close(node.fd);
        return false;
    }
    // Only a path that opened replaces what this object had open.
    Close();
    std::lock_guard lock(mutex_);
    wantRead_ = wantRead;
    wantWrite_ = wantWrite;
    overlapped_ = overlapped;
    exclusiveWrite_ = exclusiveWrite;
    path_ = path;
    fd_ = node.fd;
    isSocket_ = node.isSocket;
    attributes_ = {node.info.vendorId, node.info.productId, node.info.version};
    product_ = node.info.product;
    interfaceNumber_ = ParseInterface(path);
    collectionNumber_ = collectionNumber;
    LoadCapabilities(*collection, descriptor.usesReportIds);
    return true;
}

bool CHidDevice::Reopen() {
    Close();
    const std::string path = path_;
    return Open(path, wantRead_, wantWrite_, overlapped_, exclusiveWrite_);
}

// The path's collection: "&colNN" names one of several, no tag means the only one.
const HidTopLevelCollection* CHidDevice::PickCollection(const HidReportDescriptor& descriptor,
                                                        std::uint16_t collectionNumber) {
    const std::size_t count = descriptor.collections.size();
    const bool tagged = collectionNumber != 0;
    if (count == 0 || (tagged && (count < 2 || collectionNumber > count)) || (!tagged && count != 1))
        return nullptr;
    return &descriptor.collections[tagged ? collectionNumber - 1 : 0];
}

void CHidDevice::LoadCapabilities(const HidTopLevelCollection& collection, bool usesReportIds) {
    collection_ = collection;
    usesReportIds_ = usesReportIds;
    caps_.Usage = collection_.usage;
    caps_.UsagePage = collection_.usagePage;
    caps_.InputReportByteLength = collection_.reportByteLength[0];
    caps_.OutputReportByteLength = collection_.reportByteLength[1];
    caps_.FeatureReportByteLength = collection_.reportByteLength[2];
    caps_.NumberLinkCollectionNodes = collection_.linkCollectionCount;
    for (int t = 0; t < kHidReportTypeCount; ++t) {
        reportBuffers_[t].assign(collection_.reportByteLength[t], 0);
        usageTables_[t] = BuildUsageTable(collection_, static_cast<HidReportType>(t));
    }
}

void CHidDevice::FreeCapabilities() {
    collection_ = HidTopLevelCollection{};
    caps_ = HIDP_CAPS{};
    attributes_ = HIDD_ATTRIBUTES{};
    usesReportIds_ = false;
    for (int t = 0; t < kHidReportTypeCount; ++t) {
        reportBuffers_[t].clear();
        usageTables_[t].clear();
    }
}

void CHidDevice::Close() {
    std::unique_lock lock(mutex_);
    if (activeTransfers_ > 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(cancelFd_, &one, sizeof one);
        transfersIdle_.wait(lock, [this] { return activeTransfers_ == 0; });
        std::uint64_t drained;
        n = read(cancelFd_, &drained, sizeof drained);
    }
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    FreeCapabilities();
}

bool CHidDevice::IsOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

bool CHidDevice::BeginTransfer(bool& flag, int& fd, bool& isSocket) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return false;
    ++activeTransfers_;
    flag = true;
    fd = fd_;
    isSocket = isSocket_;
    return true;
}

void CHidDevice::EndTransfer(bool& flag) {
    std::lock_guard lock(mutex_);
    flag = false;
    if (--activeTransfers_ == 0) transfersIdle_.notify_all();
}

int CHidDevice::WaitReady(int fd, short events, std::int64_t deadline) {
    for (;;) {
        pollfd fds[2] = {{cancelFd_, POLLIN, 0}, {fd, events, 0}};
        const int n = poll(fds, 2, RemainingMs(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (fds[0].revents) return -1;  // abandoned by Close
        if (fds[1].revents & events) return 1;
        if (fds[1].revents) return -1;  // hang-up or error: the device went away
        return 0;
    }
}

bool CHidDevice::ReadMatchingReport(int fd, std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count,
                                    std::uint32_t timeoutMs) {
    const std::int64_t deadline = DeadlineFor(timeoutMs);
    std::vector<std::uint8_t>& report = readBuffer_;
    report.resize(kMaxReportBytes + 1);
    for (;;) {
        const int ready = WaitReady(fd, POLLIN, deadline);
        if (ready <= 0) return false;
        // Reports of an interface without report ids arrive bare; the caller sees id 0 first.
        const std::size_t skip = usesReportIds_ ? 0 : 1;
        report[0] = 0;
        const ssize_t n = read(fd, report.data() + skip, kMaxReportBytes);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;  // end of stream: unplugged
        const std::size_t size = static_cast<std::size_t>(n) + skip;
        // hidraw hands over every report of the interface: keep this collection's only.
        if (!collection_.HasReportId(HidReportType::Input, report[0])) continue;
        const std::uint32_t copied = static_cast<std::uint32_t>(std::min<std::size_t>(size, length));
        std::memcpy(buffer, report.data(), copied);
        if (count) *count = copied;
        return true;
    }
}

bool CHidDevice::Read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count, std::uint32_t timeoutMs) {
    if (count) *count = 0;
    int fd;
    bool isSocket;
    if (!buffer || !BeginTransfer(reading_, fd, isSocket)) return false;
    const bool ok = ReadMatchingReport(fd, buffer, length, count, timeoutMs);
    EndTransfer(reading_);
    return ok;
}

bool CHidDevice::Write(const std::uint8_t* buffer, std::uint32_t length, std::uint32_t* count,
                       std::uint32_t timeoutMs) {
    if (count) *count = 0;
    int fd;
    bool isSocket;
    if (!buffer || length == 0 || !BeginTransfer(writing_, fd, isSocket)) return false;
    bool ok = false;
    const std::int64_t deadline = DeadlineFor(timeoutMs);
    for (;;) {
        // Written at once where there is room, which is nearly always: the wait is for a full
        // queue only (a Close ends it too).
        const ssize_t n = isSocket ? send(fd, buffer, length, MSG_NOSIGNAL | MSG_DONTWAIT)
                                   : write(fd, buffer, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && WaitReady(fd, POLLOUT, deadline) > 0) continue;
        ok = n == static_cast<ssize_t>(length);
        if (n > 0 && count) *count = static_cast<std::uint32_t>(n);
        break;
    }
    EndTransfer(writing_);
    return ok;
}

bool CHidDevice::DecodeInput(const std::uint8_t* report, std::uint32_t length,
                             std::vector<HidUsageEntry>* usages) {
    if (!report || length == 0) return false;
    // Under the mutex: a Close from another thread frees the tables only after the decode.
    std::lock_guard lock(mutex_);
    if (!DecodeReport(collection_, usageTables_[0], std::span<const std::uint8_t>(report, length))) return false;
    if (usages) *usages = usageTables_[0];
    return true;
}

std::size_t CHidDevice::DiscardPendingInput() {
    int fd;
    bool isSocket;
    if (!BeginTransfer(reading_, fd, isSocket)) return 0;
    std::vector<std::uint8_t>& report = readBuffer_;
    report.resize(kMaxReportBytes + 1);
    std::size_t discarded = 0;
    // Bounded: a device that sends without pause must not keep the caller here.
    while (discarded < kMaxDiscardedReports) {
        const ssize_t n = read(fd, report.data(), kMaxReportBytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // nothing waiting (the descriptor never blocks), or gone
        ++discarded;
    }
    EndTransfer(reading_);
    return discarded;
}

}  // namespace kx58
