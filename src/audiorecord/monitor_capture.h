#pragma once
// Records what the desktop plays: the monitor source of the sound server's default output,
// through libpulse's threaded main loop (PulseAudio, or PipeWire's PulseAudio server), into a
// SampleHistory. It never records a microphone: the only source it opens is the monitor that
// the default sink names, with a stream the server may not move to another source. A change
// of the default sink (a server event) moves the recording to the new sink's monitor.
//
// Threads: libpulse's loop thread ("pulse capture") runs every callback; the owner's thread
// calls SetWanted and Tick, which take the loop's lock. Callbacks only copy samples and ask
// the server for more information; retries happen in Tick, so nothing loops on its own.
#include <pulse/pulseaudio.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kx58::audiorecord {

class SampleHistory;

class MonitorCapture {
public:
    // Called (on either thread) when samples start coming in, and when they stop (the stream
    // or the server went away, or the capture is no longer wanted).
    using RecordingChanged = std::function<void(bool recording)>;

    MonitorCapture(std::shared_ptr<SampleHistory> history, RecordingChanged changed);
    ~MonitorCapture();
    MonitorCapture(const MonitorCapture&) = delete;
    MonitorCapture& operator=(const MonitorCapture&) = delete;

    // Starts the loop thread; false when libpulse cannot make one.
    bool Start();
    // Disconnects and ends the loop thread.
    void Stop();
    // While wanted: connected to the server and recording; otherwise nothing is held open.
    void SetWanted(bool wanted);
    // Once a second: a missing or lost server is tried again, a lost stream set up again.
    void Tick();

private:
    static void OnContextState(pa_context* context, void* self);
    static void OnServerEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index, void* self);
    static void OnServerInfo(pa_context* context, const pa_server_info* info, void* self);
    static void OnSinkInfo(pa_context* context, const pa_sink_info* info, int last, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnStreamRead(pa_stream* stream, std::size_t bytes, void* self);

    // The loop's lock is held by the caller of each of these.
    void ConnectContext();
    void DropContext();
    void DropStream();
    void QueryDefaultSink();
    void TakeDefaultSink(const char* sinkName);
    void RecordMonitor(const char* monitorName);
    void ReadAvailable();
    void SetRecording(bool recording);
    void NoteServerMissing(const char* reason);

    std::shared_ptr<SampleHistory> history_;
    RecordingChanged changed_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::string sinkName_;  // the default sink whose monitor is recorded (or being opened)
    bool wanted_ = false;
    bool recording_ = false;
    bool serverMissingSaid_ = false;
};

}  // namespace kx58::audiorecord
