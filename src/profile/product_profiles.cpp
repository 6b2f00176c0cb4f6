#include "profile/product_profiles.h"

#include "platform/folders.h"

namespace kx58 {
namespace {

// Every device uses section 0 of its documents, so the light-name arrays of the one shared
// "default_light.json" are indexed by the product's slot below instead.
constexpr ProductProfileFiles kProducts[] = {
    {1, "Keyboard", "orvik_light", "macro.config", 0},
    {2, "Mouse", "orvik_light", "macro.config", 1},
    {3, "MousePad", "orvik_light", "orvik_macro.config", 2},
    {7, "Headset", "orvik_light", "orvik_macro.config", 3},
};

int CableKind(int kind) {
    if (kind == 9) return 1;
    if (kind == 6) return 2;
    return kind;
}

}  // namespace

const ProductProfileFiles* FindProductProfileFiles(int kind) {
    for (const ProductProfileFiles& product : kProducts) {
        if (product.kind == CableKind(kind)) return &product;
    }
    return nullptr;
}

std::string ProfileDirectoryFor(const ProductProfileFiles& product) {
    const std::string root = Folders::UserData();
    if (root.empty()) return {};
    const std::string folder = root + product.folderName + "/";
    return CreateFolders(folder) ? folder : std::string();
}

std::string DefaultDocumentPathFor(const ProductProfileFiles& product) {
    return Folders::Defaults() + product.folderName + ".Json";
}

std::string DefaultLightNamesPath() { return Folders::Defaults() + "default_light.json"; }

}  // namespace kx58
