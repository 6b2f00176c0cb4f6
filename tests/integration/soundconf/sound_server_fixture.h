#pragma once
// A private sound server with the headset's output and microphone (USB ids 0c76:1630) beside
// another pair of another maker and a plain default output, and the library under test over
// it. The server is inspected through pactl only; the library is driven as the headset page
// drives it: records from the endpoint list, properties by name in 1024-byte buffers.
#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "soundconf/os_conf_lib.h"
#include "support/pulse_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace kx58test {

inline constexpr std::uint16_t kHeadsetVendor = 0x0C76;
inline constexpr std::uint16_t kHeadsetProduct = 0x1630;
inline constexpr const char* kHeadsetIds = "device.vendor.id=0c76 device.product.id=1630";
inline constexpr const char* kOtherIds = "device.vendor.id=046d device.product.id=0a87";

struct ModuleRow {
    int index = -1;
    std::string name;
    std::string argument;
};

class SoundServerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The headset's endpoints as the server offers them again after an unplug.
    void PlugHeadset();
    void UnplugHeadset();

    // The library's records of kind `kind` (output 1, input 2), as the page picks them.
    std::optional<kx58::ConfDeviceRecord> Record(std::int32_t kind);
    kx58::ConfDeviceRecord Output();
    kx58::ConfDeviceRecord Input();

    int SetInt(const kx58::ConfDeviceRecord& record, std::u16string_view name, std::int32_t value);
    int SetFloat(const kx58::ConfDeviceRecord& record, std::u16string_view name, float value,
                 std::optional<std::int32_t> channel = -1);
    std::optional<std::int32_t> GetInt(const kx58::ConfDeviceRecord& record, std::u16string_view name);
    std::optional<float> GetFloat(const kx58::ConfDeviceRecord& record, std::u16string_view name);
    std::optional<std::string> GetText(const kx58::ConfDeviceRecord& record, std::u16string_view name);

    // pactl's view.
    static Json::Value Listed(const std::string& what);
    static Json::Value Named(const std::string& what, const std::string& name);
    static std::vector<int> VolumePercents(const Json::Value& entry);
    static std::vector<ModuleRow> Modules(const std::string& name);
    static std::string DefaultSink();
    // The sink the streams of module `owner` play on, by name ("" when none).
    static std::string SinkOfStreamsOf(int owner);
    static std::vector<double> EqualiserControls();

    IsolatedSession session;
    ScopedEnv home{"HOME", session.Root()};
    std::unique_ptr<PrivatePulseServer> pulse;
    std::unique_ptr<kx58::COsConfLib> lib;
    std::optional<int> headsetSinkModule;
    std::optional<int> headsetSourceModule;
};

}  // namespace kx58test
