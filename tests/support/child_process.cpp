#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

extern char** environ;

namespace kx58test {
namespace {

// This process's environment with `changes` ("NAME=value") put over it.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> variables(changes);
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const auto sameName = [&](const std::string& change) {
            return change.substr(0, change.find('=')) == variable.substr(0, variable.find('='));
        };
        if (std::none_of(changes.begin(), changes.end(), sameName)) variables.push_back(variable);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// stdin from /dev/null; stdout into `outFd` or the log; stderr into the log or after stdout.
void ConnectStreams(posix_spawn_file_actions_t& actions, int outFd, const std::string& log) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!log.empty()) posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else if (!log.empty()) posix_spawn_file_actions_adddup2(&actions, 2, 1);
    if (log.empty() && outFd >= 0) posix_spawn_file_actions_adddup2(&actions, 1, 2);
}

}  // namespace

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildStreams& streams) {
    int pipeFds[2] = {-1, -1};
    if (Running() || argv.empty() || (streams.readOutput && pipe2(pipeFds, O_CLOEXEC) != 0)) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    ConnectStreams(actions, pipeFds[1], streams.log);
    std::vector<std::string> args = argv, variables = EnvironmentWith(streams.environment);
    std::vector<char*> argp = Pointers(args), envp = Pointers(variables);
    if (posix_spawnp(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pipeFds[1] >= 0) close(pipeFds[1]);
    output_ = pipeFds[0];
    if (!Running()) Wait();  // closes the pipe
    return Running();
}

bool ChildProcess::HasEnded() {
    int status = 0;
    if (Running() && waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;
    return !Running();
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (std::size_t end; (end = buffered_.find('\n')) == std::string::npos;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadChunk(static_cast<int>(left.count()))) return std::nullopt;
    }
    std::string line = buffered_.substr(0, buffered_.find('\n'));
    buffered_.erase(0, line.size() + 1);
    return line;
}

std::string ChildProcess::ReadToEnd() {
    while (ReadChunk(-1)) {
    }
    return std::exchange(buffered_, {});
}

bool ChildProcess::ReadChunk(int timeoutMs) {
    pollfd ready{output_, POLLIN, 0};
    const int polled = output_ >= 0 ? poll(&ready, 1, timeoutMs) : 0;
    if (polled <= 0) return polled < 0 && errno == EINTR;  // the caller's deadline still holds
    char chunk[1024];
    const ssize_t n = read(output_, chunk, sizeof chunk);
    if (n > 0) buffered_.append(chunk, static_cast<std::size_t>(n));
    return n > 0 || (n < 0 && errno == EINTR);
}

bool ChildProcess::Signal(int signal) const { return Running() && kill(pid_, signal) == 0; }

void ChildProcess::Stop(int signal) {
    if (Signal(signal) && signal != SIGKILL) Signal(SIGCONT);
    Wait();
}

int ChildProcess::Wait() {
    int status = 0;
    int reaped = -1;
    while (Running() && (reaped = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    const bool ran = Running() && reaped == pid_;
    pid_ = -1;
    if (output_ >= 0) close(output_);
    output_ = -1;
    return ran && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kx58test
