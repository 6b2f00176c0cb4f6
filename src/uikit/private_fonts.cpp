#include "uikit/private_fonts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "uikit/ui_types.h"

namespace kx58::ui {

namespace {

bool IsFontFile(const std::filesystem::path& path) {
    const std::string ext = path.extension().string();
    return EqualsNoCase(ext, ".ttf") || EqualsNoCase(ext, ".otf") || EqualsNoCase(ext, ".ttc");
}

std::string Join(const std::string& folder, const std::string& name) {
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (folder.empty()) return relative;
    return folder.back() == '/' ? folder + relative : folder + "/" + relative;
}

}  // namespace

bool PrivateFontSet::LoadOne(const std::string& path) {
    auto font = std::make_unique<PrivateFont>();
    if (!font->Load(path)) return false;
    m_fonts.push_back(std::move(font));
    return true;
}

int PrivateFontSet::LoadFiles(const std::string& folder, const std::vector<std::string>& names) {
    int loaded = 0;
    for (const std::string& name : names) loaded += LoadOne(Join(folder, name)) ? 1 : 0;
    return loaded;
}

int PrivateFontSet::LoadFolder(const std::string& folder) {
    std::error_code error;
    std::vector<std::string> files;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && IsFontFile(it->path())) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (const std::string& file : files) loaded += LoadOne(file) ? 1 : 0;
    return loaded;
}

void PrivateFontSet::UnloadAll() {
    // Newest first, the reverse of loading.
    while (!m_fonts.empty()) m_fonts.pop_back();
}

}  // namespace kx58::ui
