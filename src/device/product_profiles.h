#pragma once
// Where each product keeps its profiles and finds its shipped defaults.
#include <string>

#include "device/hid/products.h"

namespace kx58 {

struct ProductProfileFiles {
    DeviceKind kind;            // the cable form
    const char* folderName;     // per-user profile folder and default document name
    const char* lightLibrary;   // user-made effects, "<name>.config" in the profile folder
    const char* macroLibrary;   // macro names, in the profile folder
    int lightNameSlot;          // index into the arrays of "default_light.json"
};

// The product of a device kind; receivers share their cable form's files. Null for an
// unknown kind.
const ProductProfileFiles* FindProductProfileFiles(DeviceKind kind);

// Folders::UserData() + folder name + "/", created on demand; empty when it cannot be.
std::string ProfileDirectoryFor(const ProductProfileFiles& product);
// Folders::Defaults() + folder name + ".Json".
std::string DefaultDocumentPathFor(const ProductProfileFiles& product);
// Folders::Defaults() + "default_light.json".
std::string DefaultLightNamesPath();

}  // namespace kx58
