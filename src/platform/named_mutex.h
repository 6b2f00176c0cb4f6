#pragma once
// Session-wide named mutexes (flock on a file in the runtime folder). The holder's lock goes
// away with the holder, even when it crashes.
#include <memory>
#include <string>

namespace kx58 {

class NamedMutex {
public:
    // Creates the mutex owned. AlreadyExists() tells that another holder has it; then this
    // object does not own it.
    explicit NamedMutex(const std::string& name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool Owned() const { return fd_ >= 0; }
    bool AlreadyExists() const { return alreadyExists_; }
    // Why the mutex is neither owned nor held elsewhere (no lock file could be had); a line
    // for the user, empty otherwise.
    const std::string& Problem() const { return problem_; }
    // Releases ownership now (the destructor does it too).
    void Release();

    // True when some process holds the named mutex (OpenMutex succeeds).
    static bool Exists(const std::string& name);

private:
    int fd_ = -1;
    bool alreadyExists_ = false;
    std::string problem_;
};

}  // namespace kx58
