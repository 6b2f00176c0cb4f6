#include "profile/released_documents.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/folders.h"

namespace kx58 {
namespace {

std::mutex& ReleasedMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& Released() {
    static std::set<std::string> paths;
    return paths;
}

// One spelling per file: the list and a device may name the same folder differently
// ("\\", "//", "..", links). The file itself may be gone, so only its folder is resolved.
std::string KeyOf(const std::string& path) {
    const std::string normalized = NormalizePath(path);
    const std::size_t slash = normalized.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : normalized.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? normalized : normalized.substr(slash + 1);
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) return normalized;
    return std::string(resolved) + "/" + name;
}

}  // namespace

void ReleaseProfileDocument(const std::string& path) {
    const std::string key = KeyOf(path);
    std::lock_guard lock(ReleasedMutex());
    Released().insert(key);
}

bool IsReleasedProfileDocument(const std::string& path) {
    const std::string key = KeyOf(path);
    std::lock_guard lock(ReleasedMutex());
    return Released().count(key) != 0;
}

}  // namespace kx58
