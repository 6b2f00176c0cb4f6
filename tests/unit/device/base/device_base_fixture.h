#pragma once
// A headless main window with the device tab strip and page switch, pages built from skin
// XML as the program builds them, and simulated products on a private virtual bus.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_option_ui.h"
#include "device/hid/hid_path.h"
#include "device/quorin_products.h"
#include "devsim/firmware_product.h"
#include "devsim/virtual_bus.h"
#include "support/temp_dir.h"
#include "uikit/window.h"

namespace devbasetest {

using namespace kx58;

// The page's key controls (the editors' class is not part of the device layer).
class TestKeyButton : public ui::CButtonUI {
public:
    std::string GetClass() const override { return "DeviceKeyButton"; }
};

struct LinkMessage {
    WPARAM tab;
    LPARAM up;
    bool tabWasConnected;  // the tab's state when the main window was told
};

class MainWindowStub : public ui::WindowImplBase {
public:
    std::string GetWindowClassName() const override { return "MainWnd"; }
    std::string GetSkinFile() override;
    ui::CControlUI* CreateControl(const std::string& className) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    ui::CContainerUI& Strip();
    std::vector<LinkMessage> linkMessages;
    std::vector<WPARAM> powerLevels;  // byte 4 of each power status the devices posted
};

// Collects traces for the test's lifetime.
class TraceLog {
public:
    TraceLog();
    ~TraceLog();
    std::size_t Count(const std::string& text) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

class DeviceBaseFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::shared_ptr<devsim::FirmwareProduct> Plug(const std::string& name);
    // The table row with its path on the private bus, present.
    DeviceMatchEntry Row(std::size_t index) const;
    std::string PathOf(const DeviceMatchEntry& row) const;

    // A keyboard page with its tab, set up in the main window's order.
    struct Page {
        CQuorinKeyboardDevice* device;
        CDeviceOptionUI* tab;
    };
    Page AddKeyboardPage();

    kx58test::IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    kx58test::ScopedEnv busDir{"KX58_VHID_DIR", folder};
    kx58test::ScopedEnv backend{"KX58_HID", "vhid"};
    TraceLog traces;
    std::map<std::string, std::shared_ptr<devsim::FirmwareProduct>> products;
    devsim::VirtualBus bus;
    DeviceTable table = SupportedDevices();
    std::unique_ptr<MainWindowStub> window;
};

}  // namespace devbasetest
