#include "devsim/virtual_bus.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "device/hid/hid_backend.h"
#include "device/hid/hid_path.h"
#include "device/hid/report_descriptor.h"
#include "device/hid/vhid_bus.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"

namespace devsim {
namespace {

constexpr std::size_t kMaxDatagram = 16384 + 2;
// What hidraw queues per open handle before it drops new reports.
constexpr std::size_t kInputQueueLength = 64;

int ListenSeqPacket(const std::string& path) {
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());  // a socket file left by a simulator that died
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 32) != 0) {
        close(fd);
        unlink(path.c_str());
        return -1;
    }
    return fd;
}

// What the kernel charges a sender for one datagram of `length` bytes until the peer has read
// it; SIOCOUTQ sums these charges. Measured on a private pair; 0 when it cannot be.
int MeasureCharge(std::size_t length) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return 0;
    const std::vector<std::uint8_t> bytes(length);
    int charge = 0;
    if (send(pair[0], bytes.data(), length, MSG_DONTWAIT | MSG_NOSIGNAL) != static_cast<ssize_t>(length) ||
        ioctl(pair[0], SIOCOUTQ, &charge) != 0)
        charge = 0;
    close(pair[0]);
    close(pair[1]);
    return charge;
}

}  // namespace

struct VirtualBus::Connection {
    int fd = -1;
    bool greeted = false;
    bool dead = false;
    std::uint16_t collection = 0;
    std::deque<int> unread;  // charge of each report sent and maybe not read yet, oldest first
    int unreadCharge = 0;

    // Forgets the reports the host has read (it reads in order) and tells whether the
    // handle's queue is full.
    bool QueueFull() {
        int outstanding = 0;
        if (ioctl(fd, SIOCOUTQ, &outstanding) != 0) return false;
        while (!unread.empty() && unreadCharge > outstanding) {
            unreadCharge -= unread.front();
            unread.pop_front();
        }
        return unread.size() >= kInputQueueLength;
    }
    void Sent(int charge) {
        if (charge <= 0) return;  // not measurable: delivered without a bound
        unread.push_back(charge);
        unreadCharge += charge;
    }
};

struct VirtualBus::Interface {
    std::uint8_t number = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string socketPath;
    std::string descriptionPath;
    int listenFd = -1;
    kx58::HidReportDescriptor descriptor;
    std::vector<Connection> connections;

    std::uint16_t CollectionCount() const { return static_cast<std::uint16_t>(descriptor.collections.size()); }
    // A hello for collection 0 means the interface's only collection.
    std::uint16_t Effective(std::uint16_t collection) const {
        return collection == 0 && CollectionCount() == 1 ? 1 : collection;
    }
    std::string PathOf(std::uint16_t collection) const {
        const std::uint16_t tag = CollectionCount() > 1 ? collection : 0;
        return "vhid:" + socketPath + "#" + kx58::MakePathTags(vendorId, productId, number, tag);
    }
};

struct VirtualBus::Product {
    std::shared_ptr<SimulatedProduct> simulated;
    std::vector<Interface> interfaces;
    bool unplugRequested = false;
};

class VirtualBus::Link final : public DeviceLink {
public:
    Link(VirtualBus& bus, Product& product) : bus_(bus), product_(product) {}
    bool SendInput(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) override {
        for (Interface& iface : product_.interfaces)
            if (iface.number == interfaceNumber) return bus_.RouteInput(iface, report);
        return false;
    }
    void RequestUnplug() override { product_.unplugRequested = true; }

private:
    VirtualBus& bus_;
    Product& product_;
};

VirtualBus::VirtualBus() = default;
VirtualBus::~VirtualBus() { Stop(); }

bool VirtualBus::Start(const std::string& folder, const std::string& traceFile) {
    if (thread_.joinable()) return false;
    if (!kx58::CreateFolders(folder, 0700) || !trace_.Open(traceFile)) return false;
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) return false;
    folder_ = folder;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void VirtualBus::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    std::lock_guard lock(mutex_);
    while (!products_.empty()) UnplugLocked(products_.size() - 1);
    for (int fd : retired_) close(fd);
    retired_.clear();
    close(wakeFd_);
    wakeFd_ = -1;
    trace_.Close();
}

