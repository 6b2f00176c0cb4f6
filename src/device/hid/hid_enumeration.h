#pragma once
// Device-interface paths of every present HID collection, and the presence probe.
#include <string>
#include <vector>

#include "device/hid/hid_backend.h"

namespace kx58 {

// One path per top-level collection of the interface ("&colNN" only when it has several).
std::vector<std::string> CollectionPathsOf(const HidBackend& backend, const HidInterfaceInfo& info);

// Appends the paths of every enabled backend. False when no enabled backend could be asked.
bool EnumerateHidPaths(std::vector<std::string>& paths);

// True while the path's interface is still there (no I/O with the device).
bool HidPathPresent(const std::string& path);

}  // namespace kx58
