#pragma once
// Message windows and the per-thread message queue, in place of the system's windows,
// SendMessage/PostMessage and window timers.
//
// A MessageWindow belongs to the thread that created it. SendMessage from that thread calls
// the handler directly; from any other thread it queues the message, blocks until the owner
// thread handled it and returns the handler's result. While a thread that owns a queue waits
// for such a send, it keeps handling sends addressed to itself, so two UI threads (or two
// processes) sending to each other do not deadlock.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/win_types.h"

namespace kx58 {

class MessageQueue;

class MessageWindow {
public:
    using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit MessageWindow(Handler handler);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Which message numbers other processes may deliver; an empty filter admits every one.
    using OutsideFilter = std::function<bool(UINT message)>;
    // Makes the window reachable from other processes by class and title (FindWindow,
    // BroadcastSystemMessage, cross-process sends). A frame whose message the filter refuses
    // is dropped on the listener thread (a send is answered 0); the filter runs there, so it
    // must not touch state of the window's thread. False when the bus cannot be set up.
    bool MakeReachable(const std::string& className, const std::string& title, OutsideFilter admits = {});

    // Process-internal: the listener behind MakeReachable.
    struct Reachable;

private:
    HWND hwnd_ = nullptr;
    std::shared_ptr<MessageQueue> queue_;
    std::shared_ptr<Handler> handler_;
    std::unique_ptr<Reachable> reachable_;
};

// Sends and waits for the result. 0 when the window does not exist (or went away meanwhile).
// A send to another process waits at most kCrossProcessSendTimeoutMs.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr std::uint32_t kCrossProcessSendTimeoutMs = 5000;
// Queues the message for the window's thread; false when the window does not exist.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Arms a timer that sends WM_TIMER(id) to the window every `elapseMs` until killed. Arming an
// id that is armed restarts it. Only for windows of the calling thread's queue.
bool SetTimer(HWND hwnd, std::uintptr_t id, std::uint32_t elapseMs);
bool KillTimer(HWND hwnd, std::uintptr_t id);
// True while the window exists (local) or its process listens (remote).
bool IsWindow(HWND hwnd);
// Makes the current thread's loop return `exitCode`.
void PostQuitMessage(int exitCode);

// The process id and window number a handle names.
int HwndProcessId(HWND hwnd);

// The queue of one thread: posted messages, sent messages waiting for an answer, timers.
// UI backends drive it: either RunLoop(), or wait on WakeFd()/NextTimerDueMs() themselves and
// call DispatchPending().
class MessageQueue {
public:
    static std::shared_ptr<MessageQueue> ForCurrentThread();
    ~MessageQueue();

    // Runs until PostQuitMessage; returns its exit code.
    int RunLoop();
    // Runs until `done` holds (checked after each pass) or a quit is posted; a nested modal
    // loop uses it. False when it ended for a quit, which stays pending for the outer loop.
    bool RunUntil(const std::function<bool()>& done);
    // Handles everything ready now (sends, posts, due timers) without blocking. Returns false
    // while a quit is pending (TakeQuitCode consumes it).
    bool DispatchPending();
    // Handles pending sends only (used while this thread waits for another party).
    void DispatchSends();
    // Waits until something is ready or timeoutMs passed. True when something is ready.
    bool WaitForWork(std::uint32_t timeoutMs);
    // Readable when messages are queued; reset by DispatchPending.
    int WakeFd() const;
    // Milliseconds until the next timer is due, or nothing when no timer is armed.
    std::optional<std::uint32_t> NextTimerDueMs() const;
    std::optional<int> QuitCode() const;
    std::optional<int> TakeQuitCode();

    struct Impl;
    explicit MessageQueue(std::unique_ptr<Impl> impl);
    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kx58
