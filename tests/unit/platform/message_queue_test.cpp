#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/message_queue.h"

using namespace kx58;

namespace {

constexpr UINT kAdd = WM_USER + 1;
constexpr UINT kRecord = WM_USER + 2;
constexpr UINT kStop = WM_USER + 3;

// A UI thread with one window, running its loop until kStop.
class UiThread {
public:
    explicit UiThread(MessageWindow::Handler extra = {}) {
        thread_ = std::thread([this, extra] {
            MessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == kStop) {
                    PostQuitMessage(0);
                    return 0;
                }
                if (message == kAdd) return static_cast<LRESULT>(wParam) + lParam;
                return extra ? extra(message, wParam, lParam) : 0;
            });
            hwnd_ = window.Hwnd();
            threadId_ = std::this_thread::get_id();
            ready_.Set();
            MessageQueue::ForCurrentThread()->RunLoop();
        });
        ready_.Wait(kInfinite);
    }
    ~UiThread() {
        PostMessage(hwnd_, kStop, 0, 0);
        thread_.join();
    }
    HWND Hwnd() const { return hwnd_; }
    std::thread::id ThreadId() const { return threadId_; }

private:
    Event ready_;
    HWND hwnd_ = nullptr;
    std::thread::id threadId_;
    std::thread thread_;
};

}  // namespace

TEST(MessageQueue, CrossThreadSendRunsOnOwnerAndReturnsItsResult) {
    std::thread::id handledOn;
    UiThread ui([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message != kRecord) return 0;
        handledOn = std::this_thread::get_id();
        return 77;
    });
    EXPECT_EQ(SendMessage(ui.Hwnd(), kAdd, 40, 2), 42);
    EXPECT_EQ(SendMessage(ui.Hwnd(), kRecord, 0, 0), 77);
    EXPECT_EQ(handledOn, ui.ThreadId());  // written before the send returned: no race
}

TEST(MessageQueue, SendFromOwnerThreadCallsDirectlyAndDeadWindowsAnswerZero) {
    int calls = 0;
    HWND gone;
    {
        MessageWindow window([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++calls; });
        EXPECT_EQ(SendMessage(window.Hwnd(), kRecord, 0, 0), 1);  // no loop runs: must be direct
        EXPECT_TRUE(IsWindow(window.Hwnd()));
        gone = window.Hwnd();
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(SendMessage(gone, kRecord, 0, 0), 0);
    EXPECT_FALSE(PostMessage(gone, kRecord, 0, 0));
    EXPECT_EQ(SendMessage(nullptr, kRecord, 0, 0), 0);
}

TEST(MessageQueue, ConcurrentSendsAreEachHandledOnceInOrderPerSender) {
    constexpr int kSenders = 6, kPerSender = 300;
    std::map<int, std::vector<int>> seen;  // touched only on the UI thread
    std::atomic<int> inHandler{0};
    bool overlapped = false;
    UiThread ui([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kRecord) return 0;
        if (inHandler.fetch_add(1) != 0) overlapped = true;
        seen[static_cast<int>(wParam)].push_back(static_cast<int>(lParam));
        inHandler.fetch_sub(1);
        return lParam * 2;
    });
    std::atomic<int> wrongResults{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < kPerSender; ++i)
                if (SendMessage(ui.Hwnd(), kRecord, s, i) != i * 2) ++wrongResults;
        });
    for (auto& t : senders) t.join();
    EXPECT_EQ(wrongResults.load(), 0);
    // The sends above completed, so the UI thread is done with `seen`; a final send orders it.
    SendMessage(ui.Hwnd(), kAdd, 0, 0);
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(seen.size(), static_cast<size_t>(kSenders));
    for (const auto& [sender, values] : seen) {
        ASSERT_EQ(values.size(), static_cast<size_t>(kPerSender)) << "sender " << sender;
        for (int i = 0; i < kPerSender; ++i) ASSERT_EQ(values[i], i) << "sender " << sender;
    }
}

TEST(MessageQueue, PostsKeepOrderAndQuitEndsTheLoopWithItsCode) {
    std::vector<LPARAM> order;
    MessageWindow window([&](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == kRecord) order.push_back(lParam);
        if (message == kStop) PostQuitMessage(static_cast<int>(lParam));
        return 0;
    });
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) PostMessage(window.Hwnd(), kRecord, 0, i);
        PostMessage(window.Hwnd(), kStop, 0, 9);
    });
    EXPECT_EQ(MessageQueue::ForCurrentThread()->RunLoop(), 9);
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(MessageQueue, TimerFiresOncePerArmingWhenItsHandlerKillsIt) {
    auto queue = MessageQueue::ForCurrentThread();
    int fired = 0, rearmed = 0;
    HWND hwnd = nullptr;
    MessageWindow window([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != WM_TIMER || wParam != 1011) return 0;
        KillTimer(hwnd, 1011);  // one-shot, as the program's timers are
        ++fired;
        if (rearmed < 2) {
            ++rearmed;
            SetTimer(hwnd, 1011, 5);
        } else {
            PostQuitMessage(0);
        }
        return 0;
    });
    hwnd = window.Hwnd();
    ASSERT_TRUE(SetTimer(hwnd, 1011, 5));
    EXPECT_EQ(queue->RunLoop(), 0);
    EXPECT_EQ(fired, 3);
    // Nothing is left armed: a pass later fires nothing.
    EXPECT_FALSE(queue->NextTimerDueMs().has_value());
    EXPECT_TRUE(queue->DispatchPending());
    EXPECT_EQ(fired, 3);
}

TEST(MessageQueue, RepeatingTimerAndTimersOfOtherThreadsAreRefused) {
    auto queue = MessageQueue::ForCurrentThread();
    int fired = 0;
    HWND hwnd = nullptr;
    MessageWindow window([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_TIMER && ++fired == 3) {
            KillTimer(hwnd, 7);
            PostQuitMessage(0);
        }
        return 0;
    });
    hwnd = window.Hwnd();
    ASSERT_TRUE(SetTimer(hwnd, 7, 2));
    queue->RunLoop();
    EXPECT_EQ(fired, 3);
    bool armedFromOtherThread = true;
    std::thread([&] { armedFromOtherThread = SetTimer(hwnd, 8, 1); }).join();
    EXPECT_FALSE(armedFromOtherThread);
}

TEST(MessageQueue, TwoUiThreadsSendingToEachOtherDoNotDeadlock) {
    // Each handler sends to the other thread's window while being sent to: the waiting
    // thread must answer sends addressed to itself.
    HWND other = nullptr;
    UiThread second([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == kRecord ? SendMessage(other, kAdd, 1, 2) + 100 : 0;
    });
    MessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == kAdd ? static_cast<LRESULT>(wParam) + lParam : 0;
    });
    other = window.Hwnd();
    // This thread has a queue (it owns a window), so while it waits it answers kAdd.
    EXPECT_EQ(SendMessage(second.Hwnd(), kRecord, 0, 0), 103);
}
