// The library when its server is missing, stops answering or dies: every call comes back
// (non-zero) instead of waiting on the server, and a later start finds the server again.
#include "integration/soundconf/sound_server_fixture.h"

namespace kx58test {
namespace {

using namespace kx58;

TEST_F(SoundServerTest, AStoppedServerGetsAnswersOfFailureNotAHang) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord output = Output();
    const ConfDeviceRecord input = Input();
    ASSERT_EQ(SetInt(input, u"AAMuteControl", 0), kConfOk);
    ASSERT_TRUE(pulse->Freeze());

    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 0.5F), kConfOk);
    EXPECT_NE(SetInt(input, u"AAMuteControl", 1), kConfOk);
    EXPECT_NE(SetInt(output, u"Enable_EQ_GFX", 1), kConfOk);
    EXPECT_FALSE(GetInt(input, u"MuteControl"));
    EXPECT_NE(lib->CreateDeviceList(), kConfOk);
    EXPECT_EQ(lib->ConfLibUnInit(), kConfOk);
    EXPECT_NE(lib->ConfLibInit(), kConfOk) << "a server that takes the connection but never answers";

    ASSERT_TRUE(pulse->Thaw());
    // Started again it finds the server as it is, and tidies what the stopped end left.
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    EXPECT_TRUE(WaitUntil([&] { return Modules("module-loopback").empty(); }));
    EXPECT_EQ(SetFloat(Input(), u"VolumeScalarControl", 0.5F), kConfOk);
}

TEST_F(SoundServerTest, AServerThatDiedFailsEveryCallUntilOneIsThereAgain) {
    ASSERT_EQ(lib->ConfLibInit(), kConfOk);
    const ConfDeviceRecord input = Input();
    pulse->Stop();

    EXPECT_NE(SetFloat(input, u"VolumeScalarControl", 0.5F), kConfOk);
    EXPECT_NE(SetInt(input, u"AAMuteControl", 0), kConfOk);
    EXPECT_NE(lib->CreateDeviceList(), kConfOk);
    EXPECT_NE(lib->ConfLibInit(), kConfOk) << "no server to connect to";
    std::uint32_t count = 7;
    EXPECT_NE(lib->GetDeviceCount(0, &count), kConfOk);

    pulse = std::make_unique<PrivatePulseServer>(std::vector<std::string>{"speakers"}, session.Root() + "/again.log");
    ASSERT_TRUE(pulse->Running()) << pulse->Problem();
    PlugHeadset();
    ASSERT_EQ(lib->ConfLibInit(), kConfOk) << "a second start retries";
    EXPECT_EQ(SetFloat(Input(), u"VolumeScalarControl", 0.5F), kConfOk);
    EXPECT_EQ(VolumePercents(Named("sources", "headset_mic")), (std::vector<int>{50, 50}));
}

}  // namespace
}  // namespace kx58test
