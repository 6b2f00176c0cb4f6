#pragma once
// The simulator program's products: firmware where a product has a command collection, echo
// otherwise, and the console verbs that act on a plugged firmware:
//   link NAME up|down                      the receiver reaches its device or not
//   fault NAME KIND [COMMAND [CHUNK]]      KIND: ff fe stray stray2 noreply unplug; hex command
//   consumer NAME USAGE                    a consumer report with the hexadecimal usage
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "devsim/firmware_product.h"
#include "devsim/headset_product.h"
#include "devsim/virtual_bus.h"

namespace devsim {

class FirmwareRack {
public:
    FirmwareRack(VirtualBus& bus, FirmwareOptions options) : bus_(bus), options_(options) {}
    ~FirmwareRack() { DetachAll(); }
    FirmwareRack(const FirmwareRack&) = delete;
    FirmwareRack& operator=(const FirmwareRack&) = delete;

    // False for an unknown name or when the bus refuses it.
    bool Plug(const std::string& name);
    // Answers a console line for one of the verbs above (`arguments` holds what follows the
    // name); nothing when the verb is not one.
    std::optional<std::string> Execute(const std::string& verb, const std::string& name,
                                       std::istringstream& arguments);
    std::shared_ptr<FirmwareProduct> Find(const std::string& name) const;
    // The headset plugged under `name`, which keeps the output reports it received.
    std::shared_ptr<HeadsetProduct> FindHeadset(const std::string& name) const;
    // Before the bus stops: no firmware reaches it afterwards.
    void DetachAll();

private:
    VirtualBus& bus_;
    FirmwareOptions options_;
    std::map<std::string, std::shared_ptr<FirmwareProduct>> firmware_;
    std::map<std::string, std::shared_ptr<HeadsetProduct>> headsets_;
};

}  // namespace devsim
