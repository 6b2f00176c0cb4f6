#include "platform/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kx58 {
namespace {

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? std::string(value) : fallback;
}

std::string Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/tmp");
}

std::string ExecutableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return "./";
    buffer.resize(static_cast<size_t>(length));
    const auto slash = buffer.rfind('/');
    return slash == std::string::npos ? std::string("./") : buffer.substr(0, slash + 1);
}

std::string CreatedOrEmpty(const std::string& folder, unsigned mode) {
    return CreateFolders(folder, mode) ? folder : std::string();
}

}  // namespace

std::string NormalizePath(std::string_view path) {
    std::string result(path);
    for (char& c : result)
        if (c == '\\') c = '/';
    return result;
}

bool CreateFolders(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

namespace Folders {

std::string Program() {
    static const std::string folder = ExecutableFolder();
    return folder;
}

std::string Defaults() { return Program() + "DefaultData/"; }
std::string Skin() { return Program() + "skin/"; }
std::string Font() { return Program() + "Font/"; }
std::string Update() { return Program() + "Update/"; }
std::string Sdk() { return Program() + "SDK/"; }

std::string UserData() {
    const std::string base = EnvOr("XDG_DATA_HOME", Home() + "/.local/share");
    return CreatedOrEmpty(WithSlash(base) + kAppName + "/", 0755);
}

std::string ConfigHome() { return WithSlash(EnvOr("XDG_CONFIG_HOME", Home() + "/.config")); }

std::string UserConfig() { return CreatedOrEmpty(ConfigHome() + kAppName + "/", 0755); }

std::string Runtime() { return CheckRuntime().path; }

RuntimeFolder CheckRuntime() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime == '/' ? WithSlash(runtime) + "kx58/"
                                                          : "/tmp/kx58-" + std::to_string(getuid()) + "/";
    const std::string shown = folder.substr(0, folder.size() - 1);
    const auto refused = [&](const std::string& why) { return RuntimeFolder{{}, "the runtime folder " + shown + " " + why}; };
    if (!CreateFolders(folder, 0700)) {
        const int error = errno;
        if (!PathExists(shown)) return refused(std::string("cannot be created: ") + std::strerror(error));
    }
    // Never use a folder another user could have prepared or can write into: its lock files
    // and message table decide which instance runs.
    struct stat info {};
    if (lstat(shown.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return refused("is not a folder");
    if (info.st_uid != getuid()) return refused("belongs to another user (uid " + std::to_string(info.st_uid) + ")");
    if ((info.st_mode & 07777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return refused(std::string("has mode ") + mode + "; it must be 0700 (private and writable)");
    }
    if (access(shown.c_str(), W_OK | X_OK) != 0) return refused(std::string("is not writable: ") + std::strerror(errno));
    return {folder, {}};
}

}  // namespace Folders
}  // namespace kx58
