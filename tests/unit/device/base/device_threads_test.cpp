// The device threads: the light thread idles while its channel is closed, a sync thread
// reacts to the device's consumer reports and ends at once when its collection closes, and
// every stop reports how the thread ended.
#include <gtest/gtest.h>

#include <chrono>

#include "device/protocol/command_report.h"
#include "device/device_threads.h"
#include "device_base_fixture.h"
#include "platform/tick.h"
#include "support/wait_until.h"

namespace devbasetest {
namespace {

using namespace std::chrono_literals;
using DeviceThreadsTest = DeviceBaseFixture;

void SetMode(CQuorinUSBDevice& device, std::uint8_t mode) {
    LightState state;
    state.modeCode = mode;
    state.speed = 4;
    const auto words = state.ToWords();
    device.SetLightState(words[0], words[1], words[2], words[3]);
}

// The user changes a setting on the keyboard once its consumer connection is greeted (the bus
// drops reports sent before); true when the device object took the request.
bool UserChangesASetting(devsim::VirtualBus& bus, devsim::FirmwareProduct& product, CQuorinUSBDevice& device) {
    if (!kx58test::WaitUntil([&] { return bus.ConnectionCount("kb") >= 2; }, 10s)) return false;
    // A connection just reopened may still be counted while its successor is being greeted:
    // the user presses again when nothing came of it.
    for (int press = 0; press < 20; ++press) {
        const std::uint64_t handled = device.ReportsHandled(DeviceKind::KeyboardWired);
        product.SendConsumerUsage(CQuorinUSBDevice::kUsageSettingsChanged);
        if (kx58test::WaitUntil([&] { return device.ReportsHandled(DeviceKind::KeyboardWired) > handled; }, 1s))
            return (device.TakeDeviceRequests() & CQuorinUSBDevice::kRequestSettingsReload) != 0;
    }
    return false;
}

constexpr DeviceKind kCable = DeviceKind::KeyboardWired;
constexpr DeviceKind kReceiver = DeviceKind::KeyboardWireless;

TEST_F(DeviceThreadsTest, LightThreadIdlesAndSendsNothingWhileNotConnected) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    SetMode(*page.device, 4);  // spectrum: a step every few ticks
    page.device->SetPageShown(true);
    const std::vector<Rgba> before = page.device->PageColours();
    ASSERT_TRUE(page.device->StartLightThread());
    // A few of its 100 ms idle rounds: no preview step, no colour change, no request.
    SleepMs(350);
    EXPECT_EQ(page.device->PreviewSteps(), 0u);
    EXPECT_EQ(page.device->PageColours(), before);
    EXPECT_EQ(kb->RequestCount(), 0u);

    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    EXPECT_TRUE(kx58test::WaitUntil([&] { return page.device->PreviewSteps() >= 3; }, 10s));
    EXPECT_NE(page.device->PageColours(), before);
    // Previews draw on the page only; the light thread itself never talks to the device.
    EXPECT_EQ(kb->RequestCount(), 0u);

    page.device->StopLightThread();
    EXPECT_FALSE(page.device->IsLightThreadRunning());
    EXPECT_EQ(traces.Count("KB灯光线程设定退出"), 1u);
    EXPECT_EQ(traces.Count(kThreadEndedTrace), 1u);
    EXPECT_EQ(traces.Count(kThreadTimedOutTrace), 0u);
}

TEST_F(DeviceThreadsTest, SyncThreadReactsToAConsumerReportAndEndsWhenClosed) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    ASSERT_TRUE(page.device->OpenEventCollection(Row(1).path, kCable));
    EXPECT_TRUE(page.device->IsEventCollectionOpen(kCable));
    EXPECT_FALSE(page.device->IsEventCollectionOpen(kReceiver));
    EXPECT_EQ(page.device->TakeDeviceRequests(), 0u);

