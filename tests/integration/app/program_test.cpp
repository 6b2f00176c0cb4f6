// The kx58 program itself on the headless backend: one instance at a time, and an orderly end
// on SIGTERM that gives the instance up only when everything else is done.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

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
    // What killed settings writes of earlier runs left behind.
    const std::string settings = session.ConfigHome() + "/KX58RGBVs Device/";
    std::filesystem::create_directories(settings);
    for (const char* name : {"registry.json.tmp-a1B2c3", "registry.json.tmp-Zz9Yy8"})
        kx58test::WriteWholeFile(settings + name, "{\"SOFT");
    kx58test::WriteWholeFile(settings + "notes.tmp-keep", "mine");

    PeerProcess first({}, "kx58");
    ASSERT_TRUE(kx58test::WaitUntil([] { return FindWindow(std::string(kMainWindowClass), std::string(kAppName)) != nullptr; }));
    EXPECT_TRUE(NamedMutex::Exists(kAppName));
    EXPECT_FALSE(PathExists(settings + "registry.json.tmp-a1B2c3"));
    EXPECT_FALSE(PathExists(settings + "registry.json.tmp-Zz9Yy8"));
    EXPECT_TRUE(PathExists(settings + "notes.tmp-keep"));

    PeerProcess second({}, "kx58");
    EXPECT_TRUE(ExitedWith(second.Wait(), 0));
    EXPECT_NE(FindWindow(std::string(kMainWindowClass), std::string(kAppName)), nullptr);  // the first still runs

    first.Kill(SIGTERM);
    EXPECT_TRUE(ExitedWith(first.Wait(), 0));
    EXPECT_FALSE(NamedMutex::Exists(kAppName));
    EXPECT_EQ(FindWindow(std::string(kMainWindowClass), std::string(kAppName)), nullptr);
}

// Each way the session's runtime folder or message table can be unusable: the program says
// why on stderr and ends with status 1 instead of vanishing silently.
TEST(Program, WithoutAUsableRuntimeFolderItSaysWhyAndExitsNonZero) {
    using Prepare = void (*)(const std::string& runtime);
    const struct {
        const char* name;
        Prepare prepare;
        const char* said;
    } cases[] = {
        {"open to others", [](const std::string& r) { mkdir(r.c_str(), 0755); chmod(r.c_str(), 0755); }, "must be 0700"},
        {"another user's", [](const std::string& r) { mkdir(r.c_str(), 0700); chown(r.c_str(), 4321, 4321); }, "another user"},
        {"a file", [](const std::string& r) { kx58test::WriteWholeFile(r, "x"); }, "is not a folder"},
        {"table is a folder", [](const std::string& r) { mkdir(r.c_str(), 0700); mkdir((r + "/messages.txt").c_str(), 0700); },
         "message table"},
        {"table is full",
         [](const std::string& r) {
             mkdir(r.c_str(), 0700);
             std::string names;
             for (UINT n = kRegisteredMessageFirst; n <= kRegisteredMessageLast; ++n) names += "name" + std::to_string(n) + "\n";
             kx58test::WriteWholeFile(r + "/messages.txt", names);
         },
         "is full"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kx58test::IsolatedSession session;
        kx58test::ScopedEnv backend("KX58_UI", "headless");
        kx58test::ScopedEnv hid("KX58_HID", "vhid");
        mkdir(session.RuntimeDir().c_str(), 0700);
        c.prepare(session.RuntimeDir() + "/kx58");
        PeerProcess program({}, "kx58", PeerProcess::Stderr::IntoLines);
        std::string said;
        while (auto line = program.ReadLine()) said += *line + "\n";
        program.Kill(SIGKILL);  // one that ran on instead of ending has failed
        EXPECT_TRUE(ExitedWith(program.Wait(), 1)) << said;
        EXPECT_NE(said.find("kx58: cannot start: "), std::string::npos) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
}

}  // namespace
