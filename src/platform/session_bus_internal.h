#pragma once
// Process-internal parts of the session bus: the listener that makes a window reachable and
// the frame format shared by both ends.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/un.h>

#include "platform/message_queue.h"
#include "platform/worker_thread.h"

namespace kx58 {

namespace detail {

enum class FrameKind : std::uint16_t { Post = 1, Send = 2, Reply = 3 };

struct Frame {
    FrameKind kind = FrameKind::Post;
    std::uint32_t target = 0;  // window number inside the receiving process
    UINT message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint64_t dwData = 0;
    std::string data;  // the copy-data block of WM_COPYDATA
};

inline constexpr std::size_t kFrameHeaderBytes = 44;
inline constexpr std::size_t kMaxFrameBytes = kFrameHeaderBytes + 64 * 1024;

std::string EncodeFrame(const Frame& frame);
// Nothing for anything that is not exactly one well-formed frame.
std::optional<Frame> DecodeFrame(std::string_view bytes);

std::string BusFolder();
std::string SocketPath(int pid, std::uint32_t number);

// Shared by the client side and the listener.
std::string Hex(std::string_view text);
bool FillAddress(const std::string& path, sockaddr_un& address);
bool SendAll(int fd, const std::string& bytes);

struct ListenerState;
void CancelListener(const ListenerState& state);

}  // namespace detail

struct MessageWindow::Reachable {
    ~Reachable();
    std::shared_ptr<detail::ListenerState> state;
    WorkerThread listener;
};

namespace detail {
std::unique_ptr<MessageWindow::Reachable> StartReachable(HWND hwnd, const std::string& className, const std::string& title,
                                                         MessageWindow::OutsideFilter admits);
}  // namespace detail

}  // namespace kx58