    ASSERT_TRUE(UserChangesASetting(bus, *kb, *page.device));
    // A volume key is no sync request: it is decoded and causes nothing.
    const std::uint64_t handled = page.device->ReportsHandled(kCable);
    ASSERT_TRUE(kb->SendConsumerUsage(0xE9));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return page.device->ReportsHandled(kCable) > handled; }, 10s));
    EXPECT_EQ(page.device->TakeDeviceRequests(), 0u);

    // The next stream tick turns the request into the settings read-back 50 ms later.
    ASSERT_TRUE(kb->SendConsumerUsage(CQuorinUSBDevice::kUsageSettingsChanged));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->StartAttach();
    page.tab->OnTimer(kTimerAttach);
    ASSERT_TRUE(kx58test::WaitUntil(
        [&] {
            page.tab->OnTimer(kTimerColourStream);
            return page.tab->ArmedDelay(kTimerReloadSettings) == 50u;
        },
        10s));
    kb->ClearRequests();
    page.tab->OnTimer(kTimerReloadSettings);
    EXPECT_GT(kb->RequestCount(), 0u);

    // The thread waits in a read without timeout; closing the collection ends it at once.
    page.device->CloseEventCollection(kCable);
    EXPECT_FALSE(page.device->IsEventCollectionOpen(kCable));
    EXPECT_EQ(traces.Count(kSyncThreadExitTrace), 1u);
    EXPECT_EQ(traces.Count(kThreadEndedTrace), 1u);
    EXPECT_EQ(traces.Count(kThreadTimedOutTrace), 0u);

    // Reopened on the same path it works again.
    ASSERT_TRUE(page.device->ReopenEventCollection(Row(1).path, kCable));
    EXPECT_TRUE(UserChangesASetting(bus, *kb, *page.device));
    EXPECT_FALSE(page.device->OpenEventCollection(folder + "/missing.sock", kReceiver));
    EXPECT_FALSE(page.device->IsEventCollectionOpen(kReceiver));
}

TEST_F(DeviceThreadsTest, UnpluggedConsumerCollectionDoesNotSpinOrHang) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->OpenEventCollection(Row(1).path, kCable));
    kb->DetachInput();
    ASSERT_TRUE(bus.Unplug("kb"));
    page.device->CloseEventCollection(kCable);
    EXPECT_EQ(traces.Count(kThreadEndedTrace), 1u);
    EXPECT_EQ(traces.Count(kThreadTimedOutTrace), 0u);
}

TEST_F(DeviceThreadsTest, EveryProductAttachesReadsBackAndEndsItsLightThread) {
    struct Case {
        std::size_t row;
        std::unique_ptr<CQuorinUSBDevice> device;
        const char* exitTrace;
    };
    Case cases[] = {
        {4, std::make_unique<CQuorinMouseDevice>(), "MS灯光线程设定退出"},
        {6, std::make_unique<CQuorinMouseDevice>(), "MS灯光线程设定退出"},
        {8, std::make_unique<CQuorinMousePadDevice>(), "MP灯光线程设定退出"},
        {10, std::make_unique<CQuorinHS6533Device>(), "HS灯光线程设定退出"},
    };
    for (const char* name : {"mouse", "mouse-rx", "pad", "headset"}) Plug(name);
    for (Case& c : cases) {
        const DeviceMatchEntry row = Row(c.row);
        ASSERT_TRUE(c.device->AttachCommandCollection(row)) << row.path;
        EXPECT_EQ(c.device->IsWirelessMode(), IsReceiver(row.kind));
        EXPECT_EQ(c.device->OnAttached(), kResultOk) << row.path;
        EXPECT_TRUE(c.device->IsLightThreadRunning());
        if (row.kind != DeviceKind::Headset) {  // the headset has nothing to read back
            EXPECT_NE(c.device->DeviceInformation(), (std::array<std::uint8_t, kDeviceInfoSize>{}));
        }
        c.device->StopLightThread();
        EXPECT_GE(traces.Count(c.exitTrace), 1u);
    }
    // The mouse reports its battery, the pad the phone on its charger; the headset nothing.
    EXPECT_TRUE(cases[0].device->ReportsPowerStatus());
    EXPECT_TRUE(cases[2].device->ReportsPowerStatus());
    EXPECT_FALSE(cases[3].device->ReportsPowerStatus());
    EXPECT_EQ(traces.Count(kThreadEndedTrace), 4u);
}

TEST(TracedThreadTest, StopReportsEndedTimedOutAndNothingForAThreadNeverStarted) {
    TraceLog traces;
    TracedThread idle;
    EXPECT_EQ(idle.Stop(10), ThreadStopOutcome::NotRunning);
    EXPECT_EQ(traces.Count("线程退出"), 0u);

    Event release(Event::ResetMode::Manual);
    TracedThread stubborn;
    // A body that looks at its exit event only after `release`.
    ASSERT_TRUE(stubborn.Start("stubborn", [&release](Event& exitEvent) {
        release.Wait(kInfinite);
        exitEvent.Wait(kInfinite);
    }));
    EXPECT_EQ(stubborn.Stop(20), ThreadStopOutcome::TimedOut);
    EXPECT_EQ(traces.Count(kThreadTimedOutTrace), 1u);
    EXPECT_TRUE(stubborn.Running());
    release.Set();
    EXPECT_EQ(stubborn.Stop(10000), ThreadStopOutcome::Ended);
    EXPECT_EQ(traces.Count(kThreadEndedTrace), 1u);
}

}  // namespace
}  // namespace devbasetest
