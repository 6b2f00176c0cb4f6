#include "platform/registered_messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/folders.h"

namespace kx58 {
namespace {

constexpr UINT kCapacity = kRegisteredMessageLast - kRegisteredMessageFirst + 1;
// Room for a full table of long names; anything larger is not a table the program wrote.
constexpr std::size_t kMaxTableBytes = kMaxSettingsFileBytes;

bool Append(int fd, const std::string& text) {
    const ssize_t n = write(fd, text.data(), text.size());
    return n == static_cast<ssize_t>(text.size());
}

// The name's number in the table `content` (one name a line; a line's index is its number's
// offset from 0xC000), appending it when new. `problem` tells why it gives 0.
UINT FindOrAppend(int fd, const std::string& content, const std::string& name, std::string& problem) {
    UINT index = 0;
    size_t start = 0;
    while (start < content.size()) {
        const size_t end = content.find('\n', start);
        if (end == std::string::npos) break;  // a torn last line is completed below
        if (content.compare(start, end - start, name) == 0) return kRegisteredMessageFirst + index;
        ++index;
        start = end + 1;
    }
    // A writer died mid-line: close that line so it keeps its own number.
    const bool torn = start < content.size();
    if (torn) ++index;
    if (index >= kCapacity) {
        problem = "is full (" + std::to_string(kCapacity) + " names)";
        return 0;
    }
    if ((torn && !Append(fd, "\n")) || !Append(fd, name + "\n")) {
        problem = "cannot be written";
        return 0;
    }
    return kRegisteredMessageFirst + index;
}

UINT LookUpOrAppend(const std::string& name, std::string& problem) {
    const Folders::RuntimeFolder runtime = Folders::CheckRuntime();
    if (runtime.path.empty()) {
        problem = runtime.problem;
        return 0;
    }
    const std::string path = runtime.path + "messages.txt";
    // O_NONBLOCK: a FIFO in the table's place must not stall the open; it is refused below.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        problem = "the message table " + path + " cannot be opened: " + std::strerror(errno);
        return 0;
    }
    UINT result = 0;
    std::string why;
    if (flock(fd, LOCK_EX) == 0) {
        const FileRead table = ReadOpenFile(fd, kMaxTableBytes);
        if (table.ok()) result = FindOrAppend(fd, table.text, name, why);
        else why = std::string("is ") + DescribeFileRead(table.status);
        flock(fd, LOCK_UN);
    } else {
        why = std::string("cannot be locked: ") + std::strerror(errno);
    }
    close(fd);
    if (!result) problem = "the message table " + path + " " + why;
    return result;
}

}  // namespace

UINT RegisterWindowMessage(const std::string& name) {
    std::string problem;
    return RegisterWindowMessage(name, problem);
}

UINT RegisterWindowMessage(const std::string& name, std::string& problem) {
    if (name.empty() || name.find('\n') != std::string::npos) {
        problem = "a message name is empty or holds a line break";
        return 0;
    }
    static std::mutex mutex;
    static std::map<std::string, UINT> cache;
    std::lock_guard lock(mutex);
    // Keyed by session folder too, so a process that changes session never reuses numbers.
    const std::string key = Folders::Runtime() + '\n' + name;
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    const UINT number = LookUpOrAppend(name, problem);
    if (number) cache[key] = number;
    return number;
}

}  // namespace kx58
