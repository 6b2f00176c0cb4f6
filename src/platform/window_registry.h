#pragma once
// Process-internal: the table of this process's message windows and the handle encoding.
// A handle's value is (process id << 24) | window number, so it stays meaningful in another
// process of the session.
#include <cstdint>
#include <memory>

#include "platform/message_queue.h"

namespace kx58::detail {

inline constexpr std::uint64_t kWindowNumberBits = 24;

HWND MakeHwnd(int pid, std::uint32_t number);
std::uint32_t HwndNumber(HWND hwnd);
bool IsLocalHwnd(HWND hwnd);

struct WindowEntry {
    std::shared_ptr<MessageQueue> queue;
    std::shared_ptr<MessageWindow::Handler> handler;
};

HWND RegisterWindow(const std::shared_ptr<MessageQueue>& queue, const std::shared_ptr<MessageWindow::Handler>& handler);
void UnregisterWindow(HWND hwnd);
// The entry of a live local window, or an empty entry.
WindowEntry FindLocalWindow(HWND hwnd);

// The calling thread's queue if it already has one (never creates it).
std::shared_ptr<MessageQueue> CurrentQueueIfAny();

// Cross-process delivery, implemented by the session bus.
LRESULT RemoteSend(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool RemotePost(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool RemoteIsWindow(HWND hwnd);

}  // namespace kx58::detail
