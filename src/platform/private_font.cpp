#include "platform/private_font.h"

#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <mutex>
#include <vector>

#include "platform/debug_trace.h"

namespace kx58 {
namespace {

struct Registry {
    std::mutex mutex;
    std::vector<std::string> paths;  // one entry per loaded object, in load order
    std::uint64_t generation = 0;
};

Registry& Fonts() {
    static Registry registry;
    return registry;
}

bool AddToConfig(const std::string& path) {
    FcConfig* config = FcConfigGetCurrent();
    return config && FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(path.c_str())) == FcTrue;
}

}  // namespace

PrivateFont::~PrivateFont() { Unload(); }

bool PrivateFont::Load(const std::string& path) {
    Unload();
    auto& fonts = Fonts();
    std::lock_guard lock(fonts.mutex);
    if (!FcInit() || !AddToConfig(path)) {
        DebugTraceF("private font skipped: %s", path.c_str());
        return false;
    }
    fonts.paths.push_back(path);
    ++fonts.generation;
    path_ = path;
    return true;
}

void PrivateFont::Unload() {
    if (path_.empty()) return;
    auto& fonts = Fonts();
    std::lock_guard lock(fonts.mutex);
    const auto it = std::find(fonts.paths.begin(), fonts.paths.end(), path_);
    if (it != fonts.paths.end()) fonts.paths.erase(it);
    // fontconfig can only drop all application fonts: drop them and add back the others.
    FcConfigAppFontClear(FcConfigGetCurrent());
    for (const auto& other : fonts.paths) AddToConfig(other);
    ++fonts.generation;
    path_.clear();
}

std::uint64_t PrivateFont::Generation() {
    auto& fonts = Fonts();
    std::lock_guard lock(fonts.mutex);
    return fonts.generation;
}

}  // namespace kx58
