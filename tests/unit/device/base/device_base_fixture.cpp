#include "device_base_fixture.h"

#include "platform/debug_trace.h"
#include "devsim/product_catalog.h"
#include "uikit/dialog_builder.h"

namespace devbasetest {
namespace {

constexpr const char* kMainSkin = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="800,572">
  <VerticalLayout name="root">
    <HorizontalLayout name="device_select_layout" height="40"/>
    <TabLayout name="device_power_switch" height="30"/>
    <TabLayout name="device_switch"/>
  </VerticalLayout>
</Window>)";

constexpr const char* kTabXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window><DeviceOption width="120">
  <Option name="device_select" group="device_tabs"/><Label name="device_select_name"/>
</DeviceOption></Window>)";

constexpr const char* kKeyboardPageXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window><QuorinKeyboardDevice>
  <Container name="SelectPanel">
    <DeviceKeyButton name="key_0"/><DeviceKeyButton name="key_1"/><DeviceKeyButton name="light_0"/>
  </Container>
</QuorinKeyboardDevice></Window>)";

// The simulator's product names by product id.
std::string ProductNameOf(std::uint16_t productId) {
    switch (productId) {
    case 0x5001: return "kb-rx";
    case 0x221C: return "mouse";
    case 0x221D: return "mouse-rx";
    case 0x1004: return "pad";
    case 0x1630: return "headset";
    default: return "kb";
    }
}

}  // namespace

std::string MainWindowStub::GetSkinFile() { return kMainSkin; }

ui::CControlUI* MainWindowStub::CreateControl(const std::string& className) {
    if (className == "DeviceKeyButton") return new TestKeyButton;
    return nullptr;
}

LRESULT MainWindowStub::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == WM_DEVICE_LINK_STATE) {
        ui::CControlUI* item = Strip().GetItemAt(static_cast<int>(wParam));
        auto* tab = item ? static_cast<CDeviceOptionUI*>(item->GetInterface("DeviceOption")) : nullptr;
        linkMessages.push_back({wParam, lParam, tab && tab->IsConnectedTab()});
        handled = true;
    } else if (message == WM_DEVICE_POWER_STATUS) {
        powerLevels.push_back(wParam);
        handled = true;
    } else if (message == WM_DEVICE_WAKE) {  // as the main window: the device's tab has work
        for (int i = 0; i < Strip().GetCount(); ++i) {
            auto* tab = static_cast<CDeviceOptionUI*>(Strip().GetItemAt(i)->GetInterface("DeviceOption"));
            if (tab && tab->GetDevice() && tab->GetDevice()->GetDeviceIndex() == static_cast<int>(wParam)) tab->WakeStream();
        }
        handled = true;
    }
    return 0;
}

ui::CContainerUI& MainWindowStub::Strip() {
    return *static_cast<ui::CContainerUI*>(m_pm.FindControl("device_select_layout")->GetInterface("Container"));
}

TraceLog::TraceLog() {
    SetTraceSink([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
}

TraceLog::~TraceLog() { SetTraceSink({}); }

std::size_t TraceLog::Count(const std::string& text) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const std::string& line : lines_)
        if (line.find(text) != std::string::npos) ++count;
    return count;
}

void DeviceBaseFixture::SetUp() {
    RegisterDeviceControls();
    ASSERT_TRUE(bus.Start(folder, session.Root() + "/reports.trace"));
    window = std::make_unique<MainWindowStub>();
    ASSERT_TRUE(window->Create(nullptr, "main", ui::UI_WNDSTYLE_FRAME, 0, 0, 0, 800, 572));
}

void DeviceBaseFixture::TearDown() {
    window->Destroy();
    window.reset();
    for (auto& [name, product] : products) product->DetachInput();
    bus.Stop();
}

std::shared_ptr<devsim::FirmwareProduct> DeviceBaseFixture::Plug(const std::string& name) {
    if (name == "headset") {  // no command protocol: a product that echoes
        EXPECT_TRUE(bus.Plug(devsim::MakeEchoProduct(name)));
        return nullptr;
    }
    auto product = devsim::MakeFirmwareProduct(name, {});
    EXPECT_TRUE(product && devsim::PlugFirmware(bus, product));
    products[name] = product;
    return product;
}

std::string DeviceBaseFixture::PathOf(const DeviceMatchEntry& row) const {
    return "vhid:" + folder + "/" + ProductNameOf(row.productId) + "-if" + std::to_string(row.interfaceNumber) +
           ".sock#" + MakePathTags(row.vendorId, row.productId, row.interfaceNumber, row.collection);
}

DeviceMatchEntry DeviceBaseFixture::Row(std::size_t index) const {
    DeviceMatchEntry row = table[index];
    row.present = 1;
    row.path = PathOf(row);
    return row;
}

DeviceBaseFixture::Page DeviceBaseFixture::AddKeyboardPage() {
    ui::CPaintManagerUI& pm = window->GetPaintManager();
    auto* switcher = static_cast<ui::CContainerUI*>(pm.FindControl("device_switch")->GetInterface("Container"));
    ui::CDialogBuilder pageBuilder, tabBuilder;
    auto* device = static_cast<CQuorinKeyboardDevice*>(
        pageBuilder.Create(kKeyboardPageXml, {}, window.get(), &pm)->GetInterface("QuorinKeyboardDevice"));
    auto* tab = static_cast<CDeviceOptionUI*>(tabBuilder.Create(kTabXml, {}, window.get(), &pm)->GetInterface("DeviceOption"));
    device->AttachPaintManager(&pm, window.get());
    device->SetDeviceName("XML\\DeviceXml\\keyboarddevice.xml");
    device->SetMainWindow(window->GetHWND());
    device->SetTableSizes({170, 170, 0, -1});
    device->SetDeviceIndex(window->Strip().GetCount());
    device->SetFolderStrings(session.DataHome() + "/KX58RGBVs Device", "");
    device->SetTypeCode(0);
    device->SetLightControlName("orvik_light");
    switcher->Add(device);
    device->FinishInit();
    tab->SetPageIndex(switcher->GetItemIndex(device));
    tab->SetKind(DeviceKind::KeyboardWired);
    tab->SetTabText("keyboard");
    tab->SetConnectedTab(false);
    tab->SetDevice(device);
    window->Strip().Add(tab);
    return {device, tab};
}

}  // namespace devbasetest
