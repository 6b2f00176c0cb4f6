#pragma once
// Runs a helper program of the tests as a child process and reads its report lines.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

class PeerProcess {
public:
    enum class Stderr { Shared, IntoLines };
    // Starts `program` (a file beside the test program) with `args`; its stderr is the test's,
    // or read as lines with its stdout.
    explicit PeerProcess(const std::vector<std::string>& args, const std::string& program = "platform_peer",
                         Stderr stderrTo = Stderr::Shared);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // The next line the peer printed, or nothing when it printed none within the bound.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void Kill(int signal);
    // Exit status as waitpid reports it.
    int Wait();
    // Closes the peer's stdin (peers that wait for EOF end then).
    void CloseInput();
    int Pid() const { return pid_; }

private:
    int pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    std::string buffer_;
    bool reaped_ = false;
};
