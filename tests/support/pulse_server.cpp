#include "support/pulse_server.h"

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/wait_until.h"

extern char** environ;

namespace kx58test {
namespace {

std::string SocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime ? runtime : "/tmp") + "/pulse/native";
}

// The caller's environment with `name` set to `value`.
std::vector<std::string> EnvironmentWith(const std::string& name, const std::string& value) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry)
        if (std::string(*entry).rfind(name + "=", 0) != 0) variables.emplace_back(*entry);
    variables.push_back(name + "=" + value);
    return variables;
}

// Spawns `args` (looked up in PATH) with stdout and stderr into `outFd` (or shared), in the
// caller's environment or `environment`.
pid_t Spawn(const std::vector<std::string>& args, int outFd, std::vector<std::string> environment = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    }
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& arg : copy) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environment.empty() ? environ : envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Reap(pid_t pid) {
    int status = -1;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Reaps it when it has ended.
bool HasEnded(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// The tab-separated columns of each line of a "pactl list short" table.
std::vector<std::vector<std::string>> Rows(const std::string& table) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < table.size()) {
        const std::size_t end = std::min(table.find('\n', start), table.size());
        std::vector<std::string> columns;
        for (std::size_t from = start; from <= end;) {
            const std::size_t tab = std::min(table.find('\t', from), end);
            columns.push_back(table.substr(from, tab - from));
            from = tab + 1;
        }
        rows.push_back(std::move(columns));
        start = end + 1;
    }
    return rows;
}

}  // namespace

std::string PulseServerAddress() { return "unix:" + SocketPath(); }

PrivatePulseServer::PrivatePulseServer(const std::vector<std::string>& sinks, const std::string& logFile) {
    std::vector<std::string> args = {"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1",
                                     "--disable-shm=yes", "--realtime=no", "--high-priority=no",
                                     "--use-pid-file=no", "--log-level=warning"};
    for (const std::string& sink : sinks) args.push_back("--load=module-null-sink sink_name=" + sink);
    args.push_back("--load=module-native-protocol-unix auth-anonymous=1 socket=" + SocketPath());
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    // Kept off the desktop's D-Bus session, where the user's own server is announced.
    pid_ = Spawn(args, log, EnvironmentWith("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + SocketPath() + ".no-bus"));
    if (log >= 0) close(log);
    if (pid_ <= 0) {
        pid_ = -1;
        problem_ = "pulseaudio cannot be started (is it installed?)";
        return;
    }
    // The socket appears once the modules before it are loaded; then it answers.
    bool ended = false;
    const bool listens = WaitUntil([&] {
        ended = ended || HasEnded(pid_);
        return ended || access(SocketPath().c_str(), F_OK) == 0;
    }, std::chrono::seconds(15));
    const bool answers = listens && !ended && WaitUntil([&] {
        ended = ended || HasEnded(pid_);
        if (ended || Control({"info"})) return true;
        usleep(50 * 1000);  // between attempts, not a measurement
        return false;
    }, std::chrono::seconds(10));
    if (answers && !ended) return;
    if (!ended) {
        kill(pid_, SIGKILL);
        Reap(pid_);
    }
    pid_ = -1;
    problem_ = ended ? "pulseaudio ended at once (see " + logFile + ")"
                     : "pulseaudio did not answer pactl within 25 s (pulseaudio-utils installed?)";
}

PrivatePulseServer::~PrivatePulseServer() { Stop(); }

void PrivatePulseServer::Stop() {
    if (pid_ <= 0) return;
    Thaw();  // a stopped daemon would never take the SIGTERM
    kill(pid_, SIGTERM);
    Reap(pid_);
    pid_ = -1;
}

std::optional<std::string> PrivatePulseServer::Control(const std::vector<std::string>& args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    std::vector<std::string> all = {"pactl", "--server=" + PulseServerAddress()};
    all.insert(all.end(), args.begin(), args.end());
    const pid_t pid = Spawn(all, out[1]);
    close(out[1]);
    std::string text;
    char chunk[1024];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    close(out[0]);
    if (pid <= 0) return std::nullopt;
    const int status = Reap(pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

std::optional<int> PrivatePulseServer::PlayTone(const std::string& sink, int frequencyHz) const {
    const auto index = Control({"load-module", "module-sine", "sink=" + sink, "frequency=" + std::to_string(frequencyHz)});
    if (!index) return std::nullopt;
    return std::atoi(index->c_str());
}

bool PrivatePulseServer::StopTone(int module) const { return Control({"unload-module", std::to_string(module)}).has_value(); }

bool PrivatePulseServer::SetDefaultSink(const std::string& sink) const {
    return Control({"set-default-sink", sink}).has_value();
}

std::vector<std::string> PrivatePulseServer::SourcesRecordedBy(const std::string& program) const {
    const auto clients = Control({"list", "short", "clients"});
    const auto outputs = Control({"list", "short", "source-outputs"});
    const auto sources = Control({"list", "short", "sources"});
    std::vector<std::string> recorded;
    if (!clients || !outputs || !sources) return recorded;
    for (const auto& client : Rows(*clients)) {
        if (client.size() < 3 || client[2] != program) continue;
        for (const auto& output : Rows(*outputs)) {
            if (output.size() < 3 || output[2] != client[0]) continue;
            for (const auto& source : Rows(*sources))
                if (source.size() >= 2 && source[0] == output[1]) recorded.push_back(source[1]);
        }
    }
    return recorded;
}

bool PrivatePulseServer::AddMicrophoneHearing(const std::string& sink, const std::string& name) const {
    return Control({"load-module", "module-remap-source", "master=" + sink + ".monitor", "source_name=" + name}) &&
           Control({"set-default-source", name});
}

std::optional<int> PrivatePulseServer::AddNullSink(const std::string& name, const std::string& properties) const {
    const auto index =
        Control({"load-module", "module-null-sink", "sink_name=" + name, "sink_properties=\"" + properties + "\""});
    if (!index) return std::nullopt;
    return std::atoi(index->c_str());
}

std::optional<int> PrivatePulseServer::AddSource(const std::string& name, const std::string& properties) const {
    const std::string feed = name + "_feed";
    if (Control({"list", "short", "sinks"}).value_or("").find(feed + "\t") == std::string::npos &&
        !Control({"load-module", "module-null-sink", "sink_name=" + feed}))
        return std::nullopt;
    const auto index = Control({"load-module", "module-remap-source", "master=" + feed + ".monitor",
                                "source_name=" + name, "source_properties=\"" + properties + "\""});
    if (!index) return std::nullopt;
    return std::atoi(index->c_str());
}

bool PrivatePulseServer::UnloadModule(int module) const {
    return Control({"unload-module", std::to_string(module)}).has_value();
}

bool PrivatePulseServer::Freeze() {
    if (pid_ <= 0 || frozen_) return false;
    frozen_ = kill(pid_, SIGSTOP) == 0;
    return frozen_;
}

bool PrivatePulseServer::Thaw() {
    if (pid_ <= 0 || !frozen_) return false;
    frozen_ = kill(pid_, SIGCONT) != 0;
    return !frozen_;
}

}  // namespace kx58test
