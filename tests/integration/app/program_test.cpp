// The kx58 program itself on the headless backend: one instance at a time, and an orderly end
// on SIGTERM that gives the instance up only when everything else is done.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>

#include "platform/folders.h"
#include "platform/named_mutex.h"
#include "platform/session_bus.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/main_wnd.h"
#include "unit/platform/peer_process.h"

namespace {

using namespace kx58;

bool ExitedWith(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

TEST(Program, ASecondStartExitsAtOnceAndTheFirstEndsInOrderOnSigterm) {
    kx58test::IsolatedSession session;
    kx58test::ScopedEnv backend("KX58_UI", "headless");
    kx58test::ScopedEnv busDir("KX58_VHID_DIR", session.Root() + "/vhid");
    kx58test::ScopedEnv hid("KX58_HID", "vhid");

    PeerProcess first({}, "kx58");
    ASSERT_TRUE(kx58test::WaitUntil([] { return FindWindow(std::string(kMainWindowClass), std::string(kAppName)) != nullptr; }));
    EXPECT_TRUE(NamedMutex::Exists(kAppName));

    PeerProcess second({}, "kx58");
    EXPECT_TRUE(ExitedWith(second.Wait(), 0));
    EXPECT_NE(FindWindow(std::string(kMainWindowClass), std::string(kAppName)), nullptr);  // the first still runs

    first.Kill(SIGTERM);
    EXPECT_TRUE(ExitedWith(first.Wait(), 0));
    EXPECT_FALSE(NamedMutex::Exists(kAppName));
    EXPECT_EQ(FindWindow(std::string(kMainWindowClass), std::string(kAppName)), nullptr);
}

}  // namespace
