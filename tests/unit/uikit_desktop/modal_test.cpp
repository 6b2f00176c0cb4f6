#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "desktop_test_support.h"
#include "platform/message_queue.h"
#include "support/wait_until.h"
#include "uikit/headless_backend.h"
#include "uikit/window_placement.h"

namespace desktoptest {
namespace {

HeadlessBackend& Headless() {
    if (!HeadlessBackend::Get()) InstallBackend(std::make_unique<HeadlessBackend>());
    return *HeadlessBackend::Get();
}

// A modal window whose loop keeps handling a worker's sends and the owner's timer; the worker
// closes it with a code once it has seen both.
TEST(ModalWindow, ReturnsTheCloseCodeWhileSendsFromAnotherThreadAndTimersKeepRunning) {
    Headless().SetMonitor(RECT{0, 0, 1600, 900}, 96);
    RecordingWindow owner(OwnerSkin());
    ASSERT_TRUE(owner.Open(nullptr, false, 100, 100));
    ASSERT_TRUE(kx58::SetTimer(owner.GetHWND(), 7, 5));
    auto* modal = new RecordingWindow(OwnerSkin());
    ASSERT_TRUE(modal->Create(owner.GetHWND(), "modal", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 100, 60));
    CenterOnOwner(*modal, owner);
    const RECT placed = modal->GetBackendWindow()->GetRect();
    const RECT below = owner.GetBackendWindow()->GetRect();
    EXPECT_EQ(placed.left + placed.Width() / 2, below.left + below.Width() / 2);
    EXPECT_EQ(placed.top + placed.Height() / 2, below.top + below.Height() / 2);
    EXPECT_EQ(MonitorRectOf(*modal), (RECT{0, 0, 1600, 900}));

    const kx58::HWND modalHwnd = modal->GetHWND();
    std::atomic<bool> modalRunning{false};
    std::atomic<long long> answer{0};
    const int ticksBefore = owner.timerTicks;
    std::thread worker([&] {
        kx58test::WaitUntil([&] { return modalRunning.load(); });
        answer = kx58::SendMessage(modalHwnd, kMsgDouble, 21, 0);
        kx58test::WaitUntil([&] { return owner.timerTicks >= ticksBefore + 3; });
        kx58::PostMessage(modalHwnd, kMsgClose, 7, 0);
    });
    Headless().PostIdleAction([&] { modalRunning = true; });
    const UINT result = modal->ShowModal();
    worker.join();
    EXPECT_EQ(result, 7u);
    EXPECT_EQ(answer.load(), 42);
    EXPECT_GE(owner.timerTicks, ticksBefore + 3);
    EXPECT_FALSE(kx58::IsWindow(modalHwnd));
    delete modal;
    kx58::KillTimer(owner.GetHWND(), 7);
    owner.Destroy();
}

TEST(ModalWindow, AQuitWhileModalEndsTheLoopAndStaysForTheOuterLoop) {
    RecordingWindow owner(OwnerSkin());
    ASSERT_TRUE(owner.Open());
    RecordingWindow modal(OwnerSkin());
    ASSERT_TRUE(modal.Create(owner.GetHWND(), "modal", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 100, 60));
    Headless().PostIdleAction([] { kx58::PostQuitMessage(3); });
    EXPECT_EQ(modal.ShowModal(), IDCANCEL);
    EXPECT_EQ(kx58::MessageQueue::ForCurrentThread()->TakeQuitCode(), 3);
    modal.Destroy();
    owner.Destroy();
}

TEST(WindowPlacement, CentresOnTheOwnerAndStaysOnTheMonitor) {
    const RECT monitor{0, 0, 1000, 700};
    auto centred = CenteredOn(RECT{100, 100, 500, 400}, SIZE{200, 100}, monitor);
    EXPECT_EQ(centred.x, 200);
    EXPECT_EQ(centred.y, 200);
    centred = CenteredOn(RECT{900, 650, 1300, 950}, SIZE{200, 100}, monitor);  // owner half off screen
    EXPECT_EQ(centred.x, 800);
    EXPECT_EQ(centred.y, 600);
    centred = CenteredOn(RECT{0, 0, 100, 100}, SIZE{2000, 1000}, monitor);  // larger than the monitor
    EXPECT_EQ(centred.x, 0);
    EXPECT_EQ(centred.y, 0);
}

TEST(WindowPlacement, TheDpiIsTheLargestUpToTheWantedOneAtWhichTheWindowFitsTheWorkArea) {
    const int dpis[] = {48, 72, 96, 120, 144, 168, 192};
    const SIZE window{1000, 640};
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 32, 1920, 1080}, 144, dpis), 144);  // full HD below a panel
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 1500, 960}, 144, dpis), 144);    // exactly
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 1600, 959}, 144, dpis), 120);    // one pixel short
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 960, 540}, 72, dpis), 72);       // a scale 2 output
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 1024, 600}, 96, dpis), 72);
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 320, 200}, 144, dpis), 48);      // too small at every DPI
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 320, 200}, 24, dpis), 48);
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 3840, 2160}, 100, dpis), 96);    // never above the wanted one
    EXPECT_EQ(LargestDpiThatFits(window, RECT{0, 0, 3840, 2160}, 100, {}), 100);
}

}  // namespace
}  // namespace desktoptest
