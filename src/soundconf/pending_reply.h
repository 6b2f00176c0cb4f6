#pragma once
// How a request's reply reaches its caller exactly once: the answer from the request's own
// callback, or an empty one when the operation ends without it (cancelled with the
// connection, or refused at once). Used by the request files of this layer only.
#include <pulse/pulseaudio.h>

#include <optional>

#include "soundconf/pulse_connection.h"

namespace kx58::soundconf {

template <class T>
struct PendingReply {
    Reply<T> reply;
    T gathered{};  // list entries collected so far
    bool answered = false;

    void Answer(std::optional<T> value) {
        if (answered) return;
        answered = true;
        Reply<T> handed = std::move(reply);
        if (handed) handed(std::move(value));
    }
};

template <class T>
void OnOperationState(pa_operation* operation, void* pending) {
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) return;
    auto* reply = static_cast<PendingReply<T>*>(pending);
    reply->Answer(std::nullopt);
    delete reply;
}

// Takes over `pending`: freed once the operation ends (at once when there is none).
template <class T>
void Track(pa_operation* operation, PendingReply<T>* pending) {
    if (!operation) {
        pending->Answer(std::nullopt);
        delete pending;
        return;
    }
    pa_operation_set_state_callback(operation, &OnOperationState<T>, pending);
    pa_operation_unref(operation);
}

template <class T>
PendingReply<T>* Pending(Reply<T> reply) {
    return new PendingReply<T>{std::move(reply)};
}

}  // namespace kx58::soundconf
