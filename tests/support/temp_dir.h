#pragma once
// Test helpers: a private temporary folder and scoped environment variables.
#include <string>
#include <optional>

namespace kx58test {

// A fresh folder under $TMPDIR, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets an environment variable for the scope, restoring the old value after.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Points XDG_RUNTIME_DIR, XDG_DATA_HOME and XDG_CONFIG_HOME into one private temp folder,
// so a test never touches the user's real files or another test's session; PULSE_SERVER
// names the session's own sound server (none unless the test starts one), so no program a
// test starts meets the user's; desktop settings (GSettings) stay in memory.
class IsolatedSession {
public:
    IsolatedSession();
    const std::string& Root() const { return dir_.Path(); }
    std::string RuntimeDir() const { return dir_ / "run"; }
    std::string DataHome() const { return dir_ / "data"; }
    std::string ConfigHome() const { return dir_ / "config"; }

private:
    TempDir dir_;
    ScopedEnv runtime_;
    ScopedEnv data_;
    ScopedEnv config_;
    ScopedEnv soundServer_;
    ScopedEnv systemBus_;
    ScopedEnv desktopSettings_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace kx58test
