#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/wait.h>

#include "support/temp_dir.h"
#include "uikit/backend_choice.h"
#include "uikit/headless_backend.h"

namespace {

using namespace kx58::ui;

TEST(BackendChoice, ReadsTheEnvironmentValue) {
    EXPECT_EQ(ParseBackendChoice(nullptr), BackendChoice::Gtk);
    EXPECT_EQ(ParseBackendChoice(""), BackendChoice::Gtk);
    EXPECT_EQ(ParseBackendChoice("gtk"), BackendChoice::Gtk);
    EXPECT_EQ(ParseBackendChoice("GTK"), BackendChoice::Gtk);
    EXPECT_EQ(ParseBackendChoice("headless"), BackendChoice::Headless);
    EXPECT_EQ(ParseBackendChoice("Headless"), BackendChoice::Headless);
    EXPECT_EQ(ParseBackendChoice("qt"), BackendChoice::Unknown);
}

TEST(BackendChoice, InstallsHeadlessOnRequestAndRefusesUnknownNames) {
    std::string error;
    {
        kx58test::ScopedEnv ui("KX58_UI", "headless");
        EXPECT_TRUE(InstallChosenBackend(error));
        EXPECT_EQ(CurrentBackend().Name(), "headless");
    }
    kx58test::ScopedEnv ui("KX58_UI", "qt");
    EXPECT_FALSE(InstallChosenBackend(error));
    EXPECT_NE(error.find("KX58_UI=qt"), std::string::npos) << error;
    EXPECT_EQ(CurrentBackend().Name(), "headless");
}

std::string RunCapturingStderr(const std::string& command, int& exitCode) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    const int status = pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

// The program started without a display and without the headless choice says so and fails.
TEST(BackendChoice, AProgramWithoutADisplayPrintsAClearErrorAndExitsNonZero) {
    int code = 0;
    const std::string output = RunCapturingStderr(
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u KX58_UI ") + KX58_GALLERY_PROGRAM + " --quit-after-ms 1", code);
    EXPECT_EQ(code, 1) << output;
    EXPECT_NE(output.find("uikit-gallery: no display"), std::string::npos) << output;
    EXPECT_NE(output.find("KX58_UI=headless"), std::string::npos) << output;

    // With the headless choice the same program runs and ends by itself.
    const std::string headless = RunCapturingStderr(
        std::string("env -u DISPLAY KX58_UI=headless ") + KX58_GALLERY_PROGRAM + " --quit-after-ms 300", code);
    EXPECT_EQ(code, 0) << headless;
    EXPECT_NE(headless.find("first paint done"), std::string::npos) << headless;
}

}  // namespace