void VirtualBus::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

bool VirtualBus::Plug(std::shared_ptr<SimulatedProduct> simulated) {
    if (!simulated) return false;
    const ProductSpec& spec = simulated->Spec();
    std::lock_guard lock(mutex_);
    if (!thread_.joinable() || stopping_ || FindLocked(spec.name)) return false;
    auto product = std::make_unique<Product>();
    product->simulated = simulated;
    for (const InterfaceSpec& is : spec.interfaces) {
        Interface iface;
        iface.number = is.number;
        iface.vendorId = spec.vendorId;
        iface.productId = spec.productId;
        const std::string base = folder_ + "/" + spec.name + "-if" + std::to_string(is.number);
        iface.socketPath = base + ".sock";
        iface.descriptionPath = base + ".json";
        kx58::ParseReportDescriptor(is.descriptor, iface.descriptor);
        iface.listenFd = ListenSeqPacket(iface.socketPath);
        kx58::HidInterfaceInfo info{{}, spec.vendorId, spec.productId, spec.version, is.number,
                                    spec.productString, is.descriptor};
        const bool ok = iface.listenFd >= 0 &&
                        kx58::WriteFileAtomically(iface.descriptionPath, kx58::EncodeVhidDescription(info));
        product->interfaces.push_back(std::move(iface));
        if (!ok) {
            for (Interface& made : product->interfaces) {
                if (made.listenFd >= 0) close(made.listenFd);
                unlink(made.socketPath.c_str());
                unlink(made.descriptionPath.c_str());
            }
            return false;
        }
    }
    products_.push_back(std::move(product));
    Wake();
    return true;
}

bool VirtualBus::Unplug(const std::string& name) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < products_.size(); ++i) {
        if (products_[i]->simulated->Spec().name != name) continue;
        UnplugLocked(i);
        Wake();
        return true;
    }
    return false;
}

void VirtualBus::UnplugLocked(std::size_t index) {
    for (Interface& iface : products_[index]->interfaces) {
        unlink(iface.descriptionPath.c_str());
        unlink(iface.socketPath.c_str());
        for (Connection& conn : iface.connections) Retire(conn.fd);
        Retire(iface.listenFd);
    }
    products_.erase(products_.begin() + static_cast<std::ptrdiff_t>(index));
}

// Shut down now (the host sees the hang-up at once); closed by the bus thread once no poll
// can still refer to the number.
void VirtualBus::Retire(int fd) {
    if (fd < 0) return;
    shutdown(fd, SHUT_RDWR);
    retired_.push_back(fd);
}

bool VirtualBus::EmitInput(const std::string& name, std::uint8_t interfaceNumber,
                           std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    Product* product = FindLocked(name);
    if (!product) return false;
    for (Interface& iface : product->interfaces)
        if (iface.number == interfaceNumber) return RouteInput(iface, report);
    return false;
}

std::vector<std::string> VirtualBus::Plugged() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& p : products_) names.push_back(p->simulated->Spec().name);
    return names;
}

std::size_t VirtualBus::ConnectionCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& p : products_) {
        if (p->simulated->Spec().name != name) continue;
        for (const Interface& iface : p->interfaces)
            for (const Connection& conn : iface.connections) count += conn.greeted && !conn.dead;
    }
    return count;
}

VirtualBus::Product* VirtualBus::FindLocked(const std::string& name) {
    for (auto& p : products_)
        if (p->simulated->Spec().name == name) return p.get();
    return nullptr;
}

