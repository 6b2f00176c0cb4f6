#include "integration/soundconf/sound_server_fixture.h"

#include <array>
#include <cmath>
#include <cstring>
#include <sstream>

namespace kx58test {
namespace {

using Buffer = std::array<std::byte, kx58::kConfValueBufferSize>;

int IndexOf(const Json::Value& value) {
    if (value.isString()) return std::atoi(value.asCString());
    return value.isIntegral() ? value.asInt() : -1;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

}  // namespace

void SoundServerTest::SetUp() {
    pulse = std::make_unique<PrivatePulseServer>(std::vector<std::string>{"speakers"}, session.Root() + "/pulseaudio.log");
    if (!pulse->Running()) GTEST_SKIP() << "the sound server cannot start here: " << pulse->Problem();
    ASSERT_TRUE(pulse->AddNullSink("other_out", kOtherIds));
    ASSERT_TRUE(pulse->AddSource("other_mic", kOtherIds));
    PlugHeadset();
    lib = kx58::LoadOsConfLib(kHeadsetVendor, kHeadsetProduct);
}

void SoundServerTest::TearDown() {
    lib.reset();  // before its server
    pulse.reset();
}

void SoundServerTest::PlugHeadset() {
    headsetSinkModule = pulse->AddNullSink("headset_out", kHeadsetIds);
    headsetSourceModule = pulse->AddSource("headset_mic", kHeadsetIds);
    ASSERT_TRUE(headsetSinkModule && headsetSourceModule);
}

void SoundServerTest::UnplugHeadset() {
    ASSERT_TRUE(pulse->UnloadModule(*headsetSourceModule));
    ASSERT_TRUE(pulse->UnloadModule(*headsetSinkModule));
}

std::optional<kx58::ConfDeviceRecord> SoundServerTest::Record(std::int32_t kind) {
    if (lib->CreateDeviceList() != kx58::kConfOk) return std::nullopt;
    std::uint32_t count = 0;
    if (lib->GetDeviceCount(0, &count) != kx58::kConfOk) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        kx58::ConfDeviceRecord record;
        if (lib->GetDeviceById(0, i, &record) == kx58::kConfOk && record.words[1] == kind &&
            record.words[3] == kx58::kConfStatePresent)
            return record;
    }
    return std::nullopt;
}

kx58::ConfDeviceRecord SoundServerTest::Output() {
    const auto record = Record(kx58::kConfKindOutput);
    EXPECT_TRUE(record) << "no output record";
    return record.value_or(kx58::ConfDeviceRecord{});
}

kx58::ConfDeviceRecord SoundServerTest::Input() {
    const auto record = Record(kx58::kConfKindInput);
    EXPECT_TRUE(record) << "no input record";
    return record.value_or(kx58::ConfDeviceRecord{});
}

int SoundServerTest::SetInt(const kx58::ConfDeviceRecord& record, std::u16string_view name, std::int32_t value) {
    Buffer buffer{};
    std::memcpy(buffer.data(), &value, sizeof value);
    void* valuePointer = buffer.data();
    return lib->PropertyControl(record, name, &valuePointer, nullptr, 1);
}

int SoundServerTest::SetFloat(const kx58::ConfDeviceRecord& record, std::u16string_view name, float value,
                              std::optional<std::int32_t> channel) {
    Buffer buffer{};
    Buffer channelBuffer{};
    std::memcpy(buffer.data(), &value, sizeof value);
    if (channel) std::memcpy(channelBuffer.data(), &*channel, sizeof *channel);
    void* valuePointer = buffer.data();
    void* channelPointer = channelBuffer.data();
    return lib->PropertyControl(record, name, &valuePointer, channel ? &channelPointer : nullptr, 1);
}

std::optional<std::int32_t> SoundServerTest::GetInt(const kx58::ConfDeviceRecord& record, std::u16string_view name) {
    Buffer buffer{};
    void* valuePointer = buffer.data();
    if (lib->PropertyControl(record, name, &valuePointer, nullptr, 0) != kx58::kConfOk) return std::nullopt;
    std::int32_t value = 0;
    std::memcpy(&value, buffer.data(), sizeof value);
    return value;
}

std::optional<float> SoundServerTest::GetFloat(const kx58::ConfDeviceRecord& record, std::u16string_view name) {
    Buffer buffer{};
    void* valuePointer = buffer.data();
    if (lib->PropertyControl(record, name, &valuePointer, nullptr, 0) != kx58::kConfOk) return std::nullopt;
    float value = 0;
    std::memcpy(&value, buffer.data(), sizeof value);
    return value;
}

std::optional<std::string> SoundServerTest::GetText(const kx58::ConfDeviceRecord& record, std::u16string_view name) {
    Buffer buffer{};
    void* valuePointer = buffer.data();
    if (lib->PropertyControl(record, name, &valuePointer, nullptr, 0) != kx58::kConfOk) return std::nullopt;
    std::string text;
    for (std::size_t at = 0; at + 1 < buffer.size(); at += 2) {
        char16_t unit = 0;
        std::memcpy(&unit, buffer.data() + at, sizeof unit);
        if (unit == 0) return text;
        text.push_back(static_cast<char>(unit));
    }
    ADD_FAILURE() << "the text reply has no end";
    return text;
}

Json::Value SoundServerTest::Listed(const std::string& what) {
    const auto text = PrivatePulseServer::Control({"--format=json", "list", what});
    Json::Value list;
    std::istringstream in(text.value_or("[]"));
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!Json::parseFromStream(builder, in, &list, &errors)) ADD_FAILURE() << "pactl said: " << *text;
    return list;
}

