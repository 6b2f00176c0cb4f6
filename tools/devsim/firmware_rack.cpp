#include "devsim/firmware_rack.h"

#include <optional>

#include "devsim/headset_product.h"
#include "devsim/product_catalog.h"

namespace devsim {
namespace {

struct NamedFault {
    const char* name;
    FaultKind kind;
};

constexpr NamedFault kFaults[] = {
    {"ff", FaultKind::StatusRejected}, {"fe", FaultKind::StatusFailed}, {"stray", FaultKind::StrayReply},
    {"stray2", FaultKind::StrayTwice}, {"noreply", FaultKind::NoReply}, {"unplug", FaultKind::Unplug},
};

std::optional<FaultKind> FaultNamed(const std::string& name) {
    for (const NamedFault& f : kFaults)
        if (name == f.name) return f.kind;
    return std::nullopt;
}

}  // namespace

bool FirmwareRack::Plug(const std::string& name) {
    std::shared_ptr<FirmwareProduct> firmware = MakeFirmwareProduct(name, options_);
    if (!firmware && name == "headset") {
        auto headset = std::make_shared<HeadsetProduct>(*CatalogSpec(name));
        if (!bus_.Plug(headset)) return false;
        headsets_[name] = headset;
        return true;
    }
    if (!firmware) {
        std::shared_ptr<SimulatedProduct> echo = MakeEchoProduct(name);
        return echo && bus_.Plug(echo);
    }
    if (!PlugFirmware(bus_, firmware)) return false;
    if (auto old = firmware_.find(name); old != firmware_.end()) old->second->DetachInput();
    firmware_[name] = firmware;
    return true;
}

std::shared_ptr<FirmwareProduct> FirmwareRack::Find(const std::string& name) const {
    const auto found = firmware_.find(name);
    return found == firmware_.end() ? nullptr : found->second;
}

std::shared_ptr<HeadsetProduct> FirmwareRack::FindHeadset(const std::string& name) const {
    const auto found = headsets_.find(name);
    return found == headsets_.end() ? nullptr : found->second;
}

void FirmwareRack::DetachAll() {
    for (auto& [name, firmware] : firmware_) firmware->DetachInput();
}

std::optional<std::string> FirmwareRack::Execute(const std::string& verb, const std::string& name,
                                                 std::istringstream& in) {
    if (verb != "link" && verb != "fault" && verb != "consumer") return std::nullopt;
    const std::shared_ptr<FirmwareProduct> firmware = Find(name);
    if (!firmware) return "error: '" + name + "' has no firmware";
    if (verb == "link") {
        std::string state;
        in >> state;
        if (state != "up" && state != "down") return std::string("error: link NAME up|down");
        firmware->SetLinkUp(state == "up");
        return std::string("ok");
    }
    if (verb == "consumer") {
        unsigned usage = 0;
        if (!(in >> std::hex >> usage) || usage > 0xFFFF) return std::string("error: consumer NAME USAGE");
        return firmware->SendConsumerUsage(static_cast<std::uint16_t>(usage)) ? "ok" : "error: not sent";
    }
    std::string kindName;
    unsigned command = 0;
    int chunk = 1;
    in >> kindName;
    const std::optional<FaultKind> kind = FaultNamed(kindName);
    if (!kind) return std::string("error: fault NAME ff|fe|stray|stray2|noreply|unplug [COMMAND [CHUNK]]");
    if (!(in >> std::hex >> command)) command = 0;
    if (!(in >> std::dec >> chunk) || chunk < 1) chunk = 1;
    firmware->ArmFault({*kind, static_cast<std::uint8_t>(command), chunk});
    return std::string("ok");
}

}  // namespace devsim
