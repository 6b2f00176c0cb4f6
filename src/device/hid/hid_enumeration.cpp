#include "device/hid/hid_enumeration.h"

#include "device/hid/hid_path.h"
#include "device/hid/report_descriptor.h"

namespace kx58 {

std::vector<std::string> CollectionPathsOf(const HidBackend& backend, const HidInterfaceInfo& info) {
    HidReportDescriptor descriptor;
    ParseReportDescriptor(info.descriptor, descriptor);
    const std::size_t count = descriptor.collections.size();
    const std::string prefix = std::string(backend.Name()) + ":" + info.node + "#";
    std::vector<std::string> paths;
    if (count <= 1) {
        paths.push_back(prefix + MakePathTags(info.vendorId, info.productId, info.interfaceNumber, 0));
        return paths;
    }
    for (std::size_t i = 1; i <= count; ++i)
        paths.push_back(prefix + MakePathTags(info.vendorId, info.productId, info.interfaceNumber,
                                              static_cast<std::uint16_t>(i)));
    return paths;
}

bool EnumerateHidPaths(std::vector<std::string>& paths) {
    bool anyAnswered = false;
    for (const HidBackend* backend : EnabledHidBackends()) {
        std::vector<HidInterfaceInfo> interfaces;
        if (!backend->Enumerate(interfaces)) continue;
        anyAnswered = true;
        for (const HidInterfaceInfo& info : interfaces)
            for (std::string& path : CollectionPathsOf(*backend, info)) paths.push_back(std::move(path));
    }
    return anyAnswered;
}

bool HidPathPresent(const std::string& path) {
    SplitPath split;
    if (!SplitDevicePath(path, split)) return false;
    const HidBackend* backend = FindHidBackend(split.backend);
    return backend && backend->Present(split.node);
}

}  // namespace kx58
