// The devsim and kx58ctl programs as a user runs them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace {

// devsim with its standard input and output on pipes.
class DevsimProcess {
public:
    explicit DevsimProcess(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        std::vector<char*> argv;
        std::string program = DEVSIM_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, DEVSIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = fdopen(out[0], "r");
    }
    ~DevsimProcess() {
        if (toChild_ >= 0) close(toChild_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (fromChild_) std::fclose(fromChild_);
    }
    std::string ReadLine() {
        char line[4096];
        if (!fromChild_ || !std::fgets(line, sizeof line, fromChild_)) return "<eof>";
        std::string text = line;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }
    std::string Command(const std::string& command) {
        const std::string line = command + "\n";
        if (write(toChild_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "<write failed>";
        return ReadLine();
    }
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    std::FILE* fromChild_ = nullptr;
};

std::string RunKx58ctl(const std::string& args) {
    std::string output;
    std::FILE* pipe = popen((std::string(KX58CTL_PATH) + " " + args).c_str(), "r");
    if (!pipe) return output;
    char chunk[1024];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    pclose(pipe);
    return output;
}

class DevsimProgramTest : public ::testing::Test {
protected:
    kx58test::IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    kx58test::ScopedEnv busDir{"KX58_VHID_DIR", folder};
    kx58test::ScopedEnv backend{"KX58_HID", "vhid"};
};

TEST_F(DevsimProgramTest, Kx58ctlListsTheKeyboardRowsWhileDevsimRuns) {
    DevsimProcess devsim({"--dir", folder, "kb"});
    ASSERT_EQ(devsim.ReadLine(), "ready " + folder);
    const std::string listing = RunKx58ctl("list");
    EXPECT_NE(listing.find("0\tkeyboard\tcommand\tff1c/0092\tvhid:" + folder +
                           "/kb-if1.sock#vid_320f&pid_501d&mi_01&col04\n"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("1\tkeyboard\tconsumer\t000c/0001\tvhid:" + folder +
                           "/kb-if1.sock#vid_320f&pid_501d&mi_01&col03\n"),
              std::string::npos)
        << listing;
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 2);

    // Plug and unplug at run time through the command lines.
    EXPECT_EQ(devsim.Command("plug headset"), "ok");
    EXPECT_EQ(devsim.Command("plug headset").rfind("error", 0), 0u);
    EXPECT_EQ(devsim.Command("unplug kb"), "ok");
    EXPECT_EQ(devsim.Command("list"), "ok headset");
    EXPECT_EQ(devsim.Command("emit headset 3 01"), "ok");
    EXPECT_EQ(devsim.Command("emit headset 3 zz").rfind("error", 0), 0u);
    EXPECT_EQ(devsim.Command("fly away").rfind("error", 0), 0u);
    const std::string after = RunKx58ctl("list");
    EXPECT_NE(after.find("10\theadset\tcommand"), std::string::npos) << after;
    EXPECT_EQ(after.find("keyboard"), std::string::npos) << after;

    EXPECT_EQ(devsim.Command("quit"), "ok");
    EXPECT_EQ(devsim.Wait(), 0);
    // A clean exit leaves no interface behind.
    EXPECT_NE(access((folder + "/headset-if3.sock").c_str(), F_OK), 0);
    EXPECT_NE(access((folder + "/headset-if3.json").c_str(), F_OK), 0);
}

TEST_F(DevsimProgramTest, UnknownProductsAndBadOptionsAreRefused) {
    DevsimProcess unknown({"--dir", folder, "toaster"});
    EXPECT_EQ(unknown.Wait(), 1);
    DevsimProcess badOption({"--frobnicate"});
    EXPECT_EQ(badOption.Wait(), 2);
    EXPECT_EQ(RunKx58ctl("list"), "no supported device attached\n");
}

}  // namespace
