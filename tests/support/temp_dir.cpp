#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace kx58test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kx58-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name.c_str())) old_ = old;
    setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
}

IsolatedSession::IsolatedSession()
    : runtime_("XDG_RUNTIME_DIR", dir_ / "run"),
      data_("XDG_DATA_HOME", dir_ / "data"),
      config_("XDG_CONFIG_HOME", dir_ / "config"),
      soundServer_("PULSE_SERVER", "unix:" + dir_ / "run/pulse/native"),
      // No test meets the machine's logind: a test that wants a system bus starts its own.
      systemBus_("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir_ / "run/no-system-bus"),
      desktopSettings_("GSETTINGS_BACKEND", "memory") {
    mkdir(RuntimeDir().c_str(), 0700);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace kx58test
