// Windows on the message queue: control timers, sends from other threads, modal loops,
// window notifications and closing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/message_queue.h"
#include "uikit/container.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

// Kills its timer in the handler, as the program's one-shot timers do.
class OneShotUI : public CControlUI {
public:
    std::vector<UINT> fired;
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_TIMER) {
            KillTimer(static_cast<UINT>(event.wParam));
            fired.push_back(static_cast<UINT>(event.wParam));
        }
        CControlUI::DoEvent(event);
    }
};

TEST(UikitWindow, ControlTimerFiresAtTheControlOncePerArming) {
    SkinFolder skins;
    TestWindow window("layout.xml");
    ASSERT_TRUE(window.Open());
    auto* mid = window.Find<CContainerUI>("mid");
    auto* first = new OneShotUI();
    auto* second = new OneShotUI();
    mid->Add(first);
    mid->Add(second);
    // The same id on two controls is two timers; each goes to its own control.
    ASSERT_TRUE(first->SetTimer(1001, 10));
    ASSERT_TRUE(second->SetTimer(1001, 30));
    ASSERT_TRUE(Backend().RunUntil([&] { return first->fired.size() == 1 && second->fired.size() == 1; }, 10000));
    EXPECT_EQ(first->fired, (std::vector<UINT>{1001}));
    // A killed timer stays quiet.
    Backend().RunUntil([] { return false; }, 80);
    EXPECT_EQ(first->fired.size(), 1u);
    EXPECT_EQ(second->fired.size(), 1u);
    // Arming again fires once more; the "timer" notification carries the id.
    window.notes.clear();
    ASSERT_TRUE(first->SetTimer(1001, 5));
    ASSERT_TRUE(Backend().RunUntil([&] { return first->fired.size() == 2; }, 10000));
    const auto timers = window.Taken("timer");
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].wParam, 1001u);
    // A removed control's timers die with it.
    ASSERT_TRUE(second->SetTimer(5, 5));
    mid->Remove(second);
    Backend().RunUntil([] { return false; }, 60);
    window.Destroy();
}

TEST(UikitWindow, SendFromAnotherThreadReachesTheWindowHandler) {
    SkinFolder skins;
    TestWindow window("layout.xml");
    ASSERT_TRUE(window.Open());
    const HWND hwnd = window.GetHWND();
    std::atomic<LRESULT> answer{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        answer = kx58::SendMessage(hwnd, kx58::WM_USER + 7, 21, 0);
        done = true;
    });
    ASSERT_TRUE(Backend().RunUntil([&] { return done.load(); }, 20000));
    sender.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(window.customMessages, (std::vector<UINT>{kx58::WM_USER + 7}));
    window.Destroy();
}

TEST(UikitWindow, WindowInitOnceAndSizeNotifications) {
    SkinFolder skins;
    TestWindow window("layout.xml");
    ASSERT_TRUE(window.Open());
    const auto inits = window.Taken("windowinit");
    ASSERT_EQ(inits.size(), 1u);
    EXPECT_EQ(inits[0].sender, "root");
    window.ResizeClient(500, 320);
    Backend().RunUntilIdle();
    EXPECT_EQ(window.Taken("windowsize").size(), 1u);
    EXPECT_EQ(window.Find("root")->GetPos(), (RECT{0, 0, 500, 320}));
    EXPECT_EQ(window.Taken("windowinit").size(), 1u);
    // Centre on the monitor.
    window.CenterWindow();
    const RECT rc = window.GetBackendWindow()->GetRect();
    EXPECT_EQ(rc.left, (1920 - 500) / 2);
    EXPECT_EQ(rc.top, (1080 - 320) / 2);
    window.Minimize();
    EXPECT_TRUE(window.IsMinimized());
    window.SendMessage(kx58::WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(window.IsMinimized());
    EXPECT_TRUE(window.IsWindowVisible());
    window.Destroy();
}

class ModalWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    void OnFinalMessage(HWND) override { *finalCalls += 1; }
    int* finalCalls = nullptr;
};

