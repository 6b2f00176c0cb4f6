// The settings window's update page against a local update service, and the upgrade launch
// asked for by the upgrade program's message.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "integration/app/shell_windows_fixture.h"
#include "net/update_check.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "support/http_server.h"
#include "ui/app_messages.h"
#include "ui/set_wnd.h"
#include "uikit/list.h"

extern char** environ;

namespace kx58test {
namespace {

using namespace kx58;

const std::string kApplicationKey = "app_key=Orvik_0_ALL_AP_1&version=" + std::to_string(InstalledApplicationVersion());
const std::string kKeyboardKey = "app_key=Orvik_1_KX58_KB_20509&version=102";  // the simulated keyboard's firmware 1.02

std::string Reply(const std::string& version, const std::string& versionName) {
    return R"({"name": "KX58", "version": ")" + version + R"(", "version_name": ")" + versionName +
           R"(", "path": "http://127.0.0.1/pkg", "device_id": 7})";
}

class UpdatePageTest : public ShellWindowsTest {
protected:
    CSetWnd* Settings(ui::WindowImplBase& window) { return dynamic_cast<CSetWnd*>(&window); }
    // The state text of row `row` of the update list.
    static std::string RowState(ui::WindowImplBase& settings, int row) {
        auto* list = dynamic_cast<ui::CListUI*>(settings.GetPaintManager().FindControl("device_update_list_info"));
        auto* item = list ? dynamic_cast<CUpdateInfoListItemUI*>(list->GetItemAt(row)) : nullptr;
        return item ? item->StateText() : "(no row " + std::to_string(row) + ")";
    }
    // Opens the settings window with the setting button, waits for the check to end and runs `look`.
    void CheckAndLook(const std::function<void(CSetWnd&)>& look) {
        bool looked = false;
        WhenOpen("SetWnd", [&](ui::WindowImplBase& window) {
            CSetWnd* settings = Settings(window);
            ASSERT_NE(settings, nullptr);
            EXPECT_TRUE(RunUntil([&] { return settings->CurrentStatus() != CSetWnd::Status::Checking; }));
            ClickIn(window, "set_in_update_wnd_btn");
            look(*settings);
            looked = true;
            ClickIn(window, "closebtn");
        });
        Click("setbtn");
        EXPECT_TRUE(looked);
    }
    std::string UpdateTimeFile() const { return Folders::UserData() + "updatetime.config"; }
};

TEST_F(UpdatePageTest, EachConnectedProductAndTheProgramAreAskedOnceAndTheirAnswersShown) {
    LocalHttpServer service;
    ASSERT_TRUE(service.Running()) << service.Problem();
    service.SetReplyWhenBodyHas("KX58_KB", 200, Reply("0103", "V1.03"));
    service.SetReplyWhenBodyHas("ALL_AP", 200, Reply(std::to_string(InstalledApplicationVersion()), "V-app"));
    ScopedEnv address("KX58_UPDATE_SERVICE", service.BaseUrl());
    ASSERT_NE(ShowKeyboardPage(), nullptr);

    CheckAndLook([&](CSetWnd& settings) {
        EXPECT_EQ(settings.CurrentStatus(), CSetWnd::Status::HaveUpdate);
        EXPECT_EQ(ShownText(settings, "Update_Status_text"), "An update is available");
        EXPECT_TRUE(settings.GetPaintManager().FindControl("update_tishi_layout")->IsVisible());
        EXPECT_EQ(RowState(settings, 0), "Update available");
        EXPECT_EQ(RowState(settings, 1), "Up to date");
        EXPECT_EQ(ShownText(settings, "update_item_server"), "V0103");  // the first row's
        EXPECT_EQ(ShownText(settings, "update_item_local"), "V0102");
    });
    const std::vector<HttpRecordedRequest> requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const HttpRecordedRequest& request : requests) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/api/updates");
    }
    // The body goes with its terminating zero.
    EXPECT_EQ(requests[0].body, kKeyboardKey + std::string(1, '\0'));
    EXPECT_EQ(requests[1].body, kApplicationKey + std::string(1, '\0'));
    EXPECT_EQ(ReadUpdateTime(Folders::UserData()), UpdateDateToday());
}

TEST_F(UpdatePageTest, AllUpToDateShowsTheDateOfTheCheckAndClearsTheUpdateMark) {
    LocalHttpServer service({.body = Reply(std::to_string(InstalledApplicationVersion()), "V-app")});
    ASSERT_TRUE(service.Running()) << service.Problem();
    ScopedEnv address("KX58_UPDATE_SERVICE", service.BaseUrl());
    ASSERT_TRUE(WriteUpdateTime(Folders::UserData(), "2020-1-2"));
    OpenWindow();
    Find("setbtn")->SetForeImage("common/dot.png");

    CheckAndLook([&](CSetWnd& settings) {
        EXPECT_EQ(settings.CurrentStatus(), CSetWnd::Status::UpToDate);
        EXPECT_EQ(ShownText(settings, "Update_Status_text"), "Everything is up to date. Last checked: " + UpdateDateToday());
        EXPECT_EQ(RowState(settings, 0), "Up to date");
        EXPECT_EQ(Find("setbtn")->GetForeImage(), "");
    });
    EXPECT_EQ(service.Requests().size(), 1u);  // no device: the program alone
}

