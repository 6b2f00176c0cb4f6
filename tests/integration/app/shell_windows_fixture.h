#pragma once
// The main window with its auxiliary windows: finding an open one by its class, and acting in
// a modal one from inside its own loop (the test's steps run when that loop is idle).
#include <functional>
#include <string>

#include "integration/app/main_window_fixture.h"
#include "uikit/headless_input.h"

namespace kx58test {

class ShellWindowsTest : public MainWindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The open window of `className`, or null.
    static kx58::ui::WindowImplBase* OpenWindowOfClass(const std::string& className);
    // Runs `steps` once a window of `className` is open (inside its modal loop, if it has one).
    static void WhenOpen(const std::string& className, std::function<void(kx58::ui::WindowImplBase&)> steps);
    // Clicks a control of an auxiliary window as a user would.
    static void ClickIn(kx58::ui::WindowImplBase& window, const std::string& name);
    // The text a control of an auxiliary window shows (its language text).
    static std::string ShownText(kx58::ui::WindowImplBase& window, const std::string& name);

    ScopedEnv updateService{"KX58_UPDATE_SERVICE", ""};
};

}  // namespace kx58test
