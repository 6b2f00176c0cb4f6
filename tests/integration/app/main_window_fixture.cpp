#include "integration/app/main_window_fixture.h"

#include "platform/folders.h"
#include "platform/message_queue.h"
#include "ui/app_messages.h"
#include "ui/control_classes.h"
#include "uikit/headless_input.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace kx58test {

using namespace kx58;

MainWindowTest::MainWindowTest() = default;
MainWindowTest::~MainWindowTest() = default;

void MainWindowTest::SetUp() {
    previousSink_ = SetTraceSink([this](std::string_view text) {
        std::lock_guard lock(traceMutex_);
        traces_.emplace_back(text);
    });
    ASSERT_TRUE(bus.Start(folder));
    rack = std::make_unique<devsim::FirmwareRack>(bus, devsim::FirmwareOptions{0.0});
    if (!ui::HeadlessBackend::Get()) ui::InstallBackend(std::make_unique<ui::HeadlessBackend>());
    ui::HeadlessBackend::Get()->SetMonitor(ui::RECT{0, 0, 1600, 900}, 96);
    ui::CPaintManagerUI::SetResourcePath(Folders::Skin());
    ASSERT_TRUE(ui::CResourceManager::GetInstance()->LoadResource("res.xml"));
    RegisterProgramControls();
    RegisterAppMessages();
}

void MainWindowTest::TearDown() {
    if (window && window->GetHWND()) CloseWindow();
    window.reset();
    if (rack) rack->DetachAll();
    bus.Stop();
    rack.reset();
    MessageQueue::ForCurrentThread()->TakeQuitCode();
    ui::CResourceManager::GetInstance()->Release();
    SetTraceSink(previousSink_);
}

void MainWindowTest::OpenWindow() {
    window = std::make_unique<CMainWnd>();
    ASSERT_TRUE(window->Create(nullptr, kAppName, ui::UI_WNDSTYLE_FRAME, 0, 0, 0, kMainWindowWidth, kMainWindowHeight));
    window->CenterWindow();
    // Until the first scan's announcement has come: the size step shows the window too, and
    // sooner than a slow first scan, whose announcement would show it again later.
    ASSERT_TRUE(RunUntil([&] {
        return window->IsWindowInitialised() && window->IsWindowVisible() && TraceCount("软件标示 ") > 0;
    }));
}

bool MainWindowTest::RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
    return ui::HeadlessBackend::Get()->RunUntil(done, timeoutMs);
}

void MainWindowTest::CloseWindow() {
    window->Close(ui::IDOK);
    RunUntil([&] { return window->GetHWND() == nullptr; });
    MessageQueue::ForCurrentThread()->TakeQuitCode();
}

ui::HeadlessWindow* MainWindowTest::Backend() const {
    return dynamic_cast<ui::HeadlessWindow*>(window->GetBackendWindow());
}

ui::CControlUI* MainWindowTest::Find(const std::string& name) const {
    // Pages of the one window share control names: the selected page's counts, then the one
    // shown, else the first.
    if (DevicePage* page = window->SelectedPage(); page && page->device)
        if (ui::CControlUI* own = window->GetPaintManager().FindSubControlByName(page->device, name)) return own;
    ui::CControlUI* root = window->GetPaintManager().GetRoot();
    ui::CControlUI* shown =
        root ? root->FindControl([&](ui::CControlUI* c) { return c->GetName() == name && c->IsVisible(); }, ui::UIFIND_ALL)
             : nullptr;
    return shown ? shown : window->GetPaintManager().FindControl(name);
}

const DevicePage& MainWindowTest::Page(const char* typeName) const {
    const DevicePage* page = window->FindPage(typeName);
    EXPECT_NE(page, nullptr) << typeName;
    static const DevicePage none;
    return page ? *page : none;
}

bool MainWindowTest::TabShown(const char* typeName) const {
    const DevicePage* page = window->FindPage(typeName);
    return page && page->tab && page->tab->IsConnectedTab() && page->tab->IsVisible();
}

kx58::CQuorinUSBDevice* MainWindowTest::ShowPage(const std::string& product, const char* typeName,
                                                const std::function<bool(kx58::CQuorinUSBDevice&)>& readBack) {
    EXPECT_TRUE(rack->Plug(product)) << product;
    OpenWindow();
    if (!RunUntil([&] { return TabShown(typeName); })) {
        ADD_FAILURE() << "the tab of " << typeName << " did not come";
        return nullptr;
    }
    Page(typeName).tab->SelectTab();
    kx58::CQuorinUSBDevice* device = Page(typeName).device;
    if (!device || !RunUntil([&] { return readBack(*device) && device->IsLightThreadRunning(); })) {
        ADD_FAILURE() << typeName << " was not read back";
        return nullptr;
    }
    return device;
}

kx58::CQuorinKeyboardDevice* MainWindowTest::ShowKeyboardPage(const std::string& product) {
    return dynamic_cast<kx58::CQuorinKeyboardDevice*>(ShowPage(product, "keyboard", [](kx58::CQuorinUSBDevice& d) {
        auto* keyboard = dynamic_cast<kx58::CQuorinKeyboardDevice*>(&d);
        return keyboard && keyboard->Memory().Positions() > 0;
    }));
}

kx58::CQuorinMouseDevice* MainWindowTest::ShowMousePage(const std::string& product) {
    return dynamic_cast<kx58::CQuorinMouseDevice*>(ShowPage(product, "mouse", [](kx58::CQuorinUSBDevice& d) {
        auto* mouse = dynamic_cast<kx58::CQuorinMouseDevice*>(&d);
        return mouse && mouse->Memory().Buttons() > 0;
    }));
}

kx58::CQuorinMousePadDevice* MainWindowTest::ShowPadPage(const std::string& product) {
    return dynamic_cast<kx58::CQuorinMousePadDevice*>(ShowPage(
        product, "MousePad", [](kx58::CQuorinUSBDevice& d) { return d.DeviceInformation()[0] != 0; }));
}

void MainWindowTest::AnswerNextMessage(bool confirm) {
    ui::HeadlessBackend::Get()->PostIdleAction([this, confirm] {
        for (ui::CPaintManagerUI* manager : ui::CPaintManagerUI::AllManagers()) {
            ui::CControlUI* text = manager->FindControl("MessageText");
            ui::CControlUI* button = manager->FindControl(confirm ? "confirm_btn" : "cancel_btn");
            if (!text || !button) continue;
            said.push_back(text->GetText());
            button->Activate();
            return;
        }
        AnswerNextMessage(confirm);  // not open yet: look again on the next idle turn
    });
}

void MainWindowTest::Click(const std::string& name) {
    ui::CControlUI* control = Find(name);
    ASSERT_NE(control, nullptr) << name;
    ASSERT_TRUE(control->IsVisible()) << name;
    ui::HeadlessInput input(*window);
    ASSERT_TRUE(input.Click(name)) << name;
    ui::HeadlessBackend::Get()->RunUntilIdle();
}

std::size_t MainWindowTest::TraceCount(const std::string& part) const {
    std::lock_guard lock(traceMutex_);
    std::size_t count = 0;
    for (const std::string& line : traces_) count += line.find(part) != std::string::npos;
    return count;
}

}  // namespace kx58test