TEST(UikitWindow, ShowModalReturnsTheCloseResult) {
    SkinFolder skins;
    int finalCalls = 0;
    ModalWindow dialog("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    dialog.finalCalls = &finalCalls;
    ASSERT_TRUE(dialog.Open(false));
    // The test acts inside the modal loop: click OK, whose handler closes with 7.
    dialog.BindNotify("click", "okbtn", [&dialog](TNotifyUI&) { dialog.Close(7); });
    Backend().PostIdleAction([&dialog] {
        HeadlessInput input(dialog);
        input.Click("okbtn");
    });
    EXPECT_EQ(dialog.ShowModal(), 7u);
    EXPECT_EQ(finalCalls, 1);
    EXPECT_EQ(dialog.GetHWND(), nullptr);
    // Sending to a closed window answers 0; its controls live on without reaching it.
    EXPECT_EQ(dialog.SendMessage(kx58::WM_USER + 1), 0);
    dialog.Find("okbtn")->SetText("still here");
    dialog.Find("okbtn")->Invalidate();
    EXPECT_FALSE(dialog.Find("okbtn")->SetTimer(1, 10));
}

TEST(UikitWindow, CaptionAreaDragsExceptOverButtons) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    EXPECT_TRUE(window.IsCaptionPoint(Center(window.Find("title"))));
    EXPECT_FALSE(window.IsCaptionPoint(Center(window.Find("minbtn"))));
    EXPECT_FALSE(window.IsCaptionPoint(Center(window.Find("okbtn"))));
    // The default minimise button works.
    HeadlessInput input(window);
    ASSERT_TRUE(input.Click("minbtn"));
    EXPECT_TRUE(window.IsMinimized());
    window.Destroy();
}

}  // namespace
}  // namespace uikittest

namespace uikittest {
namespace {

class FakeBackend : public HeadlessBackend {
public:
    std::string Name() const override { return "fake"; }
};

TEST(UikitBackend, ChosenByNameOrEnvironmentWithHeadlessFallback) {
    TraceRecorder traces;
    RegisterBackendFactory("fake", [] { return std::make_unique<FakeBackend>(); });
    RegisterBackendFactory("broken", [] { return std::unique_ptr<IWindowBackend>(); });
    {
        kx58test::ScopedEnv env("KX58_UI", "");
        EXPECT_EQ(InstallBackendByName("fake"), "fake");
        EXPECT_EQ(CurrentBackend().Name(), "fake");
        EXPECT_EQ(InstallBackendByName("broken"), "headless");
        EXPECT_TRUE(traces.Contains("'broken' is not available"));
    }
    {
        kx58test::ScopedEnv env("KX58_UI", "headless");
        EXPECT_EQ(InstallBackendByName("fake"), "headless");
    }
    {
        kx58test::ScopedEnv env("KX58_UI", "nonesuch");
        EXPECT_EQ(InstallBackendByName("fake"), "headless");
        EXPECT_TRUE(traces.Contains("'nonesuch'"));
    }
    ASSERT_NE(HeadlessBackend::Get(), nullptr);
}

}  // namespace
}  // namespace uikittest

namespace uikittest {
namespace {

// Ends the program's loop when it goes, as the main window does.
class MainLikeWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    void OnFinalMessage(HWND) override { kx58::PostQuitMessage(3); }
};

TEST(UikitWindow, MessageLoopRunsUntilTheWindowQuits) {
    SkinFolder skins;
    MainLikeWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    Backend().PostIdleAction([&window] {
        HeadlessInput input(window);
        input.MoveTo("text_edit");
        input.Click("closebtn");  // no such button: nothing happens
        window.Close(IDOK);
    });
    EXPECT_EQ(CPaintManagerUI::MessageLoop(), 3);
    EXPECT_EQ(window.GetHWND(), nullptr);
}

TEST(UikitWindow, HoverSetsCursorAndToolTip) {
    SkinFolder skins;
    TestWindow window("<Window size=\"200,100\"><HorizontalLayout name=\"root\">"
                      "<Edit name=\"e\" tooltip=\"app_title\"/><Button name=\"b\" cursor=\"hand\" tooltip=\"Press\"/>"
                      "</HorizontalLayout></Window>");
    CResourceManager::GetInstance()->AddText("app_title", "Translated tip");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    ASSERT_TRUE(input.MoveTo("e"));
    EXPECT_EQ(input.Target()->Cursor(), CursorKind::IBeam);
    EXPECT_EQ(input.Target()->ToolTip(), "Translated tip");
    ASSERT_TRUE(input.MoveTo("b"));
    EXPECT_EQ(input.Target()->Cursor(), CursorKind::Hand);
    EXPECT_EQ(input.Target()->ToolTip(), "Press");
    window.Destroy();
}

}  // namespace
}  // namespace uikittest
