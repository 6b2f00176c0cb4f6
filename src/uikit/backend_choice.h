#pragma once
// Which window backend the program runs on: GTK by default, headless when KX58_UI=headless.
#include <string>

namespace kx58::ui {

enum class BackendChoice { Gtk, Headless, Unknown };

// The choice named by a KX58_UI value (nullptr or empty: GTK).
BackendChoice ParseBackendChoice(const char* value);

// Makes the GTK backend known to InstallBackendByName as "gtk".
void RegisterGtkBackendFactory();

// Installs the backend KX58_UI asks for. False, with `error` saying why, when the value is
// unknown or GTK cannot open a display.
bool InstallChosenBackend(std::string& error);

// For a program's entry: installs the chosen backend or prints a clear message on stderr
// (prefixed with `program`); the entry exits non-zero when this returns false.
bool SetUpWindowBackend(const char* program);

}  // namespace kx58::ui
