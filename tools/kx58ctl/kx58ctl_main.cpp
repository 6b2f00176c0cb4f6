// kx58ctl: command-line look at the supported devices.
//
//   kx58ctl list    one line per attached supported collection:
//                   row, kind, role, usage page/usage, path
//   kx58ctl info|readback [keyboard|mouse]   see readback_command.h
//   kx58ctl light-control on|off | instance | open-settings | start-upgrade N   drive the running program
#include <cstdio>
#include <string>

#include "device/hid/collection_match.h"
#include "device/hid/hid_device.h"
#include "device/hid/supported_devices.h"
#include "message_command.h"
#include "readback_command.h"

namespace {

int ListDevices() {
    const kx58::DeviceTable table = kx58::SupportedDevices();
    kx58::CHidDevice hid;
    if (!hid.Enumerate()) {
        std::fprintf(stderr, "kx58ctl: HID devices cannot be enumerated\n");
        return 1;
    }
    int found = 0;
    while (std::optional<std::string> path = hid.NextPath()) {
        if (!kx58::PathIdsInTable(table, *path)) continue;
        const std::optional<kx58::CollectionKeys> keys = kx58::ReadCollectionKeys(hid, *path);
        if (!keys) continue;
        const std::optional<std::size_t> row = kx58::FindSupportedRow(
            table, keys->vendorId, keys->productId, keys->collection, keys->interfaceNumber, keys->usagePage,
            keys->usage);
        if (!row) continue;
        const kx58::DeviceMatchEntry& e = table[*row];
        std::printf("%zu\t%s\t%s\t%04x/%04x\t%s\n", *row, kx58::DeviceKindName(e.kind),
                    e.role == kx58::kRoleCommand ? "command" : "consumer", e.usagePage, e.usage, path->c_str());
        ++found;
    }
    if (found == 0) std::printf("no supported device attached\n");
    return 0;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: kx58ctl list | info [keyboard|mouse] | readback [keyboard|mouse]\n"
                 "       kx58ctl light-control on|off | instance | open-settings | start-upgrade N\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "list" && argc == 2) return ListDevices();
    const char* which = argc == 3 ? argv[2] : "";
    if (command == "info" && argc <= 3) return kx58ctl::PrintDeviceInfo(which);
    if (command == "readback" && argc <= 3) return kx58ctl::PrintReadback(which);
    if (command == "light-control" && argc == 3) return kx58ctl::SendLightControl(argv[2]);
    if (command == "instance" && argc == 2) return kx58ctl::SendInstance();
    if (command == "open-settings" && argc == 2) return kx58ctl::SendOpenSettings();
    if (command == "start-upgrade" && argc == 3) return kx58ctl::SendStartUpgrade(argv[2]);
    Usage();
    return 2;
}
