#include "uikit/backend_choice.h"

#include <cstdio>
#include <cstdlib>

#include "uikit/gtk_backend.h"
#include "uikit/headless_backend.h"
#include "uikit/ui_types.h"

namespace kx58::ui {

BackendChoice ParseBackendChoice(const char* value) {
    if (!value || !*value || EqualsNoCase(value, "gtk")) return BackendChoice::Gtk;
    if (EqualsNoCase(value, "headless")) return BackendChoice::Headless;
    return BackendChoice::Unknown;
}

void RegisterGtkBackendFactory() {
    RegisterBackendFactory("gtk", []() -> std::unique_ptr<IWindowBackend> {
        std::string error;
        return GtkBackend::Create(error);
    });
}

bool InstallChosenBackend(std::string& error) {
    RegisterGtkBackendFactory();
    const char* value = std::getenv("KX58_UI");
    switch (ParseBackendChoice(value)) {
        case BackendChoice::Headless:
            InstallBackend(std::make_unique<HeadlessBackend>());
            return true;
        case BackendChoice::Unknown:
            error = std::string("KX58_UI=") + value + " names no window backend (use gtk or headless)";
            return false;
        case BackendChoice::Gtk: break;
    }
    // Every window is drawn with cairo into GTK's own buffers; nothing uses OpenGL. Without
    // this GDK probes GLX for its visuals and maps the GL driver (on a software renderer,
    // LLVM: some 40 MB) into the process. A GDK_GL set by the user stays.
    setenv("GDK_GL", "disable", 0);
    std::string why;
    auto gtk = GtkBackend::Create(why);
    if (!gtk) {
        error = "no display to show windows on: " + why + "; set KX58_UI=headless to run without one";
        return false;
    }
    InstallBackend(std::move(gtk));
    return true;
}

bool SetUpWindowBackend(const char* program) {
    std::string error;
    if (InstallChosenBackend(error)) return true;
    std::fprintf(stderr, "%s: %s\n", program ? program : "kx58", error.c_str());
    return false;
}

}  // namespace kx58::ui
