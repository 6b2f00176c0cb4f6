#include "audiorecord/monitor_capture.h"

#include <cstdint>
#include <span>

#include "audiorecord/sample_history.h"
#include "platform/debug_trace.h"

namespace kx58::audiorecord {
namespace {

// 20 ms per read: two reads per block sent.
constexpr std::uint32_t kFragmentBytes = kSamplesPerBlock / 2 * sizeof(float);

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// The answer comes through the operation's callback; the handle itself is not kept.
void Forget(pa_operation* operation) {
    if (operation) pa_operation_unref(operation);
}

bool Ended(pa_context_state_t state) { return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED; }
bool Ended(pa_stream_state_t state) { return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED; }

MonitorCapture* Self(void* self) { return static_cast<MonitorCapture*>(self); }

}  // namespace

MonitorCapture::MonitorCapture(std::shared_ptr<SampleHistory> history, RecordingChanged changed)
    : history_(std::move(history)), changed_(std::move(changed)) {}

MonitorCapture::~MonitorCapture() { Stop(); }

bool MonitorCapture::Start() {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    pa_threaded_mainloop_set_name(loop_, "pulse capture");
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        return false;
    }
    return true;
}

void MonitorCapture::Stop() {
    if (!loop_) return;
    {
        LoopLock lock(loop_);
        wanted_ = false;
        DropContext();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

void MonitorCapture::SetWanted(bool wanted) {
    if (!loop_) return;
    LoopLock lock(loop_);
    if (wanted == wanted_) return;
    wanted_ = wanted;
    if (wanted) ConnectContext();
    else DropContext();
}

void MonitorCapture::Tick() {
    if (!loop_) return;
    LoopLock lock(loop_);
    if (!wanted_) return;
    if (context_ && Ended(pa_context_get_state(context_))) DropContext();
    if (!context_) return ConnectContext();
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) return;
    if (stream_ && Ended(pa_stream_get_state(stream_))) DropStream();
    if (!stream_) QueryDefaultSink();
}

void MonitorCapture::ConnectContext() {
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), MutexName().c_str());
    if (!context_) return;
    pa_context_set_state_callback(context_, &MonitorCapture::OnContextState, this);
    // Never start a server of our own: without one the lighting simply shows silence.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        NoteServerMissing(pa_strerror(pa_context_errno(context_)));
        DropContext();
    }
}

void MonitorCapture::DropContext() {
    DropStream();
    sinkName_.clear();
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

void MonitorCapture::DropStream() {
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    SetRecording(false);
}

void MonitorCapture::OnContextState(pa_context* context, void* self) {
    MonitorCapture& capture = *Self(self);
    if (context != capture.context_) return;
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        capture.serverMissingSaid_ = false;
        DebugTrace("AudioRecord: connected to the sound server");
        pa_context_set_subscribe_callback(context, &MonitorCapture::OnServerEvent, self);
        Forget(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr));
        capture.QueryDefaultSink();
    } else if (Ended(state)) {
        // Tick drops the context and tries again; nothing more comes from this one.
        capture.NoteServerMissing(pa_strerror(pa_context_errno(context)));
        capture.SetRecording(false);
    }
}

void MonitorCapture::OnServerEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t, void* self) {
    // A server change event covers a new default sink.
    const bool serverChanged = (type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER;
    if (serverChanged && context == Self(self)->context_) Self(self)->QueryDefaultSink();
}

void MonitorCapture::QueryDefaultSink() {
    Forget(pa_context_get_server_info(context_, &MonitorCapture::OnServerInfo, this));
}

void MonitorCapture::OnServerInfo(pa_context* context, const pa_server_info* info, void* self) {
    if (info && context == Self(self)->context_) Self(self)->TakeDefaultSink(info->default_sink_name);
}

void MonitorCapture::TakeDefaultSink(const char* sinkName) {
    const std::string name = sinkName ? sinkName : "";
    if (name == sinkName_ && stream_) return;  // still the same output
    DropStream();
    sinkName_ = name;
    if (name.empty()) {
        DebugTrace("AudioRecord: the sound server has no default output");
        return;
    }
    Forget(pa_context_get_sink_info_by_name(context_, name.c_str(), &MonitorCapture::OnSinkInfo, this));
}

void MonitorCapture::OnSinkInfo(pa_context* context, const pa_sink_info* info, int last, void* self) {
    MonitorCapture& capture = *Self(self);
    if (last || !info || context != capture.context_ || capture.stream_) return;
    // The answer may be for an output that stopped being the default meanwhile.
    if (!info->name || info->name != capture.sinkName_ || !info->monitor_source_name) return;
    capture.RecordMonitor(info->monitor_source_name);
}

void MonitorCapture::RecordMonitor(const char* monitorName) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, kSampleRate, 1};
    stream_ = pa_stream_new(context_, "sound-reactive lighting", &spec, nullptr);
    if (!stream_) return;
    pa_stream_set_state_callback(stream_, &MonitorCapture::OnStreamState, this);
    pa_stream_set_read_callback(stream_, &MonitorCapture::OnStreamRead, this);
    pa_buffer_attr buffer;
    buffer.maxlength = buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<std::uint32_t>(-1);
    buffer.fragsize = kFragmentBytes;
    // Never moved to another source; and the output may still go to sleep while we listen.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
    if (pa_stream_connect_record(stream_, monitorName, &buffer, flags) < 0) {
        DebugTraceF("AudioRecord: %s cannot be recorded: %s", monitorName, pa_strerror(pa_context_errno(context_)));
        DropStream();
    }
}

void MonitorCapture::OnStreamState(pa_stream* stream, void* self) {
    MonitorCapture& capture = *Self(self);
    if (stream != capture.stream_) return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        DebugTraceF("AudioRecord: recording %s", pa_stream_get_device_name(stream));
    } else if (Ended(state)) {
        capture.SetRecording(false);  // Tick sets up the default sink's monitor again
    }
}

void MonitorCapture::OnStreamRead(pa_stream* stream, std::size_t, void* self) {
    if (stream == Self(self)->stream_) Self(self)->ReadAvailable();
}

void MonitorCapture::ReadAvailable() {
    for (;;) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) return;
        const std::size_t count = bytes / sizeof(float);
        if (data) history_->Append(std::span(static_cast<const float*>(data), count));
        else history_->AppendSilence(count);  // a hole in the recording
        pa_stream_drop(stream_);
        SetRecording(true);  // from the first samples on, not from the stream's start
    }
}

void MonitorCapture::SetRecording(bool recording) {
    if (recording == recording_) return;
    recording_ = recording;
    if (changed_) changed_(recording);
}

void MonitorCapture::NoteServerMissing(const char* reason) {
    if (serverMissingSaid_) return;
    serverMissingSaid_ = true;
    DebugTraceF("AudioRecord: no sound server (%s); trying again every second", reason ? reason : "?");
}

}  // namespace kx58::audiorecord
