#pragma once
// Runs GTK's loop (and with it this thread's messages) while waiting for a condition.
#include <functional>

#include "support/wait_until.h"
#include "uikit/gtk_backend.h"

namespace kx58test {

inline bool PumpGtkUntil(const std::function<bool()>& done) {
    return WaitUntil([&] {
        kx58::ui::GtkBackend::Pump();
        return done();
    });
}

}  // namespace kx58test
