// Runs the program's single-instance start step as a separate process: the first one keeps
// the lock and prints what its reachable window receives; a later one exits at once.
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "platform/message_queue.h"

using namespace kx58;

int main() {
    unsigned instanceMessage = 0;
    auto mutex = ClaimSingleInstance(instanceMessage);
    if (!mutex) {
        std::printf("second %u\n", instanceMessage);
        return 0;
    }
    MessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        std::printf("message %u %lu %ld\n", message, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        std::fflush(stdout);
        if (message == WM_CLOSE) PostQuitMessage(0);
        return 0;
    });
    window.MakeReachable("MainWnd", "KX58RGBVs Device");
    std::printf("first %u\n", instanceMessage);
    std::fflush(stdout);
    return MessageQueue::ForCurrentThread()->RunLoop();
}
