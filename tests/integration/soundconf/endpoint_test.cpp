// The headset's own sink and source through the library: found among others by their USB
// ids, their volume and mute changed and nothing else, microphone monitoring as a loopback
// between them, and the records surviving an unplug.
#include <atomic>
#include <cmath>
#include <limits>

#include "integration/soundconf/sound_server_fixture.h"

namespace kx58test {
namespace {

using namespace kx58;

bool ListedAsHeadset(const ConfDeviceRecord& record, std::int32_t kind) {
    return record.words[0] == kHeadsetVendor && record.words[1] == kind && record.words[2] == kHeadsetProduct &&
           record.words[3] == kConfStatePresent;
}

TEST_F(SoundServerTest, TheListHoldsOnlyTheHeadsetsOutputAndInput) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    ASSERT_EQ(lib->CreateDeviceList(), kConfOk);
    std::uint32_t count = 0;
    ASSERT_EQ(lib->GetDeviceCount(0, &count), kConfOk);
    ASSERT_EQ(count, 2U);
    ConfDeviceRecord first, second;
    ASSERT_EQ(lib->GetDeviceById(0, 0, &first), kConfOk);
    ASSERT_EQ(lib->GetDeviceById(0, 1, &second), kConfOk);
    EXPECT_TRUE(ListedAsHeadset(first, kConfKindOutput));
    EXPECT_TRUE(ListedAsHeadset(second, kConfKindInput));
    EXPECT_NE(lib->GetDeviceById(0, 2, &first), kConfOk);

    const auto features = GetText(second, u"GetSupportFeature");
    ASSERT_TRUE(features);
    int bits = 0, bands = 0, version = 0;
    ASSERT_EQ(std::sscanf(features->c_str(), "%d,0,0,0,%d,0,%d", &bits, &bands, &version), 3) << *features;
    EXPECT_EQ(bits, kConfFeatureVolume | kConfFeatureMonitor | kConfFeatureEqualiser) << "swh-plugins is installed here";
    EXPECT_EQ(bands, 10);
}

TEST_F(SoundServerTest, MicrophoneVolumeAndMuteChangeOnlyTheHeadsetsSource) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord input = Input();
    ASSERT_EQ(SetFloat(input, u"VolumeScalarControl", 0.4F), kConfOk);
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{40, 40}));
    EXPECT_EQ(VolumePercents(Named("sources", "other_mic")), (std::vector<int>{100, 100}));
    EXPECT_EQ(VolumePercents(Named("sinks", "headset_out")), (std::vector<int>{100, 100}));
    const auto scalar = GetFloat(input, u"VolumeScalarControl");
    ASSERT_TRUE(scalar);
    EXPECT_NEAR(*scalar, 0.4F, 0.001F);
    const auto decibels = GetText(input, u"VolumeControl");
    ASSERT_TRUE(decibels);
    EXPECT_LT(std::atof(decibels->c_str()), -10.0) << *decibels;

    ASSERT_EQ(SetFloat(input, u"VolumeScalarControl", 0.2F, 1), kConfOk) << "the second channel alone";
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{40, 20}));
    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 0.2F, 7), kConfOk) << "a channel it does not have";
    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 1.5F), kConfOk);
    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", std::numeric_limits<float>::quiet_NaN()), kConfOk);
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{40, 20}));
    EXPECT_NE(SetFloat(input, u"VolumeControl", 0.5F), kConfOk) << "decibels are only read";

    ASSERT_EQ(SetInt(input, u"MuteControl", 1), kConfOk);
    EXPECT_TRUE(Named("sources", "headset_mic")["mute"].asBool());
    EXPECT_FALSE(Named("sources", "other_mic")["mute"].asBool());
    EXPECT_EQ(GetInt(input, u"MuteControl"), 1);
    EXPECT_NE(SetInt(input, u"MuteControl", 2), kConfOk);
    EXPECT_EQ(GetInt(input, u"MuteControl"), 1);
}

TEST_F(SoundServerTest, ASilentMicrophoneReadsAsTheBottomOfItsRange) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord input = Input();
    ASSERT_EQ(SetFloat(input, u"VolumeScalarControl", 0.0F), kConfOk);
    const auto bottom = GetText(input, u"GetMinVol");
    ASSERT_TRUE(bottom);
    EXPECT_EQ(GetText(input, u"VolumeControl"), bottom);
    EXPECT_EQ(GetText(input, u"GetMaxVol"), "0.00");
    const auto step = GetText(input, u"GetVolStep");
    ASSERT_TRUE(step);
    EXPECT_GT(std::atof(step->c_str()), 0.0);
    EXPECT_LT(std::atof(bottom->c_str()), -std::atof(step->c_str()));
}

