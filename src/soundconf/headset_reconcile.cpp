// The reconciliation of HeadsetSound: one chain of requests at a time, planned from a fresh
// snapshot, that brings the server to the wanted monitoring and equaliser state.
#include <algorithm>

#include "platform/debug_trace.h"
#include "soundconf/headset_sound.h"
#include "soundconf/monitor_loopback.h"
#include "soundconf/volume_figures.h"

namespace kx58::soundconf {

bool HeadsetSound::ReconcileNow(Deadline deadline) {
    const std::uint64_t target = ++reconcileRequested_;
    if (!reconciling_) StartReconcile();
    return connection_.Wait([&] { return reconcileCompleted_ >= target; }, deadline);
}

void HeadsetSound::RequestReconcile() {
    if (closing_) return;
    ++reconcileRequested_;
    if (!reconciling_) StartReconcile();
}

void HeadsetSound::StartReconcile() {
    reconciling_ = true;
    const std::uint64_t target = reconcileRequested_;
    QuerySnapshot(connection_.Context(), [this, target](std::optional<ServerSnapshot> snapshot) {
        if (!snapshot) return FinishReconcile(target);
        auto steps = std::make_shared<Steps>(Plan(*snapshot));
        RunSteps(steps, 0, [this, target] { FinishReconcile(target); });
    });
}

void HeadsetSound::FinishReconcile(std::uint64_t target) {
    reconcileCompleted_ = std::max(reconcileCompleted_, target);
    reconciling_ = false;
    connection_.Signal();
    if (reconcileRequested_ > reconcileCompleted_) StartReconcile();
}

void HeadsetSound::RunSteps(std::shared_ptr<Steps> steps, std::size_t next, std::function<void()> done) {
    if (next >= steps->size()) return done();
    Step& step = (*steps)[next];
    step([this, steps, next, done] { RunSteps(steps, next + 1, done); });
}

HeadsetSound::Steps HeadsetSound::Plan(const ServerSnapshot& snapshot) {
    const EndpointEntry* sink = FindHeadsetSink(snapshot, ids_);
    const EndpointEntry* source = FindHeadsetSource(snapshot, ids_);
    NotePresence(sink != nullptr, source != nullptr);
    ForgetVanished(snapshot);
    Steps steps;
    if (tidyLeftovers_) TidyLeftovers(snapshot, sink, steps);
    tidyLeftovers_ = false;
    PlanMonitor(sink, source, steps);
    PlanEqualiser(snapshot, sink, steps);
    return steps;
}

// Modules that went with their sink or source (or were unloaded by someone else).
void HeadsetSound::ForgetVanished(const ServerSnapshot& snapshot) {
    if (loopModule_ != PA_INVALID_INDEX && !FindModule(snapshot, loopModule_)) {
        loopModule_ = PA_INVALID_INDEX;
        loopScalarApplied_.reset();
    }
    if (eqModule_ != PA_INVALID_INDEX && !FindModule(snapshot, eqModule_)) eqModule_ = PA_INVALID_INDEX;
}

// What an earlier run left: its loopbacks go (they were this program's, not a setting); its
// equaliser on the headset is taken over, one whose output has gone is removed.
void HeadsetSound::TidyLeftovers(const ServerSnapshot& snapshot, const EndpointEntry* sink, Steps& steps) {
    for (const ModuleEntry* loopback : MarkedModules(snapshot, kLoopbackModule, kMonitorMarker))
        if (loopback->index != loopModule_) steps.push_back(UnloadStep(loopback->index));
    for (const ModuleEntry* equaliser : MarkedModules(snapshot, kEqualiserModule, kEqualiserMarker)) {
        if (equaliser->index == eqModule_) continue;
        const std::string master = MasterFromArguments(equaliser->argument);
        const bool onHeadset = sink && master == sink->name;
        if (!FindSinkNamed(snapshot, master) || (onHeadset && eqModule_ != PA_INVALID_INDEX)) {
            steps.push_back(UnloadStep(equaliser->index));
            continue;
        }
        if (!onHeadset) continue;
        eqModule_ = equaliser->index;
        eqWanted_ = true;
        if (const std::optional<BandGains> bands = BandsFromArguments(equaliser->argument)) bands_ = *bands;
        eqBands_ = bands_;
        previousDefault_ = PreviousDefaultFromArguments(equaliser->argument);
        DebugTrace("sound-conf: the headset equaliser of an earlier run is taken over");
    }
}

void HeadsetSound::PlanMonitor(const EndpointEntry* sink, const EndpointEntry* source, Steps& steps) {
    if (loopModule_ != PA_INVALID_INDEX && !monitorWanted_) {
        steps.push_back(UnloadStep(loopModule_));
        return;
    }
    if (!monitorWanted_) return;
    if (loopModule_ == PA_INVALID_INDEX) {
        if (!sink || !source) return;
        steps.push_back(LoadLoopbackStep(source->name, sink->name));
        steps.push_back(LoopbackVolumeStep());
    } else if (loopScalarApplied_ != monitorScalar_) {
        steps.push_back(LoopbackVolumeStep());
    }
}

void HeadsetSound::PlanEqualiser(const ServerSnapshot& snapshot, const EndpointEntry* sink, Steps& steps) {
    const EndpointEntry* eqSink = eqModule_ != PA_INVALID_INDEX ? FindSinkOwnedBy(snapshot, eqModule_) : nullptr;
    const std::vector<std::uint32_t> onEqualiser = eqSink ? SinkInputsOn(snapshot, eqSink->index) : std::vector<std::uint32_t>{};
    const bool reloadDue = eqReloadDue_;
    eqReloadDue_ = false;
    if (!eqWanted_) {
        if (eqModule_ == PA_INVALID_INDEX) return;
        if (snapshot.defaultSink == kEqualiserSinkName) {
            const bool previousThere = FindSinkNamed(snapshot, previousDefault_) != nullptr;
            const std::string back = previousThere ? previousDefault_ : sink ? sink->name : std::string();
            if (!back.empty()) steps.push_back(RestoreDefaultStep(back));
        }
        if (sink) steps.push_back(MoveStreamsStep(onEqualiser, sink->name));
        steps.push_back(UnloadStep(eqModule_));
        previousDefault_.clear();
        return;
    }
    if (!sink) return;
    if (eqModule_ == PA_INVALID_INDEX) {
        if (previousDefault_.empty() && snapshot.defaultSink != kEqualiserSinkName) previousDefault_ = snapshot.defaultSink;
        std::vector<std::uint32_t> onHeadset = SinkInputsOn(snapshot, sink->index);
        for (const SinkInputEntry* own : SinkInputsOwnedBy(snapshot, loopModule_)) std::erase(onHeadset, own->index);
        steps.push_back(LoadEqualiserStep(sink->name));
        steps.push_back(EqualiserDefaultStep());
        steps.push_back(MoveStreamsStep(onHeadset, kEqualiserSinkName));
    } else if (reloadDue && eqBands_ != bands_) {
        // The old sink goes first: the new one takes its name. Its streams wait on another
        // sink meanwhile and come over after.
        steps.push_back(UnloadStep(eqModule_));
        steps.push_back(LoadEqualiserStep(sink->name));
        steps.push_back(EqualiserDefaultStep());
        steps.push_back(MoveStreamsStep(onEqualiser, kEqualiserSinkName));
    }
}

HeadsetSound::Step HeadsetSound::UnloadStep(std::uint32_t module) {
    return [this, module](std::function<void()> next) {
        UnloadModule(connection_.Context(), module, [this, module, next](std::optional<bool>) {
            if (loopModule_ == module) {
                loopModule_ = PA_INVALID_INDEX;
                loopScalarApplied_.reset();
            }
            if (eqModule_ == module) eqModule_ = PA_INVALID_INDEX;
            next();
        });
    };
}

HeadsetSound::Step HeadsetSound::LoadLoopbackStep(std::string source, std::string sink) {
    return [this, source, sink](std::function<void()> next) {
        LoadModule(connection_.Context(), kLoopbackModule, LoopbackArguments(source, sink),
                   [this, next](std::optional<std::uint32_t> module) {
                       if (module) loopModule_ = *module;
                       if (!module) DebugTrace("sound-conf: the monitor loopback cannot be loaded");
                       loopScalarApplied_.reset();
                       next();
                   });
    };
}

HeadsetSound::Step HeadsetSound::LoopbackVolumeStep() {
    return [this](std::function<void()> next) {
        if (loopModule_ == PA_INVALID_INDEX) return next();
        QuerySnapshot(connection_.Context(), [this, next](std::optional<ServerSnapshot> snapshot) {
            const auto inputs = snapshot ? SinkInputsOwnedBy(*snapshot, loopModule_) : std::vector<const SinkInputEntry*>{};
            if (inputs.empty()) return next();
            const float scalar = monitorScalar_;
            pa_cvolume volume;
            pa_cvolume_set(&volume, std::max<std::uint8_t>(inputs.front()->volume.channels, 1), ScalarToVolume(scalar));
            SetSinkInputVolume(connection_.Context(), inputs.front()->index, volume,
                               [this, next, scalar](std::optional<bool> done) {
                                   if (done) loopScalarApplied_ = scalar;
                                   next();
                               });
        });
    };
}

HeadsetSound::Step HeadsetSound::LoadEqualiserStep(std::string master) {
    return [this, master](std::function<void()> next) {
        const BandGains bands = bands_;
        LoadModule(connection_.Context(), kEqualiserModule, EqualiserArguments(master, bands, previousDefault_),
                   [this, next, bands](std::optional<std::uint32_t> module) {
                       if (module) {
                           eqModule_ = *module;
                           eqBands_ = bands;
                       } else {
                           DebugTrace("sound-conf: the equaliser sink cannot be loaded");
                       }
                       next();
                   });
    };
}

HeadsetSound::Step HeadsetSound::EqualiserDefaultStep() {
    return [this](std::function<void()> next) {
        if (eqModule_ == PA_INVALID_INDEX) return next();
        SetDefaultSink(connection_.Context(), kEqualiserSinkName, [next](std::optional<bool>) { next(); });
    };
}

HeadsetSound::Step HeadsetSound::RestoreDefaultStep(std::string sink) {
    return [this, sink](std::function<void()> next) {
        SetDefaultSink(connection_.Context(), sink, [next](std::optional<bool>) { next(); });
    };
}

// One stream after the other; one that cannot move stays where it is.
HeadsetSound::Step HeadsetSound::MoveStreamsStep(std::vector<std::uint32_t> streams, std::string sink) {
    return [this, streams, sink](std::function<void()> next) {
        auto moves = std::make_shared<Steps>();
        for (const std::uint32_t stream : streams)
            moves->push_back([this, stream, sink](std::function<void()> moved) {
                MoveSinkInput(connection_.Context(), stream, sink, [moved](std::optional<bool>) { moved(); });
            });
        RunSteps(moves, 0, next);
    };
}

}  // namespace kx58::soundconf
