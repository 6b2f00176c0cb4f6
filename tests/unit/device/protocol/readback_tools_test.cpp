// The simulator's console verbs and `kx58ctl info` / `readback` against simulated firmware.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "device/protocol/keyboard_protocol.h"
#include "device/protocol/mouse_protocol.h"
#include "devsim/firmware_rack.h"
#include "support/wait_until.h"
#include "unit/device/protocol/firmware_fixture.h"

namespace kx58 {
namespace {

std::string RunKx58ctl(const std::string& args) {
    std::string output;
    std::FILE* pipe = popen((std::string(KX58CTL_PATH) + " " + args + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char chunk[1024];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    pclose(pipe);
    return output;
}

class ReadbackToolsTest : public kx58test::FirmwareFixture {
protected:
    void TearDown() override {
        rack.DetachAll();
        FirmwareFixture::TearDown();
    }
    std::string Verb(const std::string& line) {
        std::istringstream in(line);
        std::string verb, name;
        in >> verb >> name;
        return rack.Execute(verb, name, in).value_or("<not a firmware verb>");
    }
    devsim::FirmwareRack rack{bus, {0}};
};

TEST_F(ReadbackToolsTest, ConsoleVerbsDriveTheFirmware) {
    ASSERT_TRUE(rack.Plug("kb-rx"));
    ASSERT_TRUE(rack.Plug("headset"));  // no firmware: an echo product
    EXPECT_FALSE(rack.Plug("toaster"));
    product = rack.Find("kb-rx");
    ASSERT_TRUE(channel.Attach(CollectionPath("kb-rx", 4), kChannelModeWireless));

    EXPECT_EQ(Verb("link kb-rx down"), "ok");
    EXPECT_FALSE(channel.QueryWirelessLink());
    EXPECT_EQ(Verb("link kb-rx up"), "ok");
    EXPECT_TRUE(channel.QueryWirelessLink());
    EXPECT_EQ(Verb("fault kb-rx fe 5 2"), "ok");
    std::array<std::uint8_t, 27> record{};
    EXPECT_EQ(channel.ReadSettings(0, record), kResultStatusFailed);  // 24 + 3: the second chunk
    EXPECT_EQ(Verb("consumer kb-rx 1003"), "ok");

    EXPECT_EQ(Verb("link kb-rx sideways").rfind("error", 0), 0u);
    EXPECT_EQ(Verb("fault kb-rx melt").rfind("error", 0), 0u);
    EXPECT_EQ(Verb("consumer kb-rx 12345").rfind("error", 0), 0u);
    EXPECT_EQ(Verb("link headset down").rfind("error", 0), 0u);
    EXPECT_EQ(Verb("dance kb-rx"), "<not a firmware verb>");
}

TEST_F(ReadbackToolsTest, ReadbackPrintsWhatTheKeyboardAndMouseHold) {
    ASSERT_TRUE(rack.Plug("kb"));
    ASSERT_TRUE(rack.Plug("mouse"));
    product = rack.Find("kb");
    ASSERT_TRUE(channel.Attach(CollectionPath("kb", 4), kChannelModeCable));
    KeyboardSettings settings;
    settings.modeCode = 30;
    settings.red = 12;
    settings.green = 34;
    settings.blue = 56;
    ASSERT_EQ(WriteKeyboardSettings(channel, settings), kResultOk);

    const std::string keyboard = RunKx58ctl("readback keyboard");
    EXPECT_NE(keyboard.find("device      keyboard vhid:"), std::string::npos) << keyboard;
    EXPECT_NE(keyboard.find("positions   126\n"), std::string::npos) << keyboard;
    EXPECT_NE(keyboard.find("  mode        host rendered\n"), std::string::npos) << keyboard;
    EXPECT_NE(keyboard.find("  colour      12 34 56\n"), std::string::npos) << keyboard;
    // Position 0 holds the factory code of the first page key of the shuffled order.
    const std::uint8_t first = devsim::FactoryKeyOrder(*devsim::FirmwareModelFor("kb"))[0];
    EXPECT_NE(keyboard.find(" -> " + std::to_string(first) + ", led "), std::string::npos) << keyboard;

    const std::string mouse = RunKx58ctl("readback mouse");
    EXPECT_NE(mouse.find("sensor      3389\n"), std::string::npos) << mouse;
    EXPECT_NE(mouse.find("dpi model   50 per step, steps 0-519, 50 at step 0\n"), std::string::npos) << mouse;
    EXPECT_NE(mouse.find("button map  "), std::string::npos) << mouse;
    EXPECT_NE(mouse.find("  dpi stage   0\n"), std::string::npos) << mouse;

    EXPECT_NE(RunKx58ctl("info mouse").find("positions   11\n"), std::string::npos);
    rack.Find("mouse")->ArmFault({devsim::FaultKind::StatusRejected, 0x03, 1});
    EXPECT_NE(RunKx58ctl("info mouse").find("information read failed (result -102)"), std::string::npos);
}

TEST_F(ReadbackToolsTest, SimulatorProgramTakesFirmwareVerbsOnItsConsole) {
    bus.Stop();  // the program runs its own bus in another folder
    const std::string programFolder = session.Root() + "/program-bus";
    const std::string answers = session.Root() + "/answers.txt";
    kx58test::ScopedEnv programBus{"KX58_VHID_DIR", programFolder};
    const std::string command = std::string(DEVSIM_PATH) + " --dir " + programFolder + " --interval 0.5 kb-rx > " + answers;
    std::FILE* console = popen(command.c_str(), "w");
    ASSERT_TRUE(console);
    const auto answered = [&](std::size_t lines) {
        return kx58test::WaitUntil([&] {
            const std::string text = kx58test::ReadWholeFile(answers);
            return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
        });
    };
    EXPECT_TRUE(answered(1));  // "ready"
    std::fputs("fault kb-rx ff 3 1\n", console);
    std::fflush(console);
    EXPECT_TRUE(answered(2));
    EXPECT_NE(RunKx58ctl("info").find("information read failed (result -102)"), std::string::npos);
    std::fputs("link kb-rx down\n", console);
    std::fflush(console);
    EXPECT_TRUE(answered(3));
    EXPECT_NE(RunKx58ctl("readback").find("the receiver does not reach its device"), std::string::npos);
    std::fputs("quit\n", console);
    EXPECT_EQ(pclose(console), 0);
    EXPECT_EQ(kx58test::ReadWholeFile(answers), "ready " + programFolder + "\nok\nok\nok\n");
}

}  // namespace
}  // namespace kx58