TEST_F(SoundServerTest, MonitoringIsOneLoopbackFromTheHeadsetsMicrophoneToItsOutput) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord input = Input();
    EXPECT_EQ(GetInt(input, u"AAMuteControl"), 1) << "no monitoring at first";
    ASSERT_EQ(SetFloat(input, u"AAVolumeScalarControl", 0.5F, 0), kConfOk);
    EXPECT_TRUE(Modules("module-loopback").empty()) << "a level alone loads nothing";

    ASSERT_EQ(SetInt(input, u"AAMuteControl", 0), kConfOk);
    const std::vector<ModuleRow> loopbacks = Modules("module-loopback");
    ASSERT_EQ(loopbacks.size(), 1U);
    EXPECT_NE(loopbacks[0].argument.find("source=headset_mic "), std::string::npos) << loopbacks[0].argument;
    EXPECT_NE(loopbacks[0].argument.find("sink=headset_out "), std::string::npos) << loopbacks[0].argument;
    EXPECT_EQ(SinkOfStreamsOf(loopbacks[0].index), "headset_out");
    EXPECT_EQ(GetInt(input, u"AAMuteControl"), 0);

    auto loopbackPercents = [&] {
        for (const Json::Value& stream : Listed("sink-inputs"))
            if (std::atoi(stream["owner_module"].asCString()) == loopbacks[0].index) return VolumePercents(stream);
        return std::vector<int>{};
    };
    EXPECT_EQ(loopbackPercents(), (std::vector<int>{50, 50}));
    ASSERT_EQ(SetFloat(input, u"AAVolumeScalarControl", 0.25F, 0), kConfOk);
    EXPECT_EQ(loopbackPercents(), (std::vector<int>{25, 25}));
    const auto level = GetFloat(input, u"AAVolumeScalarControl");
    EXPECT_TRUE(level && std::fabs(*level - 0.25F) < 0.001F);
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{100, 100})) << "the microphone keeps its own";

    ASSERT_EQ(SetInt(input, u"AAMuteControl", 1), kConfOk);
    EXPECT_TRUE(Modules("module-loopback").empty());
    EXPECT_EQ(GetInt(input, u"AAMuteControl"), 1);
}

TEST_F(SoundServerTest, WithoutTheHeadsetNothingIsLoadedAndCallsFail) {
    UnplugHeadset();
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    ASSERT_EQ(lib->CreateDeviceList(), kConfOk);
    std::uint32_t count = 9;
    ASSERT_EQ(lib->GetDeviceCount(0, &count), kConfOk);
    EXPECT_EQ(count, 0U);
    const std::string modulesBefore = PrivatePulseServer::Control({"list", "short", "modules"}).value_or("?");
    const ConfDeviceRecord output{{kHeadsetVendor, kConfKindOutput, kHeadsetProduct, kConfStatePresent}};
    const ConfDeviceRecord input{{kHeadsetVendor, kConfKindInput, kHeadsetProduct, kConfStatePresent}};
    EXPECT_NE(SetInt(input, u"AAMuteControl", 0), kConfOk);
    EXPECT_NE(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 0.5F), kConfOk);
    EXPECT_NE(GetInt(input, u"MuteControl"), 0);
    EXPECT_EQ(PrivatePulseServer::Control({"list", "short", "modules"}).value_or("!"), modulesBefore);
    EXPECT_EQ(VolumePercents(Named("sources", "other_mic")), (std::vector<int>{100, 100}));
}

TEST_F(SoundServerTest, TheHeadsetComingBackIsAnnouncedAndGetsItsMonitoringBack) {
    std::atomic<int> changes{0};
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    ASSERT_EQ(lib->RegisterCallbackFunction([](void* count) { ++*static_cast<std::atomic<int>*>(count); }, &changes),
              kConfOk);
    const ConfDeviceRecord input = Input();
    ASSERT_EQ(SetInt(input, u"AAMuteControl", 0), kConfOk);

    UnplugHeadset();
    ASSERT_TRUE(WaitUntil([&] { return changes > 0; })) << "no word of the unplug";
    EXPECT_TRUE(Modules("module-loopback").empty());
    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 0.5F), kConfOk) << "the record finds nothing now";
    EXPECT_EQ(VolumePercents(Named("sources", "other_mic")), (std::vector<int>{100, 100}));

    const int afterUnplug = changes;
    PlugHeadset();
    ASSERT_TRUE(WaitUntil([&] { return changes > afterUnplug; })) << "no word of the headset coming back";
    ASSERT_TRUE(WaitUntil([&] { return Modules("module-loopback").size() == 1; })) << "monitoring did not come back";
    EXPECT_EQ(SinkOfStreamsOf(Modules("module-loopback")[0].index), "headset_out");
    EXPECT_EQ(SetFloat(input, u"VolumeScalarControl", 0.5F), kConfOk) << "the old record finds the new source";
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{50, 50}));
}

TEST_F(SoundServerTest, WhatThisSystemCannotDoAnswersNotSupported) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    const ConfDeviceRecord input = Input();
    for (const std::u16string_view name : {u"VirtualSurroundEffectControl", u"Enable_RFX_GFX", u"RFX_ENVIRONMENT",
                                           u"RFX_ROOMSIZE"}) {
        EXPECT_EQ(SetInt(output, name, 1), kConfNotSupported);
        EXPECT_FALSE(GetInt(output, name));
    }
    for (const std::u16string_view name : {u"Enable_ENC_LFX", u"ENC_SELFCALIB", u"Enable_MAGICVOICE",
                                           u"MagicVoice_Selection", u"Enable_MICECHO"}) {
        EXPECT_EQ(SetInt(input, name, 1), kConfNotSupported);
        EXPECT_FALSE(GetInt(input, name));
    }
    EXPECT_EQ(SetInt(input, u"NoSuchProperty", 1), kConfUnknownProperty);
    EXPECT_NE(SetInt(input, u"Enable_EQ_GFX", 1), kConfOk) << "the equaliser belongs to the output";
    EXPECT_NE(lib->PlayTestSound(), kConfOk);
    EXPECT_NE(lib->ShowAsioPanel(), kConfOk);
    EXPECT_TRUE(Modules("module-ladspa-sink").empty());
}

}  // namespace
}  // namespace kx58test
