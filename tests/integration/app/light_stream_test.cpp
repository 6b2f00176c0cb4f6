// The colour stream as the simulated products receive it: the keyboard's host-rendered modes
// by cable (none through the receiver), the pause the keyboard asks for, the music mode
// driven by audio levels, and the page colours of the mouse and the mouse pad.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "device/quorin_products.h"
#include "integration/app/main_window_fixture.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr std::uint16_t kUsageStreamPause = 0x403;

void SetLight(CQuorinUSBDevice& device, int mode, bool multi = false) {
    LightState state;
    state.modeCode = static_cast<std::uint8_t>(mode);
    state.brightness = 4;
    state.multiColor = multi ? 1 : 0;
    state.red = 250;
    state.green = 120;
    state.blue = 30;
    const auto words = state.ToWords();
    device.SetLightState(words[0], words[1], words[2], words[3]);
}

// The stream requests the product received and the bytes they carried.
struct StreamTraffic {
    std::size_t requests = 0;
    std::size_t bytes = 0;
};
StreamTraffic StreamOf(const devsim::FirmwareProduct& product) {
    StreamTraffic traffic;
    for (const CommandReport& request : product.Requests()) {
        if (request[report_field::kCommand] != kCmdStreamLedColours) continue;
        ++traffic.requests;
        traffic.bytes += request[report_field::kLength];
    }
    return traffic;
}

bool AnyLight(const std::vector<std::uint8_t>& frame) {
    return std::any_of(frame.begin(), frame.end(), [](std::uint8_t v) { return v != 0; });
}

std::size_t LitKeys(const std::vector<Rgba>& colours) {
    return static_cast<std::size_t>(std::count_if(colours.begin(), colours.end(), [](const Rgba& c) { return c.alpha > 0; }));
}

class LightStreamTest : public MainWindowTest {
protected:
    CQuorinUSBDevice* OpenPage(const std::string& product, const char* typeName) {
        this->product = product;
        EXPECT_TRUE(rack->Plug(product));
        OpenWindow();
        EXPECT_TRUE(RunUntil([&] { return TabShown(typeName); }));
        CQuorinUSBDevice* device = Page(typeName).device;
        EXPECT_NE(device, nullptr);
        if (device) {
            EXPECT_TRUE(RunUntil([&] { return device->IsLightThreadRunning(); }));
        }
        return device;
    }
    CQuorinKeyboardDevice* OpenKeyboard(const std::string& product) {
        auto* keyboard = dynamic_cast<CQuorinKeyboardDevice*>(OpenPage(product, "keyboard"));
        EXPECT_NE(keyboard, nullptr);
        if (keyboard) {
            EXPECT_TRUE(RunUntil([&] { return keyboard->Memory().Positions() > 0; }));
        }
        return keyboard;
    }
    devsim::FirmwareProduct& Product() { return *rack->Find(product); }
    std::string product;
};

class KeyboardStreamTest : public LightStreamTest, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(CableAndReceiver, KeyboardStreamTest, ::testing::Values("kb", "kb-rx"));

// Modes 29 and 30 are drawn by the host: by cable each frame carries N x 3 bytes, every key's
// colour at its LED index scaled by its alpha; through the receiver nothing goes out. A mode
// the keyboard draws itself streams nothing either way.
TEST_P(KeyboardStreamTest, HostRenderedModesStreamByCableOnly) {
    CQuorinKeyboardDevice* keyboard = OpenKeyboard(GetParam());
    ASSERT_NE(keyboard, nullptr);
    keyboard->StopLightThread();  // the page colours stay as set here
    const bool cable = product == "kb";
    const std::size_t keys = keyboard->Memory().Positions();
    const std::uint8_t capsLed = keyboard->Memory().maps.led[63];
    ASSERT_NE(capsLed, kNoKeyPosition);
    for (const int mode : {kMusicModeCode, kHostRenderedModeCode, 6}) {
        SetLight(*keyboard, mode);
        for (std::size_t key = 0; key < keyboard->PageColourCount(); ++key) keyboard->SetLedColour(key, {10, 20, 30, 255});
        keyboard->SetLedColour(63, {200, 100, 50, 128});
        Product().ClearRequests();
        EXPECT_EQ(keyboard->BuildStreamFrame(), kResultOk) << mode;
        const StreamTraffic traffic = StreamOf(Product());
        const bool streams = cable && mode != 6;
        EXPECT_EQ(traffic.bytes, streams ? keys * 3 : 0u) << "mode " << mode;
        if (!streams) continue;
        const std::vector<std::uint8_t> frame = Product().Memory().stream;
        EXPECT_EQ(frame[capsLed * 3], 100);  // 200 x 128 / 256
        EXPECT_EQ(frame[capsLed * 3 + 1], 50);
        EXPECT_EQ(frame[capsLed * 3 + 2], 25);
    }
}

