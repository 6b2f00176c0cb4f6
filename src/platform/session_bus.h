#pragma once
// Reaching windows of other processes of the same user: FindWindow and
// BroadcastSystemMessage. Cross-process SendMessage/PostMessage go through
// message_queue.h with the handle FindWindow returns (or one received in a message).
#include <cstdint>
#include <optional>
#include <string>

#include "platform/win_types.h"

namespace kx58 {

// A reachable window whose class and title match; an empty optional matches any. nullptr
// when none exists. Entries left by processes that died are removed on the way.
HWND FindWindow(const std::optional<std::string>& className, const std::optional<std::string>& title);

// Posts the message to every reachable window of every process of the user (this one too).
// Only BSF_POSTMESSAGE delivery is supported. Returns the number of windows reached, or -1 on
// failure.
long BroadcastSystemMessage(DWORD flags, DWORD recipients, UINT message, WPARAM wParam, LPARAM lParam);

// Largest copy-data block a cross-process frame carries.
inline constexpr std::uint32_t kMaxCopyDataBytes = 64 * 1024;

}  // namespace kx58
