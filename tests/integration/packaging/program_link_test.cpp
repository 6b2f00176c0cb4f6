// The package keeps the program beside its data in /usr/lib/kx58 and puts only a relative link
// to it in /usr/bin: started through that link, the program must still find its skin and data.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/temp_dir.h"
#include "support/wait_until.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Starts `program` with its stdout and stderr going into `log`.
pid_t StartLogged(const std::string& program, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string argv0 = program;
    char* argv[] = {argv0.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The layout the package installs, under `root`: lib/kx58 holds the program (here a link to
// the build's folder) and bin/kx58 links to it the way the package's link does.
std::string InstallLinkedLayout(const std::string& root) {
    fs::create_directories(root + "/bin");
    fs::create_directories(root + "/lib");
    fs::create_directory_symlink(fs::path(KX58_PATH).parent_path(), root + "/lib/kx58");
    fs::create_symlink("../lib/kx58/kx58", root + "/bin/kx58");
    return root + "/bin/kx58";
}

TEST(ProgramLink, StartedThroughTheLinkInBinTheProgramFindsItsSkinAndDataBesideItsRealFile) {
    kx58test::IsolatedSession session;
    kx58test::ScopedEnv backend("KX58_UI", "headless");
    kx58test::ScopedEnv trace("KX58_TRACE", "1");
    kx58test::ScopedEnv hid("KX58_HID", "vhid");
    kx58test::ScopedEnv bus("KX58_VHID_DIR", session.Root() + "/vhid");
    const std::string link = InstallLinkedLayout(session.Root() + "/usr");
    const std::string log = session.Root() + "/kx58.log";

    const pid_t pid = StartLogged(link, log);
    ASSERT_GT(pid, 0);
    const auto said = [&] { return kx58test::ReadWholeFile(log); };
    const std::regex sized("main window: [0-9]+x[0-9]+ at");
    const bool shown = kx58test::WaitUntil([&] { return std::regex_search(said(), sized); });
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);

    const std::string traced = said();
    ASSERT_TRUE(shown) << traced;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << traced;
    // A program looking beside the link would name files under usr/bin and miss its skin.
    EXPECT_EQ(traced.find("uikit: cannot"), std::string::npos) << traced;
    EXPECT_EQ(traced.find("skin lacks"), std::string::npos) << traced;
    EXPECT_EQ(traced.find(session.Root() + "/usr/bin/"), std::string::npos) << traced;
}

}  // namespace
