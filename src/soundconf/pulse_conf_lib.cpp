// The sound-configuration library over libpulse: the entry points, one at a time, each within
// its own deadline, on top of HeadsetSound and the property table.
#include <cstring>
#include <vector>

#include "soundconf/conf_properties.h"
#include "soundconf/headset_sound.h"
#include "soundconf/os_conf_lib.h"

namespace kx58 {
namespace {

using namespace soundconf;

class PulseConfLib final : public COsConfLib {
public:
    PulseConfLib(std::uint16_t vendorId, std::uint16_t productId) : sound_(HeadsetIds{vendorId, productId}) {}

    int ConfLibInit() override {
        std::lock_guard call(sound_.CallMutex());
        connected_ = sound_.Connect() == kConfOk;
        return connected_ ? kConfOk : kConfFailed;
    }

    int CreateDeviceList() override {
        std::lock_guard call(sound_.CallMutex());
        PulseConnection::Lock lock(sound_.Connection());
        records_.clear();
        const std::optional<ServerSnapshot> snapshot = sound_.Snapshot(DeadlineFromNow());
        if (!snapshot) return kConfFailed;
        for (const std::int32_t kind : {kConfKindOutput, kConfKindInput})
            if (sound_.Resolve(*snapshot, kind)) records_.push_back(RecordOf(kind));
        return kConfOk;
    }

    int GetDeviceCount(int flow, std::uint32_t* count) override {
        std::lock_guard call(sound_.CallMutex());
        if (!count || flow != 0) return kConfFailed;
        *count = static_cast<std::uint32_t>(records_.size());
        return connected_ ? kConfOk : kConfFailed;
    }

    int GetDeviceById(int flow, std::uint32_t index, ConfDeviceRecord* record) override {
        std::lock_guard call(sound_.CallMutex());
        if (!record || flow != 0 || index >= records_.size()) return kConfFailed;
        *record = records_[index];
        return kConfOk;
    }

    int PropertyControl(ConfDeviceRecord record, std::u16string_view name, void** value, void** channel, int set) override {
        const ConfProperty* property = FindProperty(name);
        if (!property) return kConfUnknownProperty;
        if (!property->applicable) return kConfNotSupported;
        if (!value || !*value) return kConfFailed;
        const std::int32_t kind = record.words[1];
        if (!OurRecord(record)) return kConfFailed;
        if (!PropertyFitsKind(*property, kind)) return kConfNotSupported;
        const PropertyHandler handler = set ? property->set : property->get;
        if (!handler) return kConfFailed;

        std::lock_guard call(sound_.CallMutex());
        PulseConnection::Lock lock(sound_.Connection());
        const Deadline deadline = DeadlineFromNow();
        const std::optional<ServerSnapshot> snapshot = sound_.Snapshot(deadline);
        const std::optional<ResolvedEndpoint> endpoint = snapshot ? sound_.Resolve(*snapshot, kind) : std::nullopt;
        if (!endpoint) return kConfFailed;
        PropertyCall propertyCall{sound_, *endpoint, *value, ChannelOf(channel), deadline};
        return handler(propertyCall);
    }

    int RegisterCallbackFunction(ConfDeviceChangeCallback callback, void* context) override {
        std::lock_guard call(sound_.CallMutex());
        PulseConnection::Lock lock(sound_.Connection());
        sound_.SetChangeCallback(callback, context);
        return kConfOk;
    }

    int ConfLibUnInit() override {
        std::lock_guard call(sound_.CallMutex());
        sound_.Disconnect();
        connected_ = false;
        records_.clear();
        return kConfOk;
    }

    int ShowAsioPanel() override { return kConfNotSupported; }
    int PlayTestSound() override { return kConfNotSupported; }
    int StopTestSound() override { return kConfNotSupported; }
    int CloseTestSound() override { return kConfNotSupported; }

private:
    ConfDeviceRecord RecordOf(std::int32_t kind) const {
        return {{sound_.Ids().vendor, kind, sound_.Ids().product, kConfStatePresent}};
    }

    bool OurRecord(const ConfDeviceRecord& record) const {
        return record.words[0] == sound_.Ids().vendor && record.words[2] == sound_.Ids().product;
    }

    static std::int32_t ChannelOf(void** channel) {
        if (!channel || !*channel) return -1;
        std::int32_t value = -1;
        std::memcpy(&value, *channel, sizeof value);
        return value;
    }

    HeadsetSound sound_;
    // Under the call mutex.
    bool connected_ = false;
    std::vector<ConfDeviceRecord> records_;
};

}  // namespace

std::unique_ptr<COsConfLib> LoadOsConfLib(std::uint16_t vendorId, std::uint16_t productId) {
    return std::make_unique<PulseConfLib>(vendorId, productId);
}

}  // namespace kx58
