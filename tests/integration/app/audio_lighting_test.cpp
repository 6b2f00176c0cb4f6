// The sound-reactive lighting end to end: the real main window starts AudioRecord from the
// build's bin folder, a private PulseAudio daemon plays (or does not play) into its outputs,
// and the levels the window hands to the keyboard follow what the default output plays. Also
// what the window does with blocks of the wrong size, and with a capture program it cannot
// start.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>

#include "integration/app/main_window_fixture.h"
#include "platform/message_queue.h"
#include "platform/named_mutex.h"
#include "platform/session_bus.h"
#include "platform/tick.h"
#include "support/pulse_server.h"
#include "ui/audio_record_protocol.h"
#include "uikit/paint_manager.h"

namespace kx58test {
namespace {

using namespace kx58;
using Levels = CAudioLevelMeter::Levels;

constexpr int kToneHz = 440;
// Mean change per sample between blocks: exactly 0 for a silent null sink, about 600 for the
// half-scale sine the server's tone module plays.
constexpr int kQuiet = 20;
constexpr int kLoud = 150;
constexpr std::size_t kToneBand = 2;  // 400-1000 Hz

Levels Filled(std::int32_t value) {
    Levels levels;
    levels.fill(value);
    return levels;
}

int Loudness(const Levels& levels) {
    return static_cast<int>(std::accumulate(levels.begin(), levels.end(), std::int64_t{0}) /
                            static_cast<std::int64_t>(levels.size()));
}

class AudioLightingTest : public MainWindowTest {
protected:
    CAudioCaptureLink& Link() { return window->AudioCapture(); }

    // Runs until `count` more level blocks reached the keyboard; the last of them.
    Levels NextLevels(int count = 1) {
        const std::uint32_t wanted = Link().LevelHandovers() + static_cast<std::uint32_t>(count);
        EXPECT_TRUE(RunUntil([&] { return Link().LevelHandovers() >= wanted; })) << "no levels reach the keyboard";
        return Link().LastLevelsHandedOver();
    }
    // Runs until a level block handed over from now on is `loud` (or not); false after 20 s.
    bool LevelsTurn(bool loud) {
        const std::uint32_t from = Link().LevelHandovers();
        return RunUntil([&] {
            const int loudness = Loudness(Link().LastLevelsHandedOver());
            return Link().LevelHandovers() > from && (loud ? loudness >= kLoud : loudness <= kQuiet);
        });
    }
    // Each of the next `count` level blocks is quiet.
    bool StaysQuiet(int count) {
        for (int i = 0; i < count; ++i) {
            const Levels levels = NextLevels();
            if (Loudness(levels) > kQuiet) {
                ADD_FAILURE() << "heard " << Loudness(levels) << " in " << testing::PrintToString(levels);
                return false;
            }
        }
        return true;
    }
};

// With a sound server of the session's own: two outputs, the first the default.
class SoundServerTest : public AudioLightingTest {
protected:
    void SetUp() override {
        AudioLightingTest::SetUp();
        if (HasFatalFailure()) return;
        pulse = std::make_unique<PrivatePulseServer>(std::vector<std::string>{"speakers", "headphones"},
                                                     session.Root() + "/pulseaudio.log");
        if (!pulse->Running()) GTEST_SKIP() << "the sound server cannot start here: " << pulse->Problem();
    }
    void TearDown() override {
        AudioLightingTest::TearDown();  // the window and AudioRecord go before their server
        pulse.reset();
    }

