#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <vector>

#include "platform/folders.h"
#include "platform/message_queue.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/app_messages.h"
#include "ui/main_wnd.h"

extern char** environ;

using namespace kx58;

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Runs kx58ctl while this thread keeps its message loop going; returns its exit code.
int RunKx58ctl(std::vector<std::string> args) {
    args.insert(args.begin(), KX58CTL_PATH);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, KX58CTL_PATH, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = -1;
    kx58test::WaitUntil([&] {
        MessageQueue::ForCurrentThread()->DispatchPending();
        return waitpid(pid, &status, WNOHANG) == pid;
    });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Kx58ctl, DrivesTheRunningProgramThroughItsMessages) {
    kx58test::IsolatedSession session;
    EXPECT_EQ(RunKx58ctl({"light-control", "off"}), 1);  // nothing runs yet
    EXPECT_EQ(RunKx58ctl({"instance"}), 1);

    const auto& messages = RegisterAppMessages();
    std::vector<Received> received;
    MessageWindow program([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        received.push_back({message, wParam, lParam});
        return 0;
    });
    ASSERT_TRUE(program.MakeReachable(kMainWindowClass, kAppName));
    const auto arrives = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        return kx58test::WaitUntil([&] {
            MessageQueue::ForCurrentThread()->DispatchPending();
            for (const auto& r : received)
                if (r.message == message && r.wParam == wParam && r.lParam == lParam) return true;
            return false;
        });
    };

    EXPECT_EQ(RunKx58ctl({"light-control", "off"}), 0);
    EXPECT_TRUE(arrives(messages.UWM_LIGHT_CONTROL_MSG, 1, 0));
    EXPECT_EQ(RunKx58ctl({"light-control", "on"}), 0);
    EXPECT_TRUE(arrives(messages.UWM_LIGHT_CONTROL_MSG, 1, 1));
    EXPECT_EQ(RunKx58ctl({"instance"}), 0);
    EXPECT_TRUE(arrives(messages.UWM_APP_INSTANCE_MSG, 0, 1));
    EXPECT_EQ(RunKx58ctl({"open-settings"}), 0);
    EXPECT_TRUE(arrives(WM_OPEN_SETWND, 0, 0));
    EXPECT_EQ(RunKx58ctl({"light-control", "dim"}), 2);
}
