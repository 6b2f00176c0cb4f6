#include "support/dbus_server.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <vector>

extern char** environ;

namespace kx58test {
namespace {

constexpr auto kStartBound = std::chrono::seconds(15);

// Spawns the daemon with its stdout into `outFd` and its complaints into `logFile`; -1 when it
// cannot be started.
pid_t SpawnDaemon(const std::string& listenAddress, int outFd, const std::string& logFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> args = {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                                     "--address=" + listenAddress};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The first line the daemon writes (its address), read until the bound passes.
std::string ReadAddressLine(int fd) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        const int polled = left.count() > 0 ? poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return {};
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) return {};  // the daemon ended before it told its address
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

PrivateDbusServer::PrivateDbusServer(const std::string& folder) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        problem_ = "no pipe for dbus-daemon's address";
        return;
    }
    pid_ = SpawnDaemon("unix:path=" + folder + "/bus", out[1], folder + "/dbus-daemon.log");
    close(out[1]);
    if (pid_ > 0) address_ = ReadAddressLine(out[0]);
    close(out[0]);
    if (pid_ <= 0) {
        pid_ = -1;
        problem_ = "dbus-daemon cannot be started (package dbus-daemon installed?)";
    } else if (address_.empty()) {
        Stop();
        problem_ = "dbus-daemon did not tell its address (see " + folder + "/dbus-daemon.log)";
    }
}

PrivateDbusServer::~PrivateDbusServer() { Stop(); }

void PrivateDbusServer::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace kx58test