bool VirtualBus::RouteInput(Interface& iface, std::span<const std::uint8_t> report) {
    if (report.empty()) return false;
    const bool ids = iface.descriptor.usesReportIds;
    const std::uint8_t id = ids ? report[0] : 0;
    std::uint16_t collection = 0;
    for (std::uint16_t c = 0; c < iface.CollectionCount() && collection == 0; ++c)
        if (iface.descriptor.collections[c].HasReportId(kx58::HidReportType::Input, id)) collection = c + 1;
    if (collection == 0) return false;
    // As hidraw: a report of an interface without report ids travels without the id byte,
    // and every handle open on the interface gets it, whatever collection it opened; a handle
    // with 64 unread reports drops the new one.
    const std::span<const std::uint8_t> wire = ids ? report : report.subspan(1);
    const int charge = ChargeOf(wire.size());
    for (Connection& conn : iface.connections) {
        if (!conn.greeted || conn.dead || conn.QueueFull()) continue;
        if (send(conn.fd, wire.data(), wire.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) conn.Sent(charge);
        else if (errno != EAGAIN) conn.dead = true;
    }
    trace_.Log("IN", iface.PathOf(collection), report);
    return true;
}

int VirtualBus::ChargeOf(std::size_t length) {
    auto known = charges_.find(length);
    if (known == charges_.end()) known = charges_.emplace(length, MeasureCharge(length)).first;
    return known->second;
}

void VirtualBus::AcceptOn(Interface& iface) {
    for (;;) {
        const int fd = accept4(iface.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        Connection& conn = iface.connections.emplace_back();
        conn.fd = fd;
    }
}

void VirtualBus::ServeConnection(Product& product, Interface& iface, Connection& conn) {
    std::vector<std::uint8_t> buffer(kMaxDatagram);
    while (!conn.dead) {
        const ssize_t n = recv(conn.fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) {
            conn.dead = true;
            return;
        }
        const std::span<const std::uint8_t> datagram(buffer.data(), static_cast<std::size_t>(n));
        if (conn.greeted) {
            HandleOutput(product, iface, conn, datagram);
            continue;
        }
        const std::optional<std::uint16_t> collection = kx58::ParseVhidHello(datagram);
        if (!collection || iface.Effective(*collection) == 0 || iface.Effective(*collection) > iface.CollectionCount()) {
            conn.dead = true;  // not a host of this bus, or a collection that does not exist
            return;
        }
        conn.greeted = true;
        conn.collection = *collection;
    }
}

void VirtualBus::HandleOutput(Product& product, Interface& iface, Connection& conn,
                              std::span<const std::uint8_t> report) {
    const std::uint16_t collection = iface.Effective(conn.collection);
    ReportTarget target{iface.number, collection, iface.PathOf(collection)};
    trace_.Log("OUT", target.path, report);
    Link link(*this, product);
    product.simulated->OnOutputReport(link, target, report);
}

void VirtualBus::Run() {
    for (;;) {
        std::vector<pollfd> fds;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            for (int fd : retired_) close(fd);
            retired_.clear();
            fds.push_back({wakeFd_, POLLIN, 0});
            for (const auto& p : products_)
                for (const Interface& iface : p->interfaces) {
                    fds.push_back({iface.listenFd, POLLIN, 0});
                    for (const Connection& conn : iface.connections) fds.push_back({conn.fd, POLLIN, 0});
                }
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
        // Numbers stay valid: only this thread closes descriptors, and only above.
        std::unordered_map<int, short> ready;
        for (const pollfd& p : fds)
            if (p.revents) ready[p.fd] = p.revents;

        std::lock_guard lock(mutex_);
        std::uint64_t drained;
        [[maybe_unused]] ssize_t n = read(wakeFd_, &drained, sizeof drained);
        if (stopping_) return;
        for (auto& p : products_)
            for (Interface& iface : p->interfaces) {
                if (ready.count(iface.listenFd)) AcceptOn(iface);
                for (std::size_t c = 0; c < iface.connections.size(); ++c)
                    if (ready.count(iface.connections[c].fd)) ServeConnection(*p, iface, iface.connections[c]);
            }
        for (auto& p : products_)
            for (Interface& iface : p->interfaces) {
                auto& conns = iface.connections;
                for (const Connection& conn : conns)
                    if (conn.dead) Retire(conn.fd);
                conns.erase(std::remove_if(conns.begin(), conns.end(), [](const Connection& c) { return c.dead; }),
                            conns.end());
            }
        for (std::size_t i = products_.size(); i-- > 0;)
            if (products_[i]->unplugRequested) UnplugLocked(i);
    }
}

}  // namespace devsim
