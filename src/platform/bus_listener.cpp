// The listener that makes a window reachable: one thread per reachable window serves every
// connection at once from one poll loop, so an idle or slow peer never delays the others.
//
// Bounds: a connection must deliver its frame within kFrameDeadlineMs of being accepted; one
// peer process holds at most kMaxConnectionsPerPeer connections; when kMaxConnections are open
// the oldest is closed to make room, so the backlog never fills.
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/session_bus_internal.h"
#include "platform/tick.h"
#include "platform/window_registry.h"

namespace kx58 {
namespace detail {
namespace {

constexpr std::uint64_t kFrameDeadlineMs = 1000;
constexpr std::size_t kMaxConnections = 64;
constexpr std::size_t kMaxConnectionsPerPeer = 8;
constexpr int kTracedRefusals = 16;

struct Connection {
    int fd = -1;
    pid_t peer = 0;
    std::uint64_t deadline = 0;
};

// Peer process of a connection; connections of other users are refused.
std::optional<pid_t> PeerOf(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return std::nullopt;
    if (credentials.uid != geteuid()) return std::nullopt;
    return credentials.pid;
}

}  // namespace

struct ListenerState {
    HWND hwnd = nullptr;
    int listenFd = -1;
    int cancelFd = -1;
    std::string socketPath;
    std::string idPath;
    MessageWindow::OutsideFilter admits;
    int refusalsTraced = 0;
    std::vector<Connection> connections;

    ~ListenerState() {
        for (const Connection& connection : connections) close(connection.fd);
        if (listenFd >= 0) close(listenFd);
        if (cancelFd >= 0) close(cancelFd);
    }

    void Run();

private:
    int PollTimeout() const;
    void AcceptPending();
    void Admit(int fd);
    void CloseAt(std::size_t index);
    void ServeReadable(const std::vector<pollfd>& fds);
    void CloseExpired();
    void Serve(int fd, pid_t peer);
    bool Admitted(const Frame& frame, pid_t peer);
};

void ListenerState::Run() {
    std::vector<pollfd> fds;
    for (;;) {
        fds.assign({{listenFd, POLLIN, 0}, {cancelFd, POLLIN, 0}});
        for (const Connection& connection : connections) fds.push_back({connection.fd, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), PollTimeout());
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) break;
        if (ready > 0) ServeReadable(fds);
        CloseExpired();
        if (fds[0].revents & POLLIN) AcceptPending();
    }
}

int ListenerState::PollTimeout() const {
    if (connections.empty()) return -1;
    const std::uint64_t now = TickCount64();
    const auto oldest = std::min_element(connections.begin(), connections.end(),
                                         [](const Connection& a, const Connection& b) { return a.deadline < b.deadline; });
    return oldest->deadline <= now ? 0 : static_cast<int>(oldest->deadline - now);
}

void ListenerState::AcceptPending() {
    for (;;) {
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // EAGAIN: nothing more waiting (or out of descriptors: try on the next wake)
        }
        Admit(fd);
    }
}

void ListenerState::Admit(int fd) {
    const std::optional<pid_t> peer = PeerOf(fd);
    if (!peer) {
        close(fd);
        return;
    }
    // A frame that is already there is served at once (a sender posts many in a row); only
    // connections still waiting for theirs count against the bounds.
    pollfd probe{fd, POLLIN, 0};
    if (poll(&probe, 1, 0) == 1) {
        if (probe.revents & POLLIN) Serve(fd, *peer);
        close(fd);
        return;
    }
    const auto waiting = std::count_if(connections.begin(), connections.end(), [&](const Connection& c) { return c.peer == *peer; });
    if (static_cast<std::size_t>(waiting) >= kMaxConnectionsPerPeer) {
        close(fd);
        return;
    }
    if (connections.size() >= kMaxConnections) CloseAt(0);  // the oldest
    connections.push_back({fd, *peer, TickCount64() + kFrameDeadlineMs});
}

void ListenerState::CloseAt(std::size_t index) {
    close(connections[index].fd);
    connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(index));
}

