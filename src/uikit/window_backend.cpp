#include "uikit/window_backend.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/debug_trace.h"
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

std::map<std::string, BackendFactory>& Factories() {
    static std::map<std::string, BackendFactory> factories;
    return factories;
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

void RegisterBackendFactory(const std::string& name, BackendFactory factory) {
    std::lock_guard lock(BackendMutex());
    Factories()[name] = std::move(factory);
}

std::string InstallBackendByName(const std::string& preferred) {
    const char* fromEnvironment = std::getenv("KX58_UI");
    const std::string wanted = fromEnvironment && *fromEnvironment ? fromEnvironment : preferred;
    std::unique_ptr<IWindowBackend> backend;
    if (wanted != "headless") {
        BackendFactory factory;
        {
            std::lock_guard lock(BackendMutex());
            auto it = Factories().find(wanted);
            if (it != Factories().end()) factory = it->second;
        }
        if (factory) backend = factory();
        if (!backend) DebugTraceF("uikit: UI backend '%s' is not available; using headless", wanted.c_str());
    }
    if (!backend) backend = std::make_unique<HeadlessBackend>();
    std::string name = backend->Name();
    InstallBackend(std::move(backend));
    return name;
}

}  // namespace kx58::ui
