#include "soundconf/pulse_connection.h"

#include <pulse/rtclock.h>


#include "platform/debug_trace.h"

namespace kx58::soundconf {
namespace {

constexpr pa_subscription_mask_t kWatched = static_cast<pa_subscription_mask_t>(
    PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_MODULE);

bool Ended(pa_context_state_t state) { return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED; }

PulseConnection* Self(void* self) { return static_cast<PulseConnection*>(self); }

}  // namespace

PulseConnection::Lock::Lock(const PulseConnection& connection) : loop_(connection.loop_) {
    if (loop_) pa_threaded_mainloop_lock(loop_);
}

PulseConnection::Lock::~Lock() {
    if (loop_) pa_threaded_mainloop_unlock(loop_);
}

PulseConnection::~PulseConnection() { Disconnect(); }

void PulseConnection::SetHandlers(EventHandler onEvent, LostHandler onLost) {
    onEvent_ = std::move(onEvent);
    onLost_ = std::move(onLost);
}

bool PulseConnection::StartLoop() {
    if (loop_) return true;
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) return false;
    pa_threaded_mainloop_set_name(loop_, "sound-conf");
    if (pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        return false;
    }
    return true;
}

bool PulseConnection::Connect(Deadline deadline) {
    if (!StartLoop()) return false;
    Lock lock(*this);
    if (Ready()) return true;
    DropContext();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "kx58 sound configuration");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "kx58 sound configuration", properties);
    pa_proplist_free(properties);
    if (!context_) return false;
    pa_context_set_state_callback(context_, &PulseConnection::OnState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        DropContext();
        return false;
    }
    Wait([this] { return Ready() || Ended(pa_context_get_state(context_)); }, deadline);
    if (!Ready()) {
        DebugTrace("sound-conf: no sound server answered");
        DropContext();
        return false;
    }
    wasReady_ = true;
    Subscribe();
    return true;
}

void PulseConnection::Subscribe() {
    pa_context_set_subscribe_callback(context_, &PulseConnection::OnEvent, this);
    if (pa_operation* operation = pa_context_subscribe(context_, kWatched, nullptr, nullptr))
        pa_operation_unref(operation);
}

void PulseConnection::DropContext() {
    if (!context_) return;
    wasReady_ = false;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
    Signal();
}

void PulseConnection::Disconnect() {
    if (!loop_) return;
    {
        Lock lock(*this);
        DropContext();
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        for (const std::unique_ptr<Timer>& timer : timers_) api->time_free(timer->event);
        timers_.clear();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

bool PulseConnection::Ready() const { return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY; }

void PulseConnection::Signal() {
    std::lock_guard guard(wakeMutex_);
    ++signals_;
    woken_.notify_all();
}

bool PulseConnection::Wait(const std::function<bool()>& done, Deadline deadline) {
    if (!loop_ || pa_threaded_mainloop_in_thread(loop_)) return done();
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::uint64_t seen = 0;
        {
            std::lock_guard guard(wakeMutex_);
            seen = signals_;
        }
        pa_threaded_mainloop_unlock(loop_);
        {
            std::unique_lock guard(wakeMutex_);
            woken_.wait_until(guard, deadline, [&] { return signals_ != seen; });
        }
        pa_threaded_mainloop_lock(loop_);
    }
    return true;
}

bool PulseConnection::After(std::chrono::milliseconds delay, std::function<void()> task) {
    if (!loop_ || !context_) return false;
    auto timer = std::make_unique<Timer>(Timer{this, nullptr, std::move(task)});
    const pa_usec_t when = pa_rtclock_now() + static_cast<pa_usec_t>(delay.count()) * PA_USEC_PER_MSEC;
    timer->event = pa_context_rttime_new(context_, when, &PulseConnection::OnTimer, timer.get());
    if (!timer->event) return false;
    timers_.push_back(std::move(timer));
    return true;
}

void PulseConnection::OnTimer(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* userdata) {
    auto* timer = static_cast<Timer*>(userdata);
    PulseConnection* owner = timer->owner;
    std::function<void()> task = std::move(timer->task);
    api->time_free(event);
    std::erase_if(owner->timers_, [&](const std::unique_ptr<Timer>& kept) { return kept.get() == timer; });
    if (task) task();
}

void PulseConnection::OnState(pa_context* context, void* self) {
    PulseConnection* connection = Self(self);
    connection->Signal();
    if (!Ended(pa_context_get_state(context)) || !connection->wasReady_) return;
    connection->wasReady_ = false;
    DebugTrace("sound-conf: the sound server connection ended");
    if (connection->onLost_) connection->onLost_();
}

void PulseConnection::OnEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
    PulseConnection* connection = Self(self);
    if (connection->onEvent_) connection->onEvent_(type, index);
}

}  // namespace kx58::soundconf
