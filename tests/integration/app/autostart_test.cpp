// The start with the desktop session: the settings window's switch writes and removes the
// session's autostart entry, and a start from that entry waits in the tray.
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "integration/app/shell_windows_fixture.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "support/wait_until.h"
#include "ui/autostart.h"
#include "uikit/button.h"
#include "unit/platform/peer_process.h"

namespace kx58test {
namespace {

using namespace kx58;

bool AutostartShown(ui::WindowImplBase& settings) {
    auto* option = dynamic_cast<ui::COptionUI*>(settings.GetPaintManager().FindControl("autostart_option"));
    EXPECT_NE(option, nullptr);
    return option && option->IsSelected();
}

class AutostartTest : public ShellWindowsTest {
protected:
    void OpenSettings() {
        ui::MenuCmd command{};
        command.name = "setwnd_menu";
        SendMessage(window->GetHWND(), WM_MENU_COMMAND, 0, reinterpret_cast<LPARAM>(&command));
    }
    std::string entry = session.ConfigHome() + "/autostart/kx58.desktop";
};

TEST_F(AutostartTest, TheSwitchWritesTheEntryThatStartsThisProgramHiddenAndRemovesIt) {
    OpenWindow();
    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        EXPECT_FALSE(AutostartShown(settings));
        ClickIn(settings, "autostart_option");
        EXPECT_TRUE(AutostartShown(settings));
        const std::string text = kx58test::ReadWholeFile(entry);
        EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
        EXPECT_NE(text.find("\nExec=\"" + Folders::Program() + "kx58\" --hidden\n"), std::string::npos) << text;
        ClickIn(settings, "autostart_option");
        EXPECT_FALSE(AutostartShown(settings));
        EXPECT_FALSE(PathExists(entry));
        ClickIn(settings, "autostart_option");
        ClickIn(settings, "closebtn");
    });
    OpenSettings();
    // The entry names the program itself, and the program takes the entry's option.
    EXPECT_EQ(access((Folders::Program() + "kx58").c_str(), X_OK), 0);
    // The next opening shows what the session will do.
    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        EXPECT_TRUE(AutostartShown(settings));
        ClickIn(settings, "closebtn");
    });
    OpenSettings();
    EXPECT_TRUE(PathExists(entry));
}

TEST_F(AutostartTest, WhereTheEntryCannotBeWrittenTheSwitchStaysOff) {
    // The session's autostart folder is taken by a file.
    CreateFolders(session.ConfigHome());
    kx58test::WriteWholeFile(session.ConfigHome() + "/autostart", "not a folder");
    OpenWindow();
    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        ClickIn(settings, "autostart_option");
        EXPECT_FALSE(AutostartShown(settings));
        ClickIn(settings, "closebtn");
    });
    OpenSettings();
    EXPECT_EQ(TraceCount("autostart: " + entry + " cannot be written"), 1u);
    EXPECT_EQ(kx58test::ReadWholeFile(session.ConfigHome() + "/autostart"), "not a folder");
}

TEST_F(AutostartTest, StartedInTheTrayTheWindowStaysHiddenUntilTheTrayIconIsClicked) {
    ASSERT_TRUE(rack->Plug("kb"));
    window = std::make_unique<CMainWnd>();
    window->StartInTray();
    ASSERT_TRUE(window->Create(nullptr, kAppName, ui::UI_WNDSTYLE_FRAME & ~ui::WS_VISIBLE, 0, 0, 0, kMainWindowWidth,
                               kMainWindowHeight));
    // The first scan is done and the keyboard attached: the window would show now.
    ASSERT_TRUE(RunUntil([&] { return TraceCount("软件标示 ") >= 1 && TabShown("keyboard"); }));
    ui::HeadlessBackend::Get()->RunUntilIdle();
    EXPECT_FALSE(window->IsWindowVisible());
    EXPECT_TRUE(window->Tray().IsCreated());
    window->Tray().Click(false);
    ASSERT_TRUE(RunUntil([&] { return window->IsWindowVisible(); }));
    EXPECT_FALSE(window->IsStayingInTray());
}

// The desktop reads the entry: a program in a folder whose name holds every character the
// entry's quoting must protect is started with exactly its path and the option.
TEST(AutostartEntry, TheDesktopStartsTheNamedProgramWithTheHiddenOption) {
    TempDir dir;
    const std::string folder = dir / "odd \"name\" $HOME back\\slash `tick`";
    ASSERT_TRUE(CreateFolders(folder));
    const std::string program = folder + "/kx58";
    kx58test::WriteWholeFile(program, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$KX58_TEST_ARGS.tmp\"\n"
                                       "mv \"$KX58_TEST_ARGS.tmp\" \"$KX58_TEST_ARGS\"\n");
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    const std::string entry = dir / "kx58.desktop";
    kx58test::WriteWholeFile(entry, AutostartEntryText(program));
    ScopedEnv args("KX58_TEST_ARGS", dir / "args");
    ScopedEnv noSessionBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir / "no-bus");

    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.c_str());
    ASSERT_NE(info, nullptr) << kx58test::ReadWholeFile(entry);
    EXPECT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, nullptr));
    g_object_unref(info);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(dir / "args"); }));
    EXPECT_EQ(kx58test::ReadWholeFile(dir / "args"), program + "\n" + kStartHiddenOption + "\n");
    // Paths that no entry can hold are refused, not written half.
    EXPECT_EQ(AutostartEntryText("/opt/kx\n58/kx58"), "");
    EXPECT_EQ(AutostartEntryText("/opt/100%/kx58"), "");
}

TEST(Program, TheAutostartOptionStartsTheProgramAndAnUnknownOneIsRefused) {
    IsolatedSession session;
    ScopedEnv backend("KX58_UI", "headless");
    ScopedEnv busDir("KX58_VHID_DIR", session.Root() + "/vhid");
    ScopedEnv hid("KX58_HID", "vhid");
    ScopedEnv noSystemBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + session.Root() + "/no-bus");
    PeerProcess unknown({"--hiden"}, "kx58");
    const int refused = unknown.Wait();
    EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 2);

    PeerProcess hidden({kStartHiddenOption}, "kx58");
    ASSERT_TRUE(WaitUntil([] { return FindWindow(std::string(kMainWindowClass), std::string(kAppName)) != nullptr; }));
    hidden.Kill(SIGTERM);
    const int ended = hidden.Wait();
    EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == 0);
}

}  // namespace
}  // namespace kx58test
