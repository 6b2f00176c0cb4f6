#include "unit/platform/peer_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/folders.h"

extern char** environ;

PeerProcess::PeerProcess(const std::vector<std::string>& args, const std::string& programName, Stderr stderrTo) {
    int outPipe[2], inPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(inPipe, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    if (stderrTo == Stderr::IntoLines) posix_spawn_file_actions_adddup2(&actions, outPipe[1], 2);
    std::string program = kx58::Folders::Program() + programName;
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(inPipe[0]);
    out_ = outPipe[0];
    in_ = inPipe[1];
}

PeerProcess::~PeerProcess() {
    if (pid_ > 0 && !reaped_) {
        Kill(SIGKILL);
        Wait();
    }
    if (out_ >= 0) close(out_);
    CloseInput();
}

std::optional<std::string> PeerProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd fd{out_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) return std::nullopt;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

void PeerProcess::Kill(int signal) {
    if (pid_ > 0 && !reaped_) kill(pid_, signal);
}

int PeerProcess::Wait() {
    int status = -1;
    if (pid_ > 0 && !reaped_) {
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }
    return status;
}

void PeerProcess::CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}
