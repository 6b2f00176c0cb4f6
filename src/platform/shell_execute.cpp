#include "platform/shell_execute.h"

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/debug_trace.h"

extern char** environ;

namespace kx58 {
namespace {

bool IsUrl(const std::string& file) {
    const auto colon = file.find("://");
    return colon != std::string::npos && colon > 0 && file.find('/') > colon;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A bare program name is looked up in PATH, as the shell would.
std::string ResolveProgram(const std::string& file) {
    if (file.find('/') != std::string::npos) return IsExecutableFile(file) ? file : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = folders.find(':', start);
        const std::string candidate = folders.substr(start, end - start) + "/" + file;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// Starts argv detached: a short-lived shell puts it in the background and exits, so the
// program is adopted by init and never needs reaping here.
bool SpawnDetached(const std::vector<std::string>& argv, const std::string& workingFolder) {
    std::vector<std::string> shellArgs = {"/bin/sh", "-c",
                                          "cd \"$0\" 2>/dev/null || exit 127; \"$@\" </dev/null >/dev/null 2>&1 &",
                                          workingFolder.empty() ? "." : workingFolder};
    shellArgs.insert(shellArgs.end(), argv.begin(), argv.end());
    std::vector<char*> raw;
    for (auto& arg : shellArgs) raw.push_back(arg.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, raw.data(), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> parts;
    std::string current;
    bool inQuotes = false, hasPart = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
            current.push_back('"');
            hasPart = true;
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            hasPart = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (hasPart) parts.push_back(current);
            current.clear();
            hasPart = false;
        } else {
            current.push_back(c);
            hasPart = true;
        }
    }
    if (hasPart) parts.push_back(current);
    return parts;
}

bool ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& workingFolder, int /*showCommand*/) {
    if (file.empty() || (!verb.empty() && verb != "open")) return false;
    std::vector<std::string> argv;
    const std::string program = IsUrl(file) ? std::string() : ResolveProgram(file);
    if (program.empty()) {
        struct stat info {};
        if (!IsUrl(file) && stat(file.c_str(), &info) != 0) {
            DebugTraceF("ShellExecute: %s does not exist", file.c_str());
            return false;
        }
        argv = {"xdg-open", file};
    } else {
        argv = {program};
        for (auto& part : SplitCommandLine(parameters)) argv.push_back(std::move(part));
    }
    return SpawnDetached(argv, workingFolder);
}

}  // namespace kx58