Json::Value SoundServerTest::Named(const std::string& what, const std::string& name) {
    for (const Json::Value& entry : Listed(what))
        if (entry["name"].asString() == name) return entry;
    return Json::Value();
}

std::vector<int> SoundServerTest::VolumePercents(const Json::Value& entry) {
    std::vector<int> percents;
    for (const Json::Value& channel : entry["volume"])
        percents.push_back(static_cast<int>(std::lround(channel["value"].asDouble() * 100.0 / 65536.0)));
    return percents;
}

std::vector<ModuleRow> SoundServerTest::Modules(const std::string& name) {
    std::vector<ModuleRow> modules;
    for (const std::string& line : Split(PrivatePulseServer::Control({"list", "short", "modules"}).value_or(""), '\n')) {
        const std::vector<std::string> columns = Split(line, '\t');
        if (columns.size() >= 2 && columns[1] == name)
            modules.push_back({std::atoi(columns[0].c_str()), columns[1], columns.size() > 2 ? columns[2] : ""});
    }
    return modules;
}

std::string SoundServerTest::DefaultSink() {
    std::string name = PrivatePulseServer::Control({"get-default-sink"}).value_or("");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
    return name;
}

std::string SoundServerTest::SinkOfStreamsOf(int owner) {
    for (const Json::Value& input : Listed("sink-inputs")) {
        if (IndexOf(input["owner_module"]) != owner) continue;
        for (const Json::Value& sink : Listed("sinks"))
            if (IndexOf(sink["index"]) == IndexOf(input["sink"])) return sink["name"].asString();
    }
    return "";
}

std::vector<double> SoundServerTest::EqualiserControls() {
    const std::vector<ModuleRow> equalisers = Modules("module-ladspa-sink");
    if (equalisers.size() != 1) return {};
    const std::string& argument = equalisers.front().argument;
    const std::size_t at = argument.find("control=");
    if (at == std::string::npos) return {};
    std::vector<double> controls;
    const std::string list = argument.substr(at + 8, argument.find(' ', at) - at - 8);
    for (const std::string& figure : Split(list, ',')) controls.push_back(std::atof(figure.c_str()));
    return controls;
}

}  // namespace kx58test
