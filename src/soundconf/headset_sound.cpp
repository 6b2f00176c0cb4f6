#include "soundconf/headset_sound.h"

#include "platform/debug_trace.h"
#include "soundconf/volume_figures.h"

namespace kx58::soundconf {
namespace {

constexpr std::int32_t kAllChannels = -1;

}  // namespace

HeadsetSound::HeadsetSound(HeadsetIds ids) : ids_(ids) {
    connection_.SetHandlers([this](pa_subscription_event_type_t type, std::uint32_t) { OnServerEvent(type); },
                            [this] { OnConnectionLost(); });
}

// The replies that the disconnection cancels still find every member.
HeadsetSound::~HeadsetSound() { Disconnect(); }

int HeadsetSound::Connect() {
    const Deadline deadline = DeadlineFromNow();
    if (!connection_.Connect(deadline)) return kConfFailed;
    PulseConnection::Lock lock(connection_);
    closing_ = false;
    tidyLeftovers_ = true;
    ReconcileNow(deadline);
    return kConfOk;
}

void HeadsetSound::Disconnect() {
    const Deadline deadline = DeadlineFromNow();
    {
        PulseConnection::Lock lock(connection_);
        closing_ = true;
        monitorWanted_ = false;
        eqReloadDue_ = eqReloadArmed_;  // a band change still waiting reaches the sink first
        if (connection_.Ready()) ReconcileNow(deadline);
    }
    connection_.Disconnect();
    // The loop thread has ended: nothing else sees these now.
    loopModule_ = PA_INVALID_INDEX;
    eqModule_ = PA_INVALID_INDEX;
    eqReloadArmed_ = false;
    eqReloadDue_ = false;
    presenceKnown_ = false;
    sinkPresent_ = false;
    sourcePresent_ = false;
    reconciling_ = false;
}

void HeadsetSound::SetChangeCallback(ConfDeviceChangeCallback callback, void* context) {
    callback_ = callback;
    callbackContext_ = context;
}

std::optional<ServerSnapshot> HeadsetSound::Snapshot(Deadline deadline) {
    if (!connection_.Ready()) return std::nullopt;
    return connection_.Call<ServerSnapshot>(
        [this](Reply<ServerSnapshot> reply) { QuerySnapshot(connection_.Context(), std::move(reply)); }, deadline);
}

std::optional<ResolvedEndpoint> HeadsetSound::Resolve(const ServerSnapshot& snapshot, std::int32_t kind) const {
    const bool output = kind == kConfKindOutput;
    const EndpointEntry* found = output ? FindHeadsetSink(snapshot, ids_) : FindHeadsetSource(snapshot, ids_);
    if (!found || (kind != kConfKindOutput && kind != kConfKindInput)) return std::nullopt;
    return ResolvedEndpoint{output ? EndpointSide::Sink : EndpointSide::Source, *found};
}

int HeadsetSound::SetVolume(const ResolvedEndpoint& endpoint, float scalar, std::int32_t channel, Deadline deadline) {
    pa_cvolume volume = endpoint.entry.volume;
    if (!ValidScalar(scalar) || !pa_cvolume_valid(&volume)) return kConfFailed;
    const pa_volume_t level = ScalarToVolume(scalar);
    if (channel == kAllChannels)
        pa_cvolume_set(&volume, volume.channels, level);
    else if (channel >= 0 && channel < volume.channels)
        volume.values[channel] = level;
    else
        return kConfFailed;
    const auto done = connection_.Call<bool>([&](Reply<bool> reply) {
        SetEndpointVolume(connection_.Context(), endpoint.side, endpoint.entry.index, volume, std::move(reply));
    }, deadline);
    return done ? kConfOk : kConfFailed;
}

int HeadsetSound::SetMute(const ResolvedEndpoint& endpoint, bool mute, Deadline deadline) {
    const auto done = connection_.Call<bool>([&](Reply<bool> reply) {
        SetEndpointMute(connection_.Context(), endpoint.side, endpoint.entry.index, mute, std::move(reply));
    }, deadline);
    return done ? kConfOk : kConfFailed;
}

int HeadsetSound::SetMonitorOn(bool on, Deadline deadline) {
    monitorWanted_ = on;
    const bool reconciled = ReconcileNow(deadline);
    if (reconciled && MonitorOn() == on) return kConfOk;
    if (on && !MonitorOn()) monitorWanted_ = false;
    return kConfFailed;
}

int HeadsetSound::SetMonitorScalar(float scalar, Deadline deadline) {
    if (!ValidScalar(scalar)) return kConfFailed;
    monitorScalar_ = scalar;
    if (!MonitorOn()) return kConfOk;
    ReconcileNow(deadline);
    return loopScalarApplied_ == scalar ? kConfOk : kConfFailed;
}

int HeadsetSound::SetEqualiserOn(bool on, Deadline deadline) {
    if (on && !EqualiserPluginInstalled()) return kConfNotSupported;
    eqWanted_ = on;
    const bool reconciled = ReconcileNow(deadline);
    if (reconciled && EqualiserOn() == on) return kConfOk;
    if (on && !EqualiserOn()) eqWanted_ = false;
    return kConfFailed;
}

int HeadsetSound::SetBand(std::size_t band, int gain) {
    if (band >= kBandCount || gain < kMinBandGain || gain > kMaxBandGain) return kConfFailed;
    bands_[band] = gain;
    if (eqWanted_ && EqualiserOn()) ArmEqualiserReload();
    return kConfOk;
}

// At most one reload per interval, however many bands move meanwhile.
void HeadsetSound::ArmEqualiserReload() {
    constexpr std::chrono::milliseconds kReloadInterval{150};
    if (eqReloadArmed_) return;
    eqReloadArmed_ = connection_.After(kReloadInterval, [this] {
        eqReloadArmed_ = false;
        eqReloadDue_ = true;
        RequestReconcile();
    });
}

void HeadsetSound::OnServerEvent(pa_subscription_event_type_t type) {
    const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned change = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    // Volume and state changes of sinks and sources come often and change nothing here.
    if (facility == PA_SUBSCRIPTION_EVENT_CARD || change != PA_SUBSCRIPTION_EVENT_CHANGE) RequestReconcile();
}

void HeadsetSound::OnConnectionLost() {
    loopModule_ = PA_INVALID_INDEX;
    loopScalarApplied_.reset();
    eqModule_ = PA_INVALID_INDEX;
    NotePresence(false, false);
    presenceKnown_ = false;
}

void HeadsetSound::NotePresence(bool sink, bool source) {
    const bool changed = sink != sinkPresent_ || source != sourcePresent_;
    sinkPresent_ = sink;
    sourcePresent_ = source;
    const bool known = presenceKnown_;
    presenceKnown_ = true;
    if (!known || !changed || !callback_) return;
    DebugTraceF("sound-conf: headset output %s, input %s", sink ? "present" : "absent", source ? "present" : "absent");
    // On the loop thread, which holds libpulse's lock through every dispatch (it cannot let go
    // of it there); none of this library's own locks is held.
    callback_(callbackContext_);
}

}  // namespace kx58::soundconf
