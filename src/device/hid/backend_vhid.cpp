// The virtual HID bus backend: interfaces are socket + description pairs in a folder.
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "device/hid/hid_backend.h"
#include "device/hid/vhid_bus.h"
#include "platform/atomic_file.h"

namespace kx58 {
namespace {

bool IsSocketFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool ReadDescription(const std::string& socketPath, HidInterfaceInfo& info) {
    std::optional<std::string> text = ReadWholeFile(VhidDescriptionPathFor(socketPath), kMaxDescriptionBytes);
    if (!text || !DecodeVhidDescription(*text, info)) return false;
    info.node = socketPath;
    return true;
}

int ConnectSeqPacket(const std::string& path) {
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    // Non-blocking from the start: a simulator that stopped accepting must not stall the
    // caller (a full backlog fails at once with EAGAIN and is tried again later).
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class VhidBackendImpl final : public HidBackend {
public:
    const char* Name() const override { return "vhid"; }

    bool Enumerate(std::vector<HidInterfaceInfo>& out) const override {
        const std::string folder = VhidFolder();
        DIR* dir = opendir(folder.c_str());
        if (!dir) return true;  // no bus folder: no simulated devices
        std::vector<std::string> names;
        const std::string suffix = ".sock";
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                names.push_back(name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());  // stable order: interface 0 before 1
        for (const std::string& name : names) {
            HidInterfaceInfo info;
            const std::string socketPath = folder + "/" + name;
            if (IsSocketFile(socketPath) && ReadDescription(socketPath, info)) out.push_back(std::move(info));
        }
        return true;
    }

    bool Open(const std::string& node, bool, bool, std::uint16_t collection, HidOpenedNode& out) const override {
        HidInterfaceInfo info;
        if (!ReadDescription(node, info)) return false;
        const int fd = ConnectSeqPacket(node);
        if (fd < 0) return false;
        const std::vector<std::uint8_t> hello = MakeVhidHello(collection);
        if (send(fd, hello.data(), hello.size(), MSG_NOSIGNAL | MSG_DONTWAIT) != static_cast<ssize_t>(hello.size())) {
            close(fd);
            return false;
        }
        out.fd = fd;
        out.isSocket = true;
        out.info = std::move(info);
        return true;
    }

    bool Present(const std::string& node) const override {
        struct stat st{};
        return IsSocketFile(node) && stat(VhidDescriptionPathFor(node).c_str(), &st) == 0;
    }
};

}  // namespace

const HidBackend& VhidBackend() {
    static const VhidBackendImpl backend;
    return backend;
}

}  // namespace kx58
