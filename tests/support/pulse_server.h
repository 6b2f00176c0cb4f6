#pragma once
// A private PulseAudio daemon for tests and benchmarks, in the caller's IsolatedSession: it
// listens on $XDG_RUNTIME_DIR/pulse/native (anonymous clients allowed), where the session's
// PULSE_SERVER sends every client started later (the capture program too), and plays into
// null sinks, the first of them the default output. The caller points HOME into the session
// first, for the daemon's own files. Controlled through pactl.
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace kx58test {

// "unix:" + the socket the daemon of this session listens on.
std::string PulseServerAddress();

class PrivatePulseServer {
public:
    // Starts `pulseaudio` and waits until it answers. `logFile` gets its output.
    PrivatePulseServer(const std::vector<std::string>& sinks, const std::string& logFile);
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    bool Running() const { return daemon_.Running(); }
    // Why it does not run, as a line for the test's skip message.
    const std::string& Problem() const { return problem_; }

    // A sine played into `sink` (module-sine) until StopTone; the module's index.
    std::optional<int> PlayTone(const std::string& sink, int frequencyHz) const;
    bool StopTone(int module) const;
    bool SetDefaultSink(const std::string& sink) const;
    // A stand-in microphone: an ordinary source (not a monitor) that hears what plays into
    // `sink`, made the default source.
    bool AddMicrophoneHearing(const std::string& sink, const std::string& name) const;
    // The sources that the clients run by this program (file name) record from, by name.
    std::vector<std::string> SourcesRecordedBy(const std::string& program) const;
    // A null sink named `name` whose properties are `properties` (a property list such as
    // "device.vendor.id=0c76 device.product.id=1630"); the module's index.
    std::optional<int> AddNullSink(const std::string& name, const std::string& properties) const;
    // An ordinary source (not a monitor) with those properties: the monitor of a null sink of
    // its own ("<name>_feed"), remapped; the index of the module that makes the source.
    std::optional<int> AddSource(const std::string& name, const std::string& properties) const;
    bool UnloadModule(int module) const;
    // Stops the daemon in its tracks (SIGSTOP) or lets it go on (SIGCONT).
    bool Freeze();
    bool Thaw();
    // Ends the daemon (SIGTERM, then reaped).
    void Stop();

    // Runs pactl with `args`; its output, or nothing when it failed.
    static std::optional<std::string> Control(const std::vector<std::string>& args);

private:
    ChildProcess daemon_;
    bool frozen_ = false;
    std::string problem_;
};

}  // namespace kx58test
