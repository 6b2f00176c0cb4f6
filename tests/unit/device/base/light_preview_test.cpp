// The light thread's previews as the page shows them: the keyboard's effects move over its
// key layout, the steps keep the speed table's cadence, and the strip products run the modes
// of their own tables (the mouse's reactive mode answers a click).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <tuple>

#include "device/preview_tables.h"
#include "device_base_fixture.h"
#include "support/wait_until.h"
#include "uikit/dialog_builder.h"

namespace devbasetest {
namespace {

using namespace std::chrono_literals;

constexpr int kColumns = 15, kRows = 5, kKeys = kColumns * kRows;

void SetLight(CQuorinUSBDevice& device, int mode, int speed, bool multi, int fx = 0) {
    LightState state;
    state.modeCode = static_cast<std::uint8_t>(mode);
    state.speed = static_cast<std::uint8_t>(speed);
    state.brightness = 4;
    state.multiColor = multi ? 1 : 0;
    state.fx = static_cast<std::uint8_t>(fx);
    state.red = 250;
    state.green = 40;
    state.blue = 10;
    const auto words = state.ToWords();
    device.SetLightState(words[0], words[1], words[2], words[3]);
}

// The page colours once the light thread has run `steps` more steps.
std::vector<Rgba> ColoursAfter(const CQuorinUSBDevice& device, std::uint64_t steps) {
    const std::uint64_t start = device.PreviewSteps();
    EXPECT_TRUE(kx58test::WaitUntil([&] { return device.PreviewSteps() >= start + steps; }, 20s));
    return device.PageColours();
}

std::size_t LitCount(const std::vector<Rgba>& colours, std::size_t first, std::size_t last) {
    std::size_t lit = 0;
    for (std::size_t i = first; i < last; ++i) lit += colours[i].alpha > 0;
    return lit;
}

// A page of 15 x 5 keys placed by their buttons, as the keyboard's picture places them.
std::string GridPageXml() {
    std::string keys;
    for (int key = 0; key < kKeys; ++key) {
        const int left = 10 + 30 * (key % kColumns), top = 10 + 30 * (key / kColumns);
        keys += "<DeviceKeyButton name=\"key_" + std::to_string(key) + "\" float=\"true\" pos=\"" +
                std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(left + 26) + "," +
                std::to_string(top + 26) + "\"/>";
    }
    return "<Window><QuorinKeyboardDevice><Container name=\"SelectPanel\">" + keys +
           "</Container></QuorinKeyboardDevice></Window>";
}

class KeyboardPreviewTest : public DeviceBaseFixture, public ::testing::WithParamInterface<std::tuple<int, bool>> {
protected:
    CQuorinKeyboardDevice* AddGridKeyboard() {
        ui::CPaintManagerUI& pm = window->GetPaintManager();
        auto* switcher = static_cast<ui::CContainerUI*>(pm.FindControl("device_switch")->GetInterface("Container"));
        ui::CDialogBuilder builder;
        auto* device = static_cast<CQuorinKeyboardDevice*>(
            builder.Create(GridPageXml(), {}, window.get(), &pm)->GetInterface("QuorinKeyboardDevice"));
        device->AttachPaintManager(&pm, window.get());
        device->SetDeviceName("XML\\DeviceXml\\keyboarddevice.xml");
        device->SetTableSizes({170, 170, 0, -1});
        device->SetFolderStrings(session.DataHome() + "/KX58RGBVs Device", "");
        switcher->Add(device);
        device->FinishInit();
        return device;
    }
};

// Each effect lights keys of the layout, differently in different places, and moves on; the
// page colours without a key stay dark.
TEST_P(KeyboardPreviewTest, TheEffectMovesOverTheKeyLayout) {
    const auto [mode, multi] = GetParam();
    CQuorinKeyboardDevice* keyboard = AddGridKeyboard();
    ASSERT_EQ(keyboard->KeyButtons().size(), static_cast<std::size_t>(kKeys));
    SetLight(*keyboard, mode, 4, multi);
    keyboard->SetOpen(true);  // the light thread runs while the channel counts as open
    keyboard->SetPageShown(true);  // ... and someone looks at the page (the keyboard renders itself)
    ASSERT_TRUE(keyboard->StartLightThread());

    const std::vector<Rgba> first = ColoursAfter(*keyboard, 12);
    const std::vector<Rgba> later = ColoursAfter(*keyboard, 12);
    keyboard->StopLightThread();

    EXPECT_GT(LitCount(first, 0, kKeys), 0u);
    std::set<std::tuple<int, int, int, int>> distinct;
    for (int key = 0; key < kKeys; ++key) {
        const Rgba& c = first[static_cast<std::size_t>(key)];
        distinct.insert({c.red, c.green, c.blue, c.alpha});
    }
    EXPECT_GT(distinct.size(), 1u) << "the same colour on every key";
    std::size_t moved = 0;
    for (int key = 0; key < kKeys; ++key) moved += !(first[static_cast<std::size_t>(key)] == later[static_cast<std::size_t>(key)]);
    EXPECT_GT(moved, 0u) << "nothing moved";
    EXPECT_EQ(LitCount(later, kKeys, later.size()), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, KeyboardPreviewTest,
                         ::testing::Values(std::tuple{1, true}, std::tuple{1, false}, std::tuple{3, false},
                                           std::tuple{7, true}, std::tuple{8, true}, std::tuple{10, false},
                                           std::tuple{12, true}, std::tuple{14, true}, std::tuple{15, false},
                                           std::tuple{18, true}, std::tuple{21, false}, std::tuple{24, true},
                                           std::tuple{30, true}));

// A keyboard whose colours nobody takes (page not on screen, the device renders its own
// effect) runs no preview while a twin on screen steps on; shown, it steps at once.
TEST(LightThreadCadenceTest, OnlyAPageOnScreenRunsThePreview) {
    CQuorinKeyboardDevice unseen, shown;
    for (auto* device : {&unseen, &shown}) {
        device->SetTableSizes({170, 170, 0, -1});
        device->SetOpen(true);
        SetLight(*device, 1, 4, true);
    }
    shown.SetPageShown(true);
    ASSERT_TRUE(unseen.StartLightThread());
    ASSERT_TRUE(shown.StartLightThread());
    ASSERT_TRUE(kx58test::WaitUntil([&] { return shown.PreviewSteps() >= 40; }, 60s));
    EXPECT_EQ(unseen.PreviewSteps(), 0u);
    unseen.SetPageShown(true);
    EXPECT_TRUE(kx58test::WaitUntil([&] { return unseen.PreviewSteps() > 0; }, 60s));
    unseen.StopLightThread();
    shown.StopLightThread();
}

// Two keyboards in the same mode, at the slowest and the fastest speed, over the same time:
// their step counts stand as the speed row's values do.
TEST(LightThreadCadenceTest, StepCountsStandAsTheSpeedRow) {
    CQuorinKeyboardDevice slow, fast;
    for (auto* device : {&slow, &fast}) {
        device->SetTableSizes({170, 170, 0, -1});
        device->SetOpen(true);
        device->SetPageShown(true);
    }
    constexpr int kMode = 1;
    SetLight(slow, kMode, 0, true);
    SetLight(fast, kMode, 4, true);
    ASSERT_TRUE(slow.StartLightThread());
    ASSERT_TRUE(fast.StartLightThread());
    const std::uint64_t slowStart = slow.PreviewSteps(), fastStart = fast.PreviewSteps();
    ASSERT_TRUE(kx58test::WaitUntil([&] { return slow.PreviewSteps() >= slowStart + 20; }, 60s));
    const double ratio = static_cast<double>(fast.PreviewSteps() - fastStart) /
                         static_cast<double>(slow.PreviewSteps() - slowStart);
    slow.StopLightThread();
    fast.StopLightThread();
    const double expected = static_cast<double>(SpeedTableValue(kMode, 0)) / SpeedTableValue(kMode, 4);
    EXPECT_GT(ratio, expected / 2);
    EXPECT_LT(ratio, expected * 2);
}

// The pad's flowing light, rainbow and colour cycle move; static and a mode without an effect
// of its own show the chosen colour.
TEST(StripPreviewTest, ThePadRunsTheModesOfItsTable) {
    CQuorinMousePadDevice pad;
    pad.SetTableSizes({15, 0, 0, -1});
    pad.SetOpen(true);
    ASSERT_TRUE(pad.StartLightThread());
    for (const int mode : {0, 6, 7}) {
        SetLight(pad, mode, 4, true);
        const std::vector<Rgba> first = ColoursAfter(pad, 3);
        EXPECT_NE(first, ColoursAfter(pad, 70)) << "mode " << mode;  // longer than a colour is held
    }
    for (const int mode : {3, 5}) {
        SetLight(pad, mode, 4, false);
        const std::vector<Rgba> shown = ColoursAfter(pad, 2);
        const Rgba chosen{250, 40, 10, BrightnessScale(4)};
        EXPECT_TRUE(std::all_of(shown.begin(), shown.end(), [&](const Rgba& c) { return c == chosen; }))
            << "mode " << mode;
    }
    pad.StopLightThread();
}

using MousePreviewTest = DeviceBaseFixture;

// In the reactive mode a click on the mouse (0x403 on its cable consumer collection) gives
// every LED a colour; in another mode it changes nothing.
TEST_F(MousePreviewTest, AClickScattersColoursInTheReactiveMode) {
    auto mouse = Plug("mouse");
    CQuorinMouseDevice device;
    device.SetTableSizes({15, 11, 1, -1});
    ASSERT_TRUE(device.OpenEventCollection(PathOf(Row(5)), DeviceKind::MouseWired));
    const auto click = [&] {
        for (int press = 0; press < 20; ++press) {
            const std::uint64_t handled = device.ReportsHandled(DeviceKind::MouseWired);
            mouse->SendConsumerUsage(0x403);
            if (kx58test::WaitUntil([&] { return device.ReportsHandled(DeviceKind::MouseWired) > handled; }, 1s)) return true;
        }
        return false;
    };
    SetLight(device, 3, 2, false);
    ASSERT_TRUE(click());
    EXPECT_EQ(LitCount(device.PageColours(), 0, 15), 0u);

    SetLight(device, CQuorinMouseDevice::kReactiveMode, 2, false);
    ASSERT_TRUE(click());
    const std::vector<Rgba> scattered = device.PageColours();
    EXPECT_EQ(LitCount(scattered, 0, 15), 15u);
    EXPECT_GT(std::set<std::uint8_t>({scattered[0].red, scattered[5].red, scattered[10].red, scattered[14].red}).size(), 1u);
    device.CloseEventCollection(DeviceKind::MouseWired);
}

}  // namespace
}  // namespace devbasetest