// By cable, usage 0x403 asks for quiet: the next ten frames are not sent, the eleventh is.
TEST_F(LightStreamTest, TheKeyboardsPauseSkipsTenFrames) {
    CQuorinKeyboardDevice* keyboard = OpenKeyboard("kb");
    ASSERT_NE(keyboard, nullptr);
    keyboard->StopLightThread();
    Page("keyboard").tab->StopAllTimers();  // only the frames asked for here
    SetLight(*keyboard, kHostRenderedModeCode);
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("kb") >= 2; }));
    bool paused = false;
    for (int press = 0; press < 20 && !paused; ++press) {
        Product().SendConsumerUsage(kUsageStreamPause);
        paused = RunUntil([&] { return keyboard->StreamPauseLeft() > 0; }, 1000);
    }
    ASSERT_TRUE(paused);
    ASSERT_EQ(keyboard->StreamPauseLeft(), CQuorinKeyboardDevice::kStreamPauseFrames);
    Product().ClearRequests();
    for (int frame = 0; frame < CQuorinKeyboardDevice::kStreamPauseFrames; ++frame) keyboard->BuildStreamFrame();
    EXPECT_EQ(StreamOf(Product()).requests, 0u);
    EXPECT_EQ(keyboard->BuildStreamFrame(), kResultOk);
    EXPECT_EQ(StreamOf(Product()).bytes, keyboard->Memory().Positions() * 3);
}

// Music mode with the audio-light mode 2: silence leaves the keys dark, a loud block lights
// bars on the page and, through the stream, on the keyboard; after silence again the bars
// fall and the keyboard goes dark. Another audio-light mode keeps the levels and moves nothing.
TEST_F(LightStreamTest, TheMusicModeShowsTheSoundOnTheKeysAndTheKeyboard) {
    CQuorinKeyboardDevice* keyboard = OpenKeyboard("kb");
    ASSERT_NE(keyboard, nullptr);
    SetLight(*keyboard, kMusicModeCode);
    keyboard->SetAudioLightInfo(2, 0, 0);
    std::vector<std::uint8_t> silence(100, 0), loud(100, 0);
    const std::int32_t fullScale = 2000;
    for (std::size_t level = 0; level < 25; ++level) std::memcpy(&loud[level * 4], &fullScale, sizeof fullScale);

    EXPECT_EQ(keyboard->FeedAudioLevels(silence, 500), 1);
    EXPECT_EQ(LitKeys(keyboard->PageColours()), 0u);
    EXPECT_EQ(keyboard->FeedAudioLevels(loud, 500), 1);
    EXPECT_GT(LitKeys(keyboard->PageColours()), 60u);
    // The audio program sends a block about every 30 ms; the stream timer takes what is shown.
    EXPECT_TRUE(RunUntil([&] {
        keyboard->FeedAudioLevels(loud, 500);
        return AnyLight(Product().Memory().stream);
    }));
    EXPECT_TRUE(RunUntil([&] {
        keyboard->FeedAudioLevels(silence, 500);
        return LitKeys(keyboard->PageColours()) == 0 && !AnyLight(Product().Memory().stream);
    }));

    keyboard->SetAudioLightInfo(1, 0, 0);
    EXPECT_EQ(keyboard->FeedAudioLevels(loud, 500), 0);
    EXPECT_EQ(LitKeys(keyboard->PageColours()), 0u);
}

// The mouse and the pad stream their page colours by cable, one LED per page colour; the
// mouse through its receiver sends none.
class StripStreamTest : public LightStreamTest,
                        public ::testing::WithParamInterface<std::tuple<const char*, const char*>> {};
INSTANTIATE_TEST_SUITE_P(Products, StripStreamTest,
                         ::testing::Values(std::tuple{"pad", "MousePad"}, std::tuple{"mouse", "mouse"},
                                           std::tuple{"mouse-rx", "mouse"}));

TEST_P(StripStreamTest, PageColoursStreamByCable) {
    const auto [name, typeName] = GetParam();
    CQuorinUSBDevice* device = OpenPage(name, typeName);
    ASSERT_NE(device, nullptr);
    device->StopLightThread();
    for (std::size_t led = 0; led < device->PageColourCount(); ++led)
        device->SetLedColour(led, {static_cast<std::uint8_t>(10 * led), 200, 0, 255});
    Product().ClearRequests();
    EXPECT_EQ(device->BuildStreamFrame(), kResultOk);
    const bool cable = !device->IsWirelessMode();
    EXPECT_EQ(StreamOf(Product()).bytes, cable ? device->PageColourCount() * 3 : 0u);
    if (!cable) return;
    const std::vector<std::uint8_t> frame = Product().Memory().stream;
    EXPECT_EQ(frame[3 * 3], 10 * 3 * 255 / 256);
    EXPECT_EQ(frame[3 * 3 + 1], 200 * 255 / 256);
}

}  // namespace
}  // namespace kx58test
