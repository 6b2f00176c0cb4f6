#include "device/product_profiles.h"

#include "platform/folders.h"

namespace kx58 {
namespace {

// Every device uses section 0 of its documents, so the light-name arrays of the one shared
// "default_light.json" are indexed by the product's slot below instead.
constexpr ProductProfileFiles kProducts[] = {
    {.kind = DeviceKind::KeyboardWired, .folderName = "Keyboard", .lightLibrary = "orvik_light",
     .macroLibrary = "macro.config", .lightNameSlot = 0},
    {.kind = DeviceKind::MouseWired, .folderName = "Mouse", .lightLibrary = "orvik_light",
     .macroLibrary = "macro.config", .lightNameSlot = 1},
    {.kind = DeviceKind::MousePad, .folderName = "MousePad", .lightLibrary = "orvik_light",
     .macroLibrary = "orvik_macro.config", .lightNameSlot = 2},
    {.kind = DeviceKind::Headset, .folderName = "Headset", .lightLibrary = "orvik_light",
     .macroLibrary = "orvik_macro.config", .lightNameSlot = 3},
};

}  // namespace

const ProductProfileFiles* FindProductProfileFiles(DeviceKind kind) {
    for (const ProductProfileFiles& product : kProducts) {
        if (product.kind == CableFormOf(kind)) return &product;
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
