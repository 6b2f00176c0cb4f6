#include "macro/macro_names.h"

#include <algorithm>

#include "profile/text_convert.h"

namespace kx58 {
namespace {

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

bool MacroNameTaken(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& taken) { return EqualsIgnoringCase(taken, name); });
}

std::string NewMacroName(const std::vector<std::string>& names) {
    for (int number = 1;; ++number) {
        std::string name = "macro_" + std::to_string(number);
        if (!MacroNameTaken(names, name)) return name;
    }
}

std::string ImportedMacroName(const std::vector<std::string>& names, const std::string& importPath) {
    // Bytes that are not UTF-8 (a file name in another encoding) must not garble the library.
    const std::string base = Utf8FromWide(WideFromUtf8(BaseNameOf(importPath)));
    if (!MacroNameTaken(names, base)) return base;
    for (int number = 2;; ++number) {
        std::string name = base + "_" + std::to_string(number);
        if (!MacroNameTaken(names, name)) return name;
    }
}

}  // namespace kx58