void ListenerState::ServeReadable(const std::vector<pollfd>& fds) {
    // fds[2 + i] belongs to connections[i]; walk backwards so erasing keeps the pairing.
    for (std::size_t i = connections.size(); i-- > 0;) {
        if (!(fds[2 + i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const Connection connection = connections[i];
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
        if (fds[2 + i].revents & POLLIN) Serve(connection.fd, connection.peer);
        close(connection.fd);
    }
}

void ListenerState::CloseExpired() {
    const std::uint64_t now = TickCount64();
    for (std::size_t i = connections.size(); i-- > 0;)
        if (connections[i].deadline <= now) CloseAt(i);
}

bool ListenerState::Admitted(const Frame& frame, pid_t peer) {
    if (!admits || admits(frame.message)) return true;
    if (refusalsTraced < kTracedRefusals) {
        DebugTraceF("session bus: message 0x%X from process %d refused", frame.message, static_cast<int>(peer));
        if (++refusalsTraced == kTracedRefusals) DebugTrace("session bus: further refusals are not traced");
    }
    return false;
}

void ListenerState::Serve(int fd, pid_t peer) {
    std::string buffer(kMaxFrameBytes + 1, '\0');
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n <= 0 || static_cast<std::size_t>(n) > kMaxFrameBytes) return;
    buffer.resize(static_cast<std::size_t>(n));
    const std::optional<Frame> frame = DecodeFrame(buffer);
    if (!frame || frame->target != HwndNumber(hwnd)) return;  // dropped without harm
    const bool admitted = Admitted(*frame, peer);
    if (frame->kind == FrameKind::Post) {
        if (admitted && frame->message != WM_COPYDATA)
            PostMessage(hwnd, frame->message, static_cast<WPARAM>(frame->wParam), static_cast<LPARAM>(frame->lParam));
        return;
    }
    if (frame->kind != FrameKind::Send) return;
    Frame reply;
    reply.kind = FrameKind::Reply;
    reply.target = frame->target;
    reply.message = frame->message;
    if (admitted) {
        COPYDATASTRUCT copy{static_cast<std::uintptr_t>(frame->dwData), static_cast<DWORD>(frame->data.size()),
                            frame->data.data()};
        const LPARAM lParam =
            frame->message == WM_COPYDATA ? reinterpret_cast<LPARAM>(&copy) : static_cast<LPARAM>(frame->lParam);
        reply.lParam = SendMessage(hwnd, frame->message, static_cast<WPARAM>(frame->wParam), lParam);
    }
    SendAll(fd, EncodeFrame(reply));
}

std::unique_ptr<MessageWindow::Reachable> StartReachable(HWND hwnd, const std::string& className, const std::string& title,
                                                         MessageWindow::OutsideFilter admits) {
    auto state = std::make_shared<ListenerState>();
    state->hwnd = hwnd;
    state->admits = std::move(admits);
    state->socketPath = SocketPath(getpid(), HwndNumber(hwnd));
    state->idPath = BusFolder() + std::to_string(getpid()) + "." + std::to_string(HwndNumber(hwnd)) + ".id";
    sockaddr_un address;
    if (BusFolder().empty() || !FillAddress(state->socketPath, address)) return nullptr;
    unlink(state->socketPath.c_str());
    state->listenFd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    state->cancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state->listenFd < 0 || state->cancelFd < 0 ||
        bind(state->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(state->listenFd, 64) != 0) {
        DebugTraceF("session bus: cannot listen on %s: %s", state->socketPath.c_str(), std::strerror(errno));
        unlink(state->socketPath.c_str());
        return nullptr;
    }
    chmod(state->socketPath.c_str(), 0600);
    if (!WriteFileAtomically(state->idPath, Hex(className) + "\n" + Hex(title) + "\n")) {
        unlink(state->socketPath.c_str());
        return nullptr;
    }
    auto reachable = std::make_unique<MessageWindow::Reachable>();
    reachable->state = state;
    reachable->listener.Start("session bus listener", [state](Event&) { state->Run(); });
    return reachable;
}

void CancelListener(const ListenerState& state) {
    unlink(state.idPath.c_str());
    unlink(state.socketPath.c_str());
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(state.cancelFd, &one, sizeof one);
}

}  // namespace detail
}  // namespace kx58