TEST_F(UpdatePageTest, AnUnreachableServiceShowsNoConnectionAndKeepsTheStoredDate) {
    RefusingLocalPort refusing;
    ScopedEnv address("KX58_UPDATE_SERVICE", "http://127.0.0.1:" + std::to_string(refusing.Port()));
    ASSERT_TRUE(WriteUpdateTime(Folders::UserData(), "2020-1-2"));
    OpenWindow();

    CheckAndLook([&](CSetWnd& settings) {
        EXPECT_EQ(settings.CurrentStatus(), CSetWnd::Status::NoInfo);
        EXPECT_EQ(ShownText(settings, "Update_Status_text"), "The update service could not be reached");
        EXPECT_EQ(RowState(settings, 0), "No connection");
    });
    EXPECT_EQ(ReadUpdateTime(Folders::UserData()), "2020-1-2");
}

TEST_F(UpdatePageTest, AReplyThatIsNotTheServicesIsAFailedCheckNeverUpToDate) {
    LocalHttpServer service({.body = "<html><body>portal login</body></html>"});
    ASSERT_TRUE(service.Running()) << service.Problem();
    ScopedEnv address("KX58_UPDATE_SERVICE", service.BaseUrl());
    ASSERT_FALSE(ReadUpdateTime(Folders::UserData()));
    OpenWindow();

    CheckAndLook([&](CSetWnd& settings) {
        EXPECT_EQ(settings.CurrentStatus(), CSetWnd::Status::NoInfo);
        EXPECT_EQ(RowState(settings, 0), "Check failed");
    });
    // A first opening notes the day even when nothing could be checked.
    EXPECT_EQ(ReadUpdateTime(Folders::UserData()), UpdateDateToday());
}

TEST_F(UpdatePageTest, ClosingTheWindowDuringAHangingQueryEndsTheWorker) {
    LocalHttpServer service({.mode = HttpServerMode::NeverAnswer});
    ASSERT_TRUE(service.Running()) << service.Problem();
    ScopedEnv address("KX58_UPDATE_SERVICE", service.BaseUrl());
    OpenWindow();
    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        EXPECT_TRUE(service.WaitForRequests(1));
        EXPECT_EQ(Settings(settings)->CurrentStatus(), CSetWnd::Status::Checking);
        ClickIn(settings, "closebtn");
    });
    Click("setbtn");
    EXPECT_EQ(OpenWindowOfClass("SetWnd"), nullptr);
    // The window is gone and nothing it owned is touched by the late answer.
    service.Stop();
    EXPECT_TRUE(RunUntil([&] { return TraceCount("update check: Orvik_0_ALL_AP_1") > 0; }, 60000));
    ui::HeadlessBackend::Get()->RunUntilIdle();
}

// The upgrade program asks through kx58ctl, as it would from outside.
class UpgradeLaunchTest : public ShellWindowsTest {
protected:
    void SetUp() override {
        ShellWindowsTest::SetUp();
        ASSERT_TRUE(CreateFolders(updateFolder));
    }
    void WriteUpgradeProgram() {
        const std::string program = updateFolder + kUpgradeProgramName;
        std::ofstream(program) << "#!/bin/sh\ncd \"$(dirname \"$0\")\" && echo \"$*\" > '" << noted << "'\n";
        ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    }
    void SendFromOutside(const std::string& lParam) {
        const std::string tool = Folders::Program() + "kx58ctl";
        std::vector<std::string> args = {tool, "start-upgrade", lParam};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        int status = -1;
        ASSERT_TRUE(RunUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
        EXPECT_EQ(status, 0);
    }
    std::string updateFolder = session.Root() + "/Update/";
    std::string noted = session.Root() + "/upgrade-args";
};

TEST_F(UpgradeLaunchTest, BelowTheAnnounceValueTheUserIsAskedAndTheUpgradeProgramStarted) {
    WriteUpgradeProgram();
    OpenWindow();
    window->SetUpgradeFolder(updateFolder);
    AnswerNextMessage(true);
    SendFromOutside("100");
    ASSERT_TRUE(RunUntil([&] { return !said.empty(); }));
    EXPECT_EQ(said[0], "Close the program and start the firmware upgrade now?");
    EXPECT_TRUE(RunUntil([&] { return ReadWholeFile(noted) == "On the upgrade\n"; }));
    EXPECT_FALSE(IsUpgradePending());
}

TEST_F(UpgradeLaunchTest, AnAnnounceValueOnlyNotesThePendingUpgrade) {
    WriteUpgradeProgram();
    OpenWindow();
    window->SetUpgradeFolder(updateFolder);
    SendFromOutside("300");
    ASSERT_TRUE(RunUntil([] { return IsUpgradePending(); }));
    EXPECT_EQ(OpenWindowOfClass("msgwnd"), nullptr);
    EXPECT_EQ(ReadWholeFile(noted), "");
}

TEST_F(UpgradeLaunchTest, AMissingUpgradeProgramIsToldNotSilentlyIgnored) {
    OpenWindow();
    window->SetUpgradeFolder(updateFolder);
    AnswerNextMessage(true);
    AnswerNextMessage(true);
    SendFromOutside("0");
    ASSERT_TRUE(RunUntil([&] { return said.size() == 2; }));
    EXPECT_EQ(said[1], "The upgrade program is missing from the Update folder.");
    EXPECT_TRUE(IsWindow(window->GetHWND()));
}

}  // namespace
}  // namespace kx58test
