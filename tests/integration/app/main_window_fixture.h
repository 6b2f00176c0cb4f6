#pragma once
// The real main window on the headless backend, with simulated products on a private virtual
// HID bus and a private session (runtime, data and configuration folders).
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/quorin_products.h"
#include "devsim/firmware_rack.h"
#include "devsim/virtual_bus.h"
#include "platform/debug_trace.h"
#include "support/temp_dir.h"
#include "ui/main_wnd.h"
#include "uikit/headless_backend.h"

namespace kx58test {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest();
    ~MainWindowTest() override;
    void SetUp() override;
    void TearDown() override;

    // Creates the window as the entry does and runs until the first scan has shown it.
    void OpenWindow();
    // Runs the window's loop until `done` holds; false after `timeoutMs`.
    bool RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs = 20000);
    // Closes the window (tray menu "exit") and runs until it is gone.
    void CloseWindow();

    kx58::ui::HeadlessWindow* Backend() const;
    kx58::ui::CControlUI* Find(const std::string& name) const;
    const kx58::DevicePage& Page(const char* typeName) const;
    bool TabShown(const char* typeName) const;
    void Click(const std::string& name);
    std::size_t TraceCount(const std::string& part) const;
    // Plugs `product`, opens the window and shows the page of `typeName` once `readBack` holds
    // and its light thread runs; null (and a failure) when it does not come.
    kx58::CQuorinUSBDevice* ShowPage(const std::string& product, const char* typeName,
                                     const std::function<bool(kx58::CQuorinUSBDevice&)>& readBack);
    // Plugs `product`, opens the window and shows the keyboard's page once the keyboard has
    // been read back and its light thread runs; null (and a failure) when it does not come.
    kx58::CQuorinKeyboardDevice* ShowKeyboardPage(const std::string& product = "kb");
    // The same for the mouse: plugged, read back, its page shown.
    kx58::CQuorinMouseDevice* ShowMousePage(const std::string& product = "mouse");
    // The same for the mouse pad.
    kx58::CQuorinMousePadDevice* ShowPadPage(const std::string& product = "pad");
    // Answers the next message box as the user would; `said` collects what the boxes said.
    void AnswerNextMessage(bool confirm);
    std::vector<std::string> said;

    IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    ScopedEnv busDir{"KX58_VHID_DIR", folder};
    ScopedEnv hidBackend{"KX58_HID", "vhid"};
    // No input device of the machine: a recording reads the window and what a test injects.
    ScopedEnv inputDevices{"KX58_INPUT_DEVICES", session.Root() + "/no-input"};
    devsim::VirtualBus bus;
    std::unique_ptr<devsim::FirmwareRack> rack;
    std::unique_ptr<kx58::ui::HeadlessBackend> ownBackend;
    std::unique_ptr<kx58::CMainWnd> window;

private:
    mutable std::mutex traceMutex_;
    std::vector<std::string> traces_;
    kx58::TraceSink previousSink_;
};

}  // namespace kx58test
