#include "platform/named_mutex.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/tick.h"

namespace kx58 {
namespace {

std::string LockPath(const std::string& name, std::string& problem) {
    const Folders::RuntimeFolder runtime = Folders::CheckRuntime();
    if (runtime.path.empty()) {
        problem = runtime.problem;
        return {};
    }
    const std::string folder = runtime.path + "mutex/";
    if (!CreateFolders(folder, 0700)) {
        problem = "the lock folder " + folder + " cannot be created";
        return {};
    }
    static const char digits[] = "0123456789abcdef";
    std::string file;
    for (unsigned char c : name) {
        file.push_back(digits[c >> 4]);
        file.push_back(digits[c & 15]);
    }
    return folder + file + ".lock";
}

int OpenLockFile(const std::string& name, std::string& problem) {
    const std::string path = LockPath(name, problem);
    if (path.empty()) return -1;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) problem = "the lock file " + path + " cannot be opened: " + std::strerror(errno);
    return fd;
}

}  // namespace

NamedMutex::NamedMutex(const std::string& name) {
    const int fd = OpenLockFile(name, problem_);
    if (fd < 0) return;
    // A prober holds the lock shared for a moment; retry briefly before calling it taken.
    const auto deadline = TickCount64() + 100;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || TickCount64() >= deadline) break;
        SleepMs(2);
    }
    alreadyExists_ = errno == EWOULDBLOCK;
    if (!alreadyExists_) problem_ = std::string("the lock cannot be taken: ") + std::strerror(errno);
    close(fd);
}

NamedMutex::~NamedMutex() { Release(); }

void NamedMutex::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}

bool NamedMutex::Exists(const std::string& name) {
    std::string problem;
    const int fd = OpenLockFile(name, problem);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

}  // namespace kx58
