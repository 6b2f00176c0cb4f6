// The equaliser through the library: a LADSPA sink in front of the headset's output that
// takes over the default output and its streams, follows band changes, goes away on request
// and outlives the program until then.
#include "integration/soundconf/sound_server_fixture.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr const char* kEqualiserSink = "kx58_headset_eq";
constexpr int kToneHz = 440;

class EqualiserTest : public SoundServerTest {
protected:
    void SetUp() override {
        SoundServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(pulse->SetDefaultSink("speakers"));
        tone = pulse->PlayTone("headset_out", kToneHz);
        ASSERT_TRUE(tone);
    }

    int SetBands(const ConfDeviceRecord& output, const std::vector<int>& bands) {
        for (std::size_t i = 0; i < bands.size(); ++i) {
            const std::u16string name = u"EQ_Slider" + std::u16string(i == 9 ? u"10" : std::u16string(1, u'1' + i));
            if (const int result = SetInt(output, name, bands[i]); result != kConfOk) return result;
        }
        return kConfOk;
    }

    std::vector<int> Bands(const ConfDeviceRecord& output) {
        std::vector<int> bands;
        for (std::size_t i = 0; i < 10; ++i) {
            const std::u16string name = u"EQ_Slider" + std::u16string(i == 9 ? u"10" : std::u16string(1, u'1' + i));
            bands.push_back(GetInt(output, name).value_or(99));
        }
        return bands;
    }

    std::optional<int> tone;
};

TEST_F(EqualiserTest, SwitchedOnItBecomesTheDefaultOutputWithTheBandsOnItsControls) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    EXPECT_EQ(GetInt(output, u"Enable_EQ_GFX"), 0);
    ASSERT_EQ(SetBands(output, {12, 0, 0, 0, 0, 0, 0, 0, 0, -12}), kConfOk);
    EXPECT_TRUE(Modules("module-ladspa-sink").empty()) << "bands alone load nothing";

    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    EXPECT_EQ(GetInt(output, u"Enable_EQ_GFX"), 1);
    EXPECT_EQ(DefaultSink(), kEqualiserSink);
    EXPECT_EQ(Named("sinks", kEqualiserSink)["properties"]["device.description"].asString(), "Headset equaliser");
    EXPECT_EQ(SinkOfStreamsOf(*tone), kEqualiserSink) << "the headset's stream plays through the equaliser";
    const std::vector<ModuleRow> equalisers = Modules("module-ladspa-sink");
    ASSERT_EQ(equalisers.size(), 1U);
    EXPECT_EQ(SinkOfStreamsOf(equalisers[0].index), "headset_out") << "and the equaliser into the headset";

    const std::vector<double> controls = EqualiserControls();
    ASSERT_EQ(controls.size(), 15U);
    EXPECT_GT(controls.front(), 0.0) << "50 Hz lies between the two lowest bands";
    EXPECT_LT(controls.front(), 12.0);
    EXPECT_DOUBLE_EQ(controls[8], 0.0) << "1250 Hz sits between two flat bands";
    EXPECT_DOUBLE_EQ(controls.back(), -12.0) << "20 kHz takes the top band";
    EXPECT_EQ(Bands(output), (std::vector<int>{12, 0, 0, 0, 0, 0, 0, 0, 0, -12}));
}

TEST_F(EqualiserTest, ABandMovedWhileOnReloadsItWithTheStreamsAndTheDefault) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    const std::vector<double> flat = EqualiserControls();
    ASSERT_EQ(flat, std::vector<double>(15, 0.0));

    ASSERT_EQ(SetInt(output, u"EQ_Slider6", 9), kConfOk);  // 1 kHz
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<double> controls = EqualiserControls();
        return controls.size() == 15 && controls[7] > 0.0 && controls[8] > 0.0;
    })) << "the sink was not made again with the new band";
    EXPECT_TRUE(WaitUntil([&] { return DefaultSink() == kEqualiserSink && SinkOfStreamsOf(*tone) == kEqualiserSink; }))
        << "default " << DefaultSink() << ", tone on " << SinkOfStreamsOf(*tone);
    EXPECT_EQ(Modules("module-ladspa-sink").size(), 1U);
    EXPECT_EQ(GetInt(output, u"EQ_Slider6"), 9);

    EXPECT_NE(SetInt(output, u"EQ_Slider6", 13), kConfOk);
    EXPECT_NE(SetInt(output, u"EQ_Slider2", -13), kConfOk);
    EXPECT_EQ(GetInt(output, u"EQ_Slider6"), 9);
    EXPECT_EQ(GetInt(output, u"EQ_Slider2"), 0);
}

