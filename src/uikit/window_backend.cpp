#include "uikit/window_backend.h"

#include <mutex>

#include "uikit/headless_backend.h"

namespace kx58::ui {

namespace {

std::mutex& BackendMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<IWindowBackend>& Installed() {
    static std::unique_ptr<IWindowBackend> backend;
    return backend;
}

}  // namespace

IWindowBackend& CurrentBackend() {
    std::lock_guard lock(BackendMutex());
    if (!Installed()) Installed() = std::make_unique<HeadlessBackend>();
    return *Installed();
}

std::unique_ptr<IWindowBackend> InstallBackend(std::unique_ptr<IWindowBackend> backend) {
    std::lock_guard lock(BackendMutex());
    std::swap(Installed(), backend);
    return backend;
}

}  // namespace kx58::ui