    ScopedEnv home{"HOME", session.Root()};
    std::unique_ptr<PrivatePulseServer> pulse;
};

TEST_F(SoundServerTest, TheKeyboardHearsWhatTheDefaultOutputPlays) {
    // A tone on the output that is not the default, and a microphone (the default source)
    // that hears it: neither is what the keyboard hears.
    ASSERT_TRUE(pulse->PlayTone("headphones", kToneHz));
    ASSERT_TRUE(pulse->AddMicrophoneHearing("headphones", "microphone"));
    ASSERT_TRUE(rack->Plug("kb"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_TRUE(StaysQuiet(6)) << "the default output plays nothing";
    EXPECT_EQ(pulse->SourcesRecordedBy(audiorecord::kProgramFile), std::vector<std::string>{"speakers.monitor"});

    const std::optional<int> tone = pulse->PlayTone("speakers", kToneHz);
    ASSERT_TRUE(tone);
    EXPECT_TRUE(LevelsTurn(true)) << "a tone on the default output";
    const std::uint32_t bandBlocks = Link().BandBlocksTaken();
    ASSERT_TRUE(RunUntil([&] { return Link().BandBlocksTaken() >= bandBlocks + 2; }));
    const auto& bands = Link().LastBands();
    EXPECT_EQ(static_cast<std::size_t>(std::max_element(bands.begin(), bands.end()) - bands.begin()), kToneBand)
        << testing::PrintToString(bands);

    ASSERT_TRUE(pulse->StopTone(*tone));
    EXPECT_TRUE(LevelsTurn(false)) << "the tone stopped";

    // The other output's tone is heard once that output becomes the default.
    ASSERT_TRUE(pulse->SetDefaultSink("headphones"));
    EXPECT_TRUE(LevelsTurn(true)) << "the recording did not follow the new default output";
    EXPECT_EQ(pulse->SourcesRecordedBy(audiorecord::kProgramFile), std::vector<std::string>{"headphones.monitor"});
}

TEST_F(SoundServerTest, AKilledCaptureProgramIsStartedAgainAndConnected) {
    ASSERT_TRUE(pulse->PlayTone("speakers", kToneHz));
    OpenWindow();
    ASSERT_TRUE(LevelsTurn(true));
    const HWND first = FindWindow(audiorecord::WindowClass(), audiorecord::WindowTitle());
    ASSERT_NE(first, nullptr);
    const int firstPid = HwndProcessId(first);
    const std::uint32_t connects = Link().Connects();

    const std::uint64_t killedAt = TickCount64();
    ASSERT_EQ(kill(firstPid, SIGKILL), 0);
    // A generous bound: the daemon looks once a second and connects 500 ms after a start.
    ASSERT_TRUE(RunUntil([&] {
        const HWND now = FindWindow(audiorecord::WindowClass(), audiorecord::WindowTitle());
        return now && HwndProcessId(now) != firstPid && Link().Connects() > connects;
    }, 10000)) << "AudioRecord was not started again and connected";
    EXPECT_TRUE(NamedMutex::Exists(audiorecord::MutexName()));
    const std::uint64_t backAfterMs = Link().LastConnectTick() - killedAt;
    RecordProperty("restarted_and_connected_ms", static_cast<int>(backAfterMs));
    std::printf("AudioRecord killed: started again and connected after %llu ms\n",
                static_cast<unsigned long long>(backAfterMs));

    // The connect commands reached the new program: it sends again, and what it sends is the tone.
    NextLevels(2);
    EXPECT_TRUE(LevelsTurn(true));
}

// Without a sound server AudioRecord sends nothing, so every block here is the test's.
class AudioBlocksTest : public AudioLightingTest {
protected:
    LRESULT SendBlock(std::uintptr_t id, const std::vector<std::uint8_t>& bytes) {
        COPYDATASTRUCT copy;
        copy.dwData = id;
        copy.cbData = static_cast<DWORD>(bytes.size());
        copy.lpData = bytes.empty() ? nullptr : bytes.data();
        return SendMessage(reachable, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    }
    static std::vector<std::uint8_t> Samples(std::int32_t value, std::size_t bytes = audiorecord::kSampleBlockBytes) {
        std::vector<std::uint8_t> block(audiorecord::kSampleBlockBytes + 4);
        for (std::size_t i = 0; i + 4 <= block.size(); i += 4) std::memcpy(block.data() + i, &value, 4);
        block.resize(bytes);
        return block;
    }

    HWND reachable = nullptr;  // the window as other programs reach it
};

TEST_F(AudioBlocksTest, BlocksOfAnyOtherSizeChangeNothing) {
    OpenWindow();
    reachable = FindWindow(std::string(kMainWindowClass), std::string(kAppName));
    ASSERT_NE(reachable, nullptr);
    for (const std::int32_t value : {0, 0, 500}) EXPECT_EQ(SendBlock(audiorecord::kSampleBlockId, Samples(value)), 1);
    ASSERT_EQ(Link().LevelHandovers(), 1u);
    EXPECT_EQ(Link().LastLevelsHandedOver(), Filled(500));

    const std::vector<std::pair<std::uintptr_t, std::vector<std::uint8_t>>> refused = {
        {audiorecord::kSampleBlockId, Samples(9000, 1999)}, {audiorecord::kSampleBlockId, Samples(9000, 2001)},
        {audiorecord::kSampleBlockId, {}},                  {audiorecord::kBandBlockId, {}},
        {audiorecord::kBandBlockId, {9, 9, 9, 9, 9}},       {audiorecord::kBandBlockId, {9, 9, 9, 9, 9, 9, 9}},
        {7, Samples(9000)},
    };
    for (const auto& [id, bytes] : refused) EXPECT_EQ(SendBlock(id, bytes), 0) << id << ": " << bytes.size() << " bytes";
    EXPECT_EQ(Link().SampleBlocksTaken(), 3u);
    EXPECT_EQ(Link().BandBlocksTaken(), 0u);

    // The count of blocks went on from the good ones alone: the next levels come with the third.
    for (const std::int32_t value : {500, 800}) SendBlock(audiorecord::kSampleBlockId, Samples(value));
    EXPECT_EQ(Link().LevelHandovers(), 1u);
    SendBlock(audiorecord::kSampleBlockId, Samples(1100));
    EXPECT_EQ(Link().LevelHandovers(), 2u);
    EXPECT_EQ(Link().LastLevelsHandedOver(), Filled(300));

    EXPECT_EQ(SendBlock(audiorecord::kBandBlockId, {1, 2, 3, 4, 5, 255}), 1);
    EXPECT_EQ(SendBlock(audiorecord::kBandBlockId, {9, 9, 9, 9, 9}), 0);
    EXPECT_EQ(Link().BandBlocksTaken(), 1u);
    EXPECT_EQ(Link().LastBands(), (std::array<int, audiorecord::kBandCount>{1, 2, 3, 4, 5, 255}));
}

// The user answers every message box that opens; what they read is kept.
struct MessageBoxAnswerer {
    bool answering = true;
    std::vector<std::string> said;

    static void Keep(const std::shared_ptr<MessageBoxAnswerer>& self) {
        ui::HeadlessBackend::Get()->PostIdleAction([self] {
            if (!self->answering) return;
            for (ui::CPaintManagerUI* manager : ui::CPaintManagerUI::AllManagers()) {
                ui::CControlUI* text = manager->FindControl("MessageText");
                ui::CControlUI* confirm = manager->FindControl("confirm_btn");
                if (!text || !confirm) continue;
                self->said.push_back(text->GetText());
                confirm->Activate();
                break;
            }
            MessageQueue::ForCurrentThread()->WaitForWork(50);  // the next look after something happened
            Keep(self);
        });
    }
};

TEST_F(AudioBlocksTest, AMissingCaptureProgramIsReportedOnce) {
    TempDir nowhere;
    auto user = std::make_shared<MessageBoxAnswerer>();
    MessageBoxAnswerer::Keep(user);
    window = std::make_unique<CMainWnd>();
    Link().SetProgram(nowhere / "AudioRecord");
    ASSERT_TRUE(window->Create(nullptr, kAppName, ui::UI_WNDSTYLE_FRAME, 0, 0, 0, kMainWindowWidth, kMainWindowHeight));
    // The start at "windowinit", then two retries of the daemon.
    EXPECT_TRUE(RunUntil([&] { return window->IsWindowInitialised() && Link().ProgramStarts() >= 3; }));
    RunUntil([&] { return !user->said.empty(); });
    user->answering = false;
    EXPECT_EQ(user->said, std::vector<std::string>{kRecordOpenFailedText});
}

}  // namespace
}  // namespace kx58test
