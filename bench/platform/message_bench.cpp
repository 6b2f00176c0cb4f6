// Round trips of the message layer: how long a worker thread waits for the UI thread to
// answer a send, a post's cost, and a send to a window of another process.
#include <benchmark/benchmark.h>

#include <thread>

#include "platform/event.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "support/temp_dir.h"

using namespace kx58;

namespace {

constexpr UINT kPing = WM_USER + 1;
constexpr UINT kStop = WM_USER + 2;

struct UiThread {
    Event ready;
    HWND hwnd = nullptr;
    std::thread thread;
    explicit UiThread(bool reachable = false) {
        thread = std::thread([this, reachable] {
            MessageWindow window([](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
                if (message == kStop) PostQuitMessage(0);
                return static_cast<LRESULT>(wParam) + 1;
            });
            if (reachable) window.MakeReachable("bench", "bench");
            hwnd = window.Hwnd();
            ready.Set();
            MessageQueue::ForCurrentThread()->RunLoop();
        });
        ready.Wait(kInfinite);
    }
    ~UiThread() {
        PostMessage(hwnd, kStop, 0, 0);
        thread.join();
    }
};

void CrossThreadSend(benchmark::State& state) {
    UiThread ui;
    WPARAM i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(SendMessage(ui.hwnd, kPing, i++, 0));
}
BENCHMARK(CrossThreadSend);

void SameThreadSend(benchmark::State& state) {
    MessageWindow window([](UINT, WPARAM wParam, LPARAM) -> LRESULT { return static_cast<LRESULT>(wParam); });
    WPARAM i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(SendMessage(window.Hwnd(), kPing, i++, 0));
}
BENCHMARK(SameThreadSend);

// Through the session bus socket (the receiving window lives in this process but another
// thread, so the path is the one another process would take once it has the socket).
void SessionBusLookup(benchmark::State& state) {
    kx58test::IsolatedSession session;
    UiThread ui(true);
    for (auto _ : state) benchmark::DoNotOptimize(FindWindow("bench", "bench"));
}
BENCHMARK(SessionBusLookup);

}  // namespace
