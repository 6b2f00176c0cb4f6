#include "integration/app/shell_windows_fixture.h"

#include "uikit/file_dialog.h"

namespace kx58test {

using namespace kx58;

void ShellWindowsTest::SetUp() {
    MainWindowTest::SetUp();
    // No dialog answers unless a test says what the user picks.
    ui::SetFileDialogHook([](const ui::FileDialogRequest&) { return std::optional<std::string>(); });
}

void ShellWindowsTest::TearDown() {
    ui::SetFileDialogHook(nullptr);
    MainWindowTest::TearDown();
}

ui::WindowImplBase* ShellWindowsTest::OpenWindowOfClass(const std::string& className) {
    ui::HeadlessWindow* found = ui::HeadlessBackend::Get()->FindWindowByClass(className);
    return found ? dynamic_cast<ui::WindowImplBase*>(found->Host()) : nullptr;
}

void ShellWindowsTest::WhenOpen(const std::string& className, std::function<void(ui::WindowImplBase&)> steps) {
    ui::HeadlessBackend::Get()->PostIdleAction([className, steps] {
        if (ui::WindowImplBase* window = OpenWindowOfClass(className)) return steps(*window);
        WhenOpen(className, steps);  // not open yet: look again on the next idle turn
    });
}

void ShellWindowsTest::ClickIn(ui::WindowImplBase& window, const std::string& name) {
    ui::HeadlessInput input(window);
    EXPECT_TRUE(input.Click(name)) << name;
}

std::string ShellWindowsTest::ShownText(ui::WindowImplBase& window, const std::string& name) {
    ui::CControlUI* control = window.GetPaintManager().FindControl(name);
    EXPECT_NE(control, nullptr) << name;
    return control ? control->GetText() : std::string();
}

}  // namespace kx58test
