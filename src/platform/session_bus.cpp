#include "platform/session_bus.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/session_bus_internal.h"
#include "platform/tick.h"
#include "platform/window_registry.h"

namespace kx58 {
namespace detail {
namespace {

constexpr std::uint32_t kFrameMagic = 0x3835584B;  // "KX58"
constexpr std::uint16_t kFrameVersion = 1;

template <typename T>
void Put(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Get(std::string_view bytes, std::size_t& offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    offset += sizeof value;
    return value;
}


std::optional<std::string> Unhex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (char c : hex.substr(i, 2)) {
            value <<= 4;
            if (c >= '0' && c <= '9') value |= c - '0';
            else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
            else return std::nullopt;
        }
        out.push_back(static_cast<char>(value));
    }
    return out;
}


int ConnectTo(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return -1;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}


// Waits for one datagram, answering sends to the calling thread's own queue meanwhile.
std::optional<Frame> ReceiveReply(int fd, std::uint32_t timeoutMs) {
    const auto ownQueue = CurrentQueueIfAny();
    const int wakeFd = ownQueue ? ownQueue->WakeFd() : -1;
    bool drainedWake = false;
    std::optional<Frame> frame;
    const auto deadline = TickCount64() + timeoutMs;
    for (;;) {
        const auto now = TickCount64();
        if (now >= deadline) break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = poll(fds, 2, static_cast<int>(deadline - now));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) break;
        if (fds[1].revents & POLLIN) {
            std::uint64_t drained;
            [[maybe_unused]] ssize_t n = read(wakeFd, &drained, sizeof drained);
            drainedWake = true;
            ownQueue->DispatchSends();
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        std::string buffer(kMaxFrameBytes + 1, '\0');
        const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
        if (n > 0 && static_cast<std::size_t>(n) <= kMaxFrameBytes) {
            buffer.resize(static_cast<std::size_t>(n));
            frame = DecodeFrame(buffer);
        }
        break;
    }
    if (drainedWake) {  // the wake may also have been for posts: leave it for the loop
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
    }
    return frame;
}

struct BusEntry {
    int pid = 0;
    std::uint32_t number = 0;
    std::string className;
    std::string title;
    std::string idPath;
};

bool ProcessAlive(int pid) { return kill(pid, 0) == 0 || errno == EPERM; }

void RemoveEntryFiles(int pid, std::uint32_t number) {
    const std::string base = BusFolder() + std::to_string(pid) + "." + std::to_string(number);
    unlink((base + ".id").c_str());
    unlink((base + ".sock").c_str());
}

std::optional<BusEntry> ParseEntry(const std::string& folder, const std::string& name) {
    BusEntry entry;
    unsigned number = 0;
    char tail[8] = {};
    if (std::sscanf(name.c_str(), "%d.%u.%3s", &entry.pid, &number, tail) != 3 || std::strcmp(tail, "id") != 0) return std::nullopt;
    entry.number = number;
    entry.idPath = folder + name;
    const auto content = ReadWholeFile(entry.idPath, kMaxDescriptionBytes);
    if (!content) return std::nullopt;
    const auto newline = content->find('\n');
    if (newline == std::string::npos) return std::nullopt;
    auto className = Unhex(content->substr(0, newline));
    std::string rest = content->substr(newline + 1);
    if (!rest.empty() && rest.back() == '\n') rest.pop_back();
    auto title = Unhex(rest);
    if (!className || !title) return std::nullopt;
    entry.className = std::move(*className);
    entry.title = std::move(*title);
    return entry;
}

// Reachable windows of live processes; entries of dead processes are removed.
std::vector<BusEntry> ListEntries() {
    std::vector<BusEntry> entries;
    const std::string folder = BusFolder();
    DIR* dir = opendir(folder.c_str());
    if (!dir) return entries;
    while (dirent* item = readdir(dir)) {
        auto entry = ParseEntry(folder, item->d_name);
        if (!entry) continue;
        if (!ProcessAlive(entry->pid)) {
            RemoveEntryFiles(entry->pid, entry->number);
            continue;
        }
        entries.push_back(std::move(*entry));
    }
    closedir(dir);
    return entries;
}

// A window whose process lives but does not listen any more (or a reused pid) is stale.
bool Answers(const BusEntry& entry) {
    if (entry.pid == getpid()) return FindLocalWindow(MakeHwnd(entry.pid, entry.number)).queue != nullptr;
    const int fd = ConnectTo(SocketPath(entry.pid, entry.number));
    if (fd < 0) {
        if (errno == ECONNREFUSED || errno == ENOENT) RemoveEntryFiles(entry.pid, entry.number);
        return false;
    }
    close(fd);
    return true;
}

}  // namespace

std::string Hex(std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

bool SendAll(int fd, const std::string& bytes) {
    for (;;) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        return n == static_cast<ssize_t>(bytes.size());
    }
}

std::string EncodeFrame(const Frame& frame) {
    std::string out;
    out.reserve(kFrameHeaderBytes + frame.data.size());
    Put(out, kFrameMagic);
    Put(out, kFrameVersion);
    Put(out, static_cast<std::uint16_t>(frame.kind));
    Put(out, frame.target);
    Put(out, frame.message);
    Put(out, frame.wParam);
    Put(out, frame.lParam);
    Put(out, frame.dwData);
    Put(out, static_cast<std::uint32_t>(frame.data.size()));
    out += frame.data;
    return out;
}

std::optional<Frame> DecodeFrame(std::string_view bytes) {
    if (bytes.size() < kFrameHeaderBytes || bytes.size() > kMaxFrameBytes) return std::nullopt;
    std::size_t offset = 0;
    if (Get<std::uint32_t>(bytes, offset) != kFrameMagic) return std::nullopt;
    if (Get<std::uint16_t>(bytes, offset) != kFrameVersion) return std::nullopt;
    Frame frame;
    const auto kind = Get<std::uint16_t>(bytes, offset);
    if (kind < 1 || kind > 3) return std::nullopt;
    frame.kind = static_cast<FrameKind>(kind);
    frame.target = Get<std::uint32_t>(bytes, offset);
    frame.message = Get<UINT>(bytes, offset);
    frame.wParam = Get<std::uint64_t>(bytes, offset);
    frame.lParam = Get<std::int64_t>(bytes, offset);
    frame.dwData = Get<std::uint64_t>(bytes, offset);
    const auto size = Get<std::uint32_t>(bytes, offset);
    if (size != bytes.size() - kFrameHeaderBytes) return std::nullopt;
    frame.data.assign(bytes.substr(kFrameHeaderBytes));
    return frame;
}

std::string BusFolder() {
    const std::string runtime = Folders::Runtime();
    if (runtime.empty()) return {};
    const std::string folder = runtime + "bus/";
    CreateFolders(folder, 0700);
    return folder;
}

std::string SocketPath(int pid, std::uint32_t number) {
    return BusFolder() + std::to_string(pid) + "." + std::to_string(number) + ".sock";
}

namespace {

Frame MessageFrame(FrameKind kind, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame frame;
    frame.kind = kind;
    frame.target = HwndNumber(hwnd);
    frame.message = message;
    frame.wParam = wParam;
    frame.lParam = lParam;
    return frame;
}

int ConnectToWindow(HWND hwnd) { return ConnectTo(SocketPath(HwndProcessId(hwnd), HwndNumber(hwnd))); }

}  // namespace

LRESULT RemoteSend(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame frame = MessageFrame(FrameKind::Send, hwnd, message, wParam, lParam);
    if (message == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!copy || copy->cbData > kMaxCopyDataBytes || (copy->cbData && !copy->lpData)) return 0;
        frame.lParam = 0;
        frame.dwData = copy->dwData;
        frame.data.assign(static_cast<const char*>(copy->lpData), copy->cbData);
    }
    const int fd = ConnectToWindow(hwnd);
    if (fd < 0) return 0;
    LRESULT result = 0;
    if (SendAll(fd, EncodeFrame(frame))) {
        const auto reply = ReceiveReply(fd, kCrossProcessSendTimeoutMs);
        if (reply && reply->kind == FrameKind::Reply) result = static_cast<LRESULT>(reply->lParam);
    }
    close(fd);
    return result;
}

