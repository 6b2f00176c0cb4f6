#include "platform/registered_messages.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "platform/folders.h"

namespace kx58 {
namespace {

constexpr UINT kCapacity = kRegisteredMessageLast - kRegisteredMessageFirst + 1;

std::string ReadAll(int fd) {
    std::string content;
    char buffer[8192];
    lseek(fd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    return content;
}

bool Append(int fd, const std::string& text) {
    const ssize_t n = write(fd, text.data(), text.size());
    return n == static_cast<ssize_t>(text.size());
}

// Looks the name up in the session table, appending it when new. The table holds one name a
// line; a line's index is its number's offset from 0xC000.
UINT LookUpOrAppend(const std::string& name) {
    const std::string runtime = Folders::Runtime();
    if (runtime.empty()) return 0;
    const int fd = open((runtime + "messages.txt").c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    UINT result = 0;
    if (flock(fd, LOCK_EX) == 0) {
        const std::string content = ReadAll(fd);
        UINT index = 0;
        bool found = false;
        size_t start = 0;
        while (start < content.size()) {
            const size_t end = content.find('\n', start);
            if (end == std::string::npos) break;  // a torn last line is completed below
            if (content.compare(start, end - start, name) == 0) {
                found = true;
                break;
            }
            ++index;
            start = end + 1;
        }
        if (!found && start < content.size()) {
            // A writer died mid-line: close that line so it keeps its own number.
            if (Append(fd, "\n")) ++index;
            else index = kCapacity;
        }
        if (found) result = kRegisteredMessageFirst + index;
        else if (index < kCapacity && Append(fd, name + "\n")) result = kRegisteredMessageFirst + index;
        flock(fd, LOCK_UN);
    }
    close(fd);
    return result;
}

}  // namespace

UINT RegisterWindowMessage(const std::string& name) {
    if (name.empty() || name.find('\n') != std::string::npos) return 0;
    static std::mutex mutex;
    static std::map<std::string, UINT> cache;
    std::lock_guard lock(mutex);
    // Keyed by session folder too, so a process that changes session never reuses numbers.
    const std::string key = Folders::Runtime() + '\n' + name;
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    const UINT number = LookUpOrAppend(name);
    if (number) cache[key] = number;
    return number;
}

}  // namespace kx58
