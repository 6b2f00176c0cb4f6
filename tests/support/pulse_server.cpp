#include "support/pulse_server.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "support/wait_until.h"

namespace kx58test {
namespace {

std::string SocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime ? runtime : "/tmp") + "/pulse/native";
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
    // Kept off the desktop's D-Bus session, where the user's own server is announced.
    const std::string noBus = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + SocketPath() + ".no-bus";
    if (!daemon_.Start(args, {.log = logFile, .environment = {noBus}})) {
        problem_ = "pulseaudio cannot be started (is it installed?)";
        return;
    }
    // The socket appears once the modules before it are loaded; then it answers.
    const bool listens = WaitUntil([&] { return daemon_.HasEnded() || access(SocketPath().c_str(), F_OK) == 0; },
                                   std::chrono::seconds(15));
    const bool answers = listens && WaitUntil([&] {
        if (daemon_.HasEnded() || Control({"info"})) return true;
        usleep(50 * 1000);  // between attempts, not a measurement
        return false;
    }, std::chrono::seconds(10));
    if (answers && daemon_.Running()) return;
    problem_ = !daemon_.Running() ? "pulseaudio ended at once (see " + logFile + ")"
                                  : "pulseaudio did not answer pactl within 25 s (pulseaudio-utils installed?)";
    daemon_.Stop(SIGKILL);
}

PrivatePulseServer::~PrivatePulseServer() { Stop(); }

void PrivatePulseServer::Stop() {
    daemon_.Stop();  // a frozen daemon is let go on to take the SIGTERM
    frozen_ = false;
}

std::optional<std::string> PrivatePulseServer::Control(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"pactl", "--server=" + PulseServerAddress()};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess pactl;
    if (!pactl.Start(all, {.readOutput = true})) return std::nullopt;
    std::string text = pactl.ReadToEnd();
    if (pactl.Wait() != 0) return std::nullopt;
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
    if (frozen_) return false;
    frozen_ = daemon_.Signal(SIGSTOP);
    return frozen_;
}

bool PrivatePulseServer::Thaw() {
    if (!frozen_) return false;
    frozen_ = !daemon_.Signal(SIGCONT);
    return !frozen_;
}

}  // namespace kx58test