TEST_F(EqualiserTest, SwitchedOffItGoesAndTheDefaultAndStreamsReturn) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    ASSERT_EQ(DefaultSink(), kEqualiserSink);

    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 0), kConfOk);
    EXPECT_TRUE(Modules("module-ladspa-sink").empty());
    EXPECT_EQ(DefaultSink(), "speakers");
    EXPECT_EQ(SinkOfStreamsOf(*tone), "headset_out");
    EXPECT_EQ(GetInt(output, u"Enable_EQ_GFX"), 0);
}

TEST_F(EqualiserTest, ItOutlivesTheLibraryAndTheNextOneTakesItOver) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const std::vector<int> bands = {3, -5, 0, 12, -12, 7, 1, -1, 4, -8};
    {
        const ConfDeviceRecord output = Output();
        ASSERT_EQ(SetBands(output, bands), kConfOk);
        ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
        ASSERT_EQ(SetInt(Input(), u"AAMuteControl", 0), kConfOk);
        ASSERT_EQ(Modules("module-loopback").size(), 1U);
    }
    ASSERT_EQ(lib->ConfLibUnInit(), kConfOk);
    EXPECT_TRUE(Modules("module-loopback").empty()) << "monitoring ends with the library";
    EXPECT_EQ(Modules("module-ladspa-sink").size(), 1U) << "the equaliser is a setting and stays";
    EXPECT_EQ(DefaultSink(), kEqualiserSink);

    lib = LoadOsConfLib(kHeadsetVendor, kHeadsetProduct);
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    EXPECT_EQ(GetInt(output, u"Enable_EQ_GFX"), 1);
    EXPECT_EQ(Bands(output), bands);
    EXPECT_EQ(GetInt(Input(), u"AAMuteControl"), 1);
    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 0), kConfOk);
    EXPECT_TRUE(Modules("module-ladspa-sink").empty());
    EXPECT_EQ(DefaultSink(), "speakers") << "the default from before the first library";
}

TEST_F(EqualiserTest, ItComesBackWithTheHeadset) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    ASSERT_EQ(SetInt(output, u"EQ_Slider3", 6), kConfOk);
    ASSERT_EQ(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    UnplugHeadset();
    ASSERT_TRUE(WaitUntil([&] { return Modules("module-ladspa-sink").empty(); }));
    EXPECT_NE(DefaultSink(), kEqualiserSink);

    PlugHeadset();
    ASSERT_TRUE(WaitUntil([&] { return DefaultSink() == kEqualiserSink; })) << "the equaliser did not come back";
    const std::vector<ModuleRow> equalisers = Modules("module-ladspa-sink");
    ASSERT_EQ(equalisers.size(), 1U);
    EXPECT_EQ(SinkOfStreamsOf(equalisers[0].index), "headset_out");
    EXPECT_EQ(GetInt(output, u"EQ_Slider3"), 6);
    EXPECT_GT(EqualiserControls().at(2), 0.0) << "made with the bands it had";
}

TEST_F(EqualiserTest, LoopbacksLeftByACrashedRunAreRemovedAtStart) {
    ASSERT_TRUE(PrivatePulseServer::Control({"load-module", "module-loopback", "source=headset_mic", "sink=headset_out",
                                             "sink_input_properties=\"kx58.conf=monitor\""}));
    ASSERT_TRUE(PrivatePulseServer::Control({"load-module", "module-loopback", "source=other_mic", "sink=other_out"}));
    ASSERT_EQ(Modules("module-loopback").size(), 2U);
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const std::vector<ModuleRow> left = Modules("module-loopback");
    ASSERT_EQ(left.size(), 1U) << "only the marked one goes";
    EXPECT_NE(left[0].argument.find("source=other_mic"), std::string::npos);
}

}  // namespace
}  // namespace kx58test
