#pragma once
// A program a test or benchmark starts beside itself (a daemon, a control tool): looked up in
// PATH, stdin from /dev/null, stdout into a pipe this side reads or into a log file, stderr
// into the log file. The object owns the child: its destruction ends the child (SIGTERM) and
// reaps it, so no test leaves a daemon or a zombie behind. One thread uses an object at a time.
#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

namespace kx58test {

struct ChildStreams {
    // stdout into a pipe read with ReadLine and ReadToEnd; otherwise into `log`.
    bool readOutput = false;
    // stderr (and stdout when it is not read) into this file, made anew; empty: stderr goes
    // where stdout goes.
    std::string log{};
    // "NAME=value" entries that replace or add to this process's environment for the child.
    std::vector<std::string> environment{};
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False when it runs already or cannot be started (no such program, no pipe).
    bool Start(const std::vector<std::string>& argv, const ChildStreams& streams = {});
    // Started and not reaped yet.
    bool Running() const { return pid_ > 0; }
    // Reaps the child when it has ended by itself; true once it is gone.
    bool HasEnded();

    // The next line of its output without the "\n"; nothing when the output ends or `bound`
    // passes first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds bound);
    // Its output until it closes it.
    std::string ReadToEnd();

    bool Signal(int signal) const;
    // Sends `signal` (and SIGCONT, so a stopped child acts on it), reaps the child and
    // closes the pipe; nothing when it does not run.
    void Stop(int signal = SIGTERM);
    // Waits for the child to end by itself: its exit code, or -1 when a signal ended it or
    // it did not run.
    int Wait();

private:
    // False at the end of the output, on a timeout or a failed read.
    bool ReadChunk(int timeoutMs);

    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
};

}  // namespace kx58test
