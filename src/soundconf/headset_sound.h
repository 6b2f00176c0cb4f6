#pragma once
// The headset's sound settings over the sound server: volume and mute of its own sink and
// source, microphone monitoring (a loopback) and the equaliser (a LADSPA sink) that the layer
// keeps as wanted and places on the server whenever the headset is there.
//
// Threads: entry points come from any thread, one at a time (`callMutex_`), and hold the
// connection's lock except while they wait. Everything below the lock is shared with the loop
// thread, where server events and the coalesced equaliser reload run the reconciliation: one
// chain of requests at a time that brings the server to the wanted state. An entry point that
// changes the wanted state asks for a reconciliation and waits (bounded) for it to end.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "soundconf/equaliser_sink.h"
#include "soundconf/headset_endpoints.h"
#include "soundconf/monitor_loopback.h"
#include "soundconf/os_conf_lib.h"
#include "soundconf/pulse_connection.h"
#include "soundconf/server_requests.h"
#include "soundconf/server_snapshot.h"

namespace kx58::soundconf {

// The headset's sink or source as resolved for one call.
struct ResolvedEndpoint {
    EndpointSide side;
    EndpointEntry entry;
};

class HeadsetSound {
public:
    explicit HeadsetSound(HeadsetIds ids);
    ~HeadsetSound();
    HeadsetSound(const HeadsetSound&) = delete;
    HeadsetSound& operator=(const HeadsetSound&) = delete;

    HeadsetIds Ids() const { return ids_; }

    // Entry points take this first.
    std::mutex& CallMutex() { return callMutex_; }
    const PulseConnection& Connection() const { return connection_; }

    // Without the connection's lock:
    int Connect();
    void Disconnect();

    // With the lock held:
    void SetChangeCallback(ConfDeviceChangeCallback callback, void* context);
    // The server as it is now, or nothing (no server, or no answer before the deadline).
    std::optional<ServerSnapshot> Snapshot(Deadline deadline);
    std::optional<ResolvedEndpoint> Resolve(const ServerSnapshot& snapshot, std::int32_t kind) const;

    int SetVolume(const ResolvedEndpoint& endpoint, float scalar, std::int32_t channel, Deadline deadline);
    int SetMute(const ResolvedEndpoint& endpoint, bool mute, Deadline deadline);

    bool MonitorOn() const { return loopModule_ != PA_INVALID_INDEX; }
    int SetMonitorOn(bool on, Deadline deadline);
    float MonitorScalar() const { return monitorScalar_; }
    int SetMonitorScalar(float scalar, Deadline deadline);

    bool EqualiserOn() const { return eqModule_ != PA_INVALID_INDEX; }
    int SetEqualiserOn(bool on, Deadline deadline);
    int Band(std::size_t band) const { return bands_[band]; }
    int SetBand(std::size_t band, int gain);

private:
    using Step = std::function<void(std::function<void()> next)>;
    using Steps = std::vector<Step>;

    void OnServerEvent(pa_subscription_event_type_t type);
    void OnConnectionLost();
    // Reconciliation (loop thread or an entry point, lock held).
    bool ReconcileNow(Deadline deadline);
    void RequestReconcile();
    void StartReconcile();
    Steps Plan(const ServerSnapshot& snapshot);
    void FinishReconcile(std::uint64_t target);
    void RunSteps(std::shared_ptr<Steps> steps, std::size_t next, std::function<void()> done);
    void NotePresence(bool sink, bool source);
    void ForgetVanished(const ServerSnapshot& snapshot);
    void TidyLeftovers(const ServerSnapshot& snapshot, const EndpointEntry* sink, Steps& steps);
    void PlanMonitor(const EndpointEntry* sink, const EndpointEntry* source, Steps& steps);
    void PlanEqualiser(const ServerSnapshot& snapshot, const EndpointEntry* sink, Steps& steps);
    Step UnloadStep(std::uint32_t module);
    Step LoadLoopbackStep(std::string source, std::string sink);
    Step LoopbackVolumeStep();
    Step LoadEqualiserStep(std::string master);
    Step EqualiserDefaultStep();
    Step RestoreDefaultStep(std::string sink);
    Step MoveStreamsStep(std::vector<std::uint32_t> streams, std::string sink);
    void ArmEqualiserReload();

    const HeadsetIds ids_;
    std::mutex callMutex_;
    PulseConnection connection_;

    // Under the connection's lock.
    ConfDeviceChangeCallback callback_ = nullptr;
    void* callbackContext_ = nullptr;
    bool presenceKnown_ = false;
    bool sinkPresent_ = false;
    bool sourcePresent_ = false;
    bool tidyLeftovers_ = false;  // once after each connection
    bool closing_ = false;        // no reconciliation for server events

    bool monitorWanted_ = false;
    float monitorScalar_ = kDefaultMonitorScalar;
    std::uint32_t loopModule_ = PA_INVALID_INDEX;
    std::optional<float> loopScalarApplied_;

    bool eqWanted_ = false;
    BandGains bands_{};
    std::uint32_t eqModule_ = PA_INVALID_INDEX;
    BandGains eqBands_{};          // what the loaded sink was made with
    std::string previousDefault_;  // the default output before the equaliser took over
    bool eqReloadArmed_ = false;
    bool eqReloadDue_ = false;

    std::uint64_t reconcileRequested_ = 0;
    std::uint64_t reconcileCompleted_ = 0;
    bool reconciling_ = false;
};

}  // namespace kx58::soundconf