bool RemotePost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) return false;  // its block only lives during a send
    const int fd = ConnectToWindow(hwnd);
    if (fd < 0) return false;
    const bool sent = SendAll(fd, EncodeFrame(MessageFrame(FrameKind::Post, hwnd, message, wParam, lParam)));
    close(fd);
    return sent;
}

bool RemoteIsWindow(HWND hwnd) {
    const int fd = ConnectToWindow(hwnd);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace detail

MessageWindow::Reachable::~Reachable() {
    if (!state) return;
    detail::CancelListener(*state);
    // The listener may be waiting for this thread to answer a send: keep answering meanwhile.
    const auto ownQueue = detail::CurrentQueueIfAny();
    const auto deadline = TickCount64() + 2000;
    while (!listener.Stop(ownQueue ? 5 : 2000) && TickCount64() < deadline)
        if (ownQueue) ownQueue->DispatchSends();
}

HWND FindWindow(const std::optional<std::string>& className, const std::optional<std::string>& title) {
    for (const auto& entry : detail::ListEntries()) {
        if (className && entry.className != *className) continue;
        if (title && entry.title != *title) continue;
        if (detail::Answers(entry)) return detail::MakeHwnd(entry.pid, entry.number);
    }
    return nullptr;
}

long BroadcastSystemMessage(DWORD flags, DWORD, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!(flags & BSF_POSTMESSAGE) || message == WM_COPYDATA) return -1;
    long reached = 0;
    for (const auto& entry : detail::ListEntries())
        if (PostMessage(detail::MakeHwnd(entry.pid, entry.number), message, wParam, lParam)) ++reached;
    return reached;
}

}  // namespace kx58
