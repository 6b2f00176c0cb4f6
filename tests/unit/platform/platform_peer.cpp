// A second process for the platform tests: registers messages, holds mutexes, owns reachable
// windows, writes files and plays a hostile neighbour, driven by its command line; reports on stdout, one line per event.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <sys/socket.h>
#include <vector>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/message_queue.h"
#include "platform/named_mutex.h"
#include "platform/registered_messages.h"
#include "platform/session_bus.h"
#include "platform/session_bus_internal.h"
#include "platform/tick.h"
#include "platform/window_registry.h"

using namespace kx58;

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void WaitForStdinEof() {
    char c;
    while (read(0, &c, 1) > 0) {
    }
}

std::uint32_t Checksum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) sum = (sum ^ data[i]) * 16777619u;
    return sum;
}

int RunWindow(const char* className, const char* title) {
    MessageWindow window([](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CLOSE) {
            PostQuitMessage(0);
            return 0;
        }
        if (message == WM_COPYDATA) {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            Say("copydata " + std::to_string(copy->dwData) + " " + std::to_string(copy->cbData));
            return static_cast<LRESULT>(Checksum(static_cast<const unsigned char*>(copy->lpData), copy->cbData));
        }
        Say("message " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
        return static_cast<LRESULT>(wParam + static_cast<WPARAM>(lParam) + 1);
    });
    if (!window.MakeReachable(className, title)) return 2;
    Say("ready " + std::to_string(reinterpret_cast<std::uintptr_t>(window.Hwnd())));
    return MessageQueue::ForCurrentThread()->RunLoop();
}

// Keeps replacing the file with complete versions until killed.
int RewriteForever(const std::string& path) {
    for (char fill = 'a';; fill = fill == 'z' ? 'a' : static_cast<char>(fill + 1)) {
        if (!WriteFileAtomically(path, std::string(4 << 20, fill))) return 3;
        Say("wrote");
    }
}

// A write that cannot finish (file size limit, as on a full disk) must report failure.
int WriteOverLimit(const std::string& path) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    Say(WriteFileAtomically(path, std::string(1 << 20, 'x')) ? "written" : "failed");
    return 0;
}

int ConnectIdle(HWND hwnd) {
    sockaddr_un address;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0 || !detail::FillAddress(detail::SocketPath(HwndProcessId(hwnd), detail::HwndNumber(hwnd)), address) ||
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

// A hostile neighbour: holds `idle` connections that never send, posts and sends every message
// number but the skipped ones with pointer-like parameters, then sends `final` (wParam, lParam)
// and reports what came back; keeps its idle connections until stdin closes.
int Barrage(char** argv, int argc) {
    const HWND target = FindWindow(std::string(argv[2]), std::string(argv[3]));
    if (!target) return Say("no window"), 4;
    const int idle = std::atoi(argv[4]);
    const UINT final = static_cast<UINT>(std::strtoul(argv[5], nullptr, 0));
    const WPARAM finalW = std::strtoul(argv[6], nullptr, 0);
    const LPARAM finalL = std::strtol(argv[7], nullptr, 0);
    std::vector<bool> skip(0x10000, false);
    for (int i = 8; i < argc; ++i) skip[std::strtoul(argv[i], nullptr, 0) & 0xFFFF] = true;
    skip[WM_COPYDATA] = true;  // its lParam must point at a block in this process
    std::vector<int> held;
    for (int i = 0; i < idle; ++i) held.push_back(ConnectIdle(target));
    Say("holding " + std::to_string(std::count_if(held.begin(), held.end(), [](int fd) { return fd >= 0; })));
    const WPARAM pointerW = 0x7f00deadbeefULL;
    const LPARAM pointerL = 0x10;
    long answered = 0;
    for (UINT message = 0; message <= 0xFFFF; ++message) {
        if (skip[message]) continue;
        PostMessage(target, message, pointerW, pointerL);
        if (SendMessage(target, message, pointerW, pointerL) != 0) ++answered;
    }
    Say("barrage done " + std::to_string(answered));
    const auto begun = TickCount64();
    const LRESULT result = SendMessage(target, final, finalW, finalL);
    Say("sent " + std::to_string(result) + " in " + std::to_string(TickCount64() - begun) + " ms");
    WaitForStdinEof();
    for (int fd : held)
        if (fd >= 0) close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    const std::string command = argv[1];
    if (command == "register") {
        for (int i = 2; i < argc; ++i) Say(std::to_string(RegisterWindowMessage(argv[i])));
        return 0;
    }
    if (command == "mutex" && argc == 3) {
        NamedMutex mutex(argv[2]);
        Say(mutex.Owned() ? "held" : mutex.AlreadyExists() ? "exists" : "error");
        WaitForStdinEof();
        return 0;
    }
    if (command == "window" && argc == 4) return RunWindow(argv[2], argv[3]);
    if (command == "barrage" && argc >= 8) return Barrage(argv, argc);
    if (command == "broadcast" && argc == 5) {
        const long reached = BroadcastSystemMessage(BSF_POSTMESSAGE, BSM_APPLICATIONS, RegisterWindowMessage(argv[2]),
                                                    std::strtoul(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10));
        Say("reached " + std::to_string(reached));
        return 0;
    }
    if (command == "rewrite-forever" && argc == 3) return RewriteForever(argv[2]);
    if (command == "write-over-limit" && argc == 3) return WriteOverLimit(argv[2]);
    return 1;
}
