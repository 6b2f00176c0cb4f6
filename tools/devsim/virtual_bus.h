#pragma once
// Puts simulated products on a virtual HID bus folder and carries their reports.
//
// One bus thread serves every socket: it accepts host connections, reads their hello and
// output reports and hands output reports to the product. Input reports go as hidraw hands
// them out: to every connection of the interface, whatever collection it greeted, each
// holding at most 64 unread reports (a new one is dropped while it is full). A report id no
// collection declares is dropped, as the kernel does. Public calls may come from any thread;
// they take the bus lock, which the bus thread also holds while a product handles a report.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "devsim/report_trace.h"
#include "devsim/simulated_product.h"

namespace devsim {

class VirtualBus {
public:
    VirtualBus();
    ~VirtualBus();
    VirtualBus(const VirtualBus&) = delete;
    VirtualBus& operator=(const VirtualBus&) = delete;

    // Creates the folder (mode 0700) and starts the bus thread. `traceFile` empty: no trace.
    bool Start(const std::string& folder, const std::string& traceFile = {});
    // Unplugs everything and ends the bus thread.
    void Stop();

    // False when a product of that name is plugged already or a socket cannot be made.
    bool Plug(std::shared_ptr<SimulatedProduct> product);
    // Closes the product's connections (host reads fail at once) and removes its files.
    bool Unplug(const std::string& name);
    // An input report the user causes on the device (report id first).
    bool EmitInput(const std::string& name, std::uint8_t interfaceNumber, std::span<const std::uint8_t> report);

    std::vector<std::string> Plugged() const;
    // Host connections that said hello to this product's collections.
    std::size_t ConnectionCount(const std::string& name) const;
    const std::string& Folder() const { return folder_; }

private:
    struct Connection;
    struct Interface;
    struct Product;
    class Link;

    void Run();
    void Wake();
    void AcceptOn(Interface& iface);
    void ServeConnection(Product& product, Interface& iface, Connection& conn);
    void HandleOutput(Product& product, Interface& iface, Connection& conn, std::span<const std::uint8_t> report);
    bool RouteInput(Interface& iface, std::span<const std::uint8_t> report);
    // Bus lock held.
    int ChargeOf(std::size_t length);
    void UnplugLocked(std::size_t index);
    void Retire(int fd);
    Product* FindLocked(const std::string& name);

    mutable std::mutex mutex_;
    std::string folder_;
    std::vector<std::unique_ptr<Product>> products_;
    std::vector<int> retired_;  // shut down; closed by the bus thread between polls
    std::map<std::size_t, int> charges_;  // socket charge of a report, by its length
    bool stopping_ = false;
    int wakeFd_ = -1;
    std::thread thread_;
    ReportTrace trace_;
};

}  // namespace devsim
