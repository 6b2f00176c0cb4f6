// Device slots, pages and tabs of the main window: arrival and removal of HID collections
// found by the device-capture loop, page creation per product, the tab strip.
#include <algorithm>

#include "platform/debug_trace.h"
#include "device/product_profiles.h"
#include "platform/folders.h"
#include "ui/main_wnd.h"
#include "uikit/dialog_builder.h"

namespace kx58 {
namespace {

constexpr const char* kPowerXml = "XML\\CustomControlXML\\MpDevicePower.xml";

struct KindTraces {
    DeviceKind kind;
    const char* added;
    const char* removed;
    const char* lost;
};

// By cable form: a receiver's collections are traced as its product's.
constexpr KindTraces kKindTraces[] = {
    {DeviceKind::KeyboardWired, "添加一个键盘设备", "删除一个键盘设备", "键盘设备丢失"},
    {DeviceKind::MouseWired, "添加一个鼠标设备", "删除一个鼠标设备", "鼠标设备丢失"},
    {DeviceKind::MousePad, "添加一个鼠标垫设备", "删除一个鼠标垫设备", nullptr},
    {DeviceKind::Headset, "添加一个鼠标垫设备", "删除一个鼠标垫设备", nullptr},
};

const KindTraces* TracesOf(DeviceKind kind) {
    for (const KindTraces& traces : kKindTraces)
        if (traces.kind == CableFormOf(kind)) return &traces;
    return nullptr;
}

// The product's data sub-folder, by the kind of its type row.
std::string DeviceFolderName(DeviceKind kind) {
    const ProductProfileFiles* product = FindProductProfileFiles(kind);
    return product ? product->folderName : "Headset";
}

ui::CControlUI* BuildTree(const std::string& xml, ui::IDialogBuilderCallback* callback, ui::CPaintManagerUI* manager) {
    ui::CDialogBuilder builder;
    ui::CControlUI* root = builder.Create(xml, {}, callback, manager);
    if (!root) DebugTraceF("main window: cannot build %s: %s", xml.c_str(), builder.GetLastError().c_str());
    return root;
}

}  // namespace

ui::CContainerUI* CMainWnd::TabStrip() {
    return dynamic_cast<ui::CContainerUI*>(m_pm.FindControl("device_select_layout"));
}

void CMainWnd::BuildSlotList() { m_slots = SupportedDevices(); }

DevicePage* CMainWnd::CreatePage(std::size_t typeRow) {
    if (typeRow >= DeviceTypeRows().size()) return nullptr;
    const DeviceTypeRow& type = DeviceTypeRows()[typeRow];
    const DevicePageRow& pageRow = DevicePageRows()[typeRow];
    auto* pages = dynamic_cast<ui::CTabLayoutUI*>(m_pm.FindControl("device_switch"));
    auto* powers = dynamic_cast<ui::CContainerUI*>(m_pm.FindControl(type.powerContainer));
    ui::CContainerUI* strip = TabStrip();
    if (!pages || !powers || !strip) {
        DebugTrace("main window: the skin lacks the page, tab or power containers");
        return nullptr;
    }
    // All three trees first: a page that cannot be built adds nothing.
    ui::CControlUI* power = BuildTree(kPowerXml, this, &m_pm);
    ui::CControlUI* tabRoot = power ? BuildTree(type.tabXml, this, &m_pm) : nullptr;
    ui::CControlUI* pageRoot = tabRoot ? BuildTree(pageRow.pageXml, this, &m_pm) : nullptr;
    auto* tab = dynamic_cast<CDeviceOptionUI*>(tabRoot);
    auto* device = dynamic_cast<CQuorinUSBDevice*>(pageRoot);
    if (!tab || !device) {
        DebugTraceF("main window: page %s not created", type.typeName);
        delete power;
        delete tabRoot;
        delete pageRoot;
        return nullptr;
    }
    powers->Add(power);
    // A product without a battery shows none (its power block never comes).
    if (auto* parts = dynamic_cast<ui::CContainerUI*>(power); parts && !device->ReportsPowerStatus())
        for (int i = 0; i < parts->GetCount(); ++i) parts->GetItemAt(i)->SetVisible(false);

    // The row the page serves until a device attaches: the product's cable command row.
    DeviceMatchEntry row{};
    for (const DeviceMatchEntry& slot : m_slots)
        if (slot.vendorId == type.vendorId && slot.productId == type.productId && slot.kind == type.kind && slot.role == kRoleCommand)
            row = slot;
    device->AttachPaintManager(&m_pm, this);
    device->SetDeviceName(pageRow.pageXml);
    device->SetMainWindow(GetHWND());
    device->SetTableSizes(pageRow.tableSizes);
    device->SetDeviceIndex(static_cast<int>(typeRow));
    device->SetFolderStrings(Folders::UserData(), DeviceFolderName(type.kind));
    device->SetPowerControl(power);
    device->SetAttachedRow(row);
    device->SetTypeCode(type.typeCode);
    device->SetLightControlName(pageRow.lightControlName);
    device->FinishInit();
    pages->Add(device);

    strip->Add(tab);
    tab->SetTabText(type.typeName);
    tab->SetPageIndex(pages->GetItemIndex(device));
    tab->SetPowerIndex(powers->GetItemIndex(power));
    tab->SetKind(type.kind);
    tab->SetConnectedTab(false);
    tab->SetDevice(device);
    device->SetDeviceTab(tab);
    m_pages.push_back(DevicePage{typeRow, device, tab, power});
    AddSyncDevice(device);
    SetUpShootEditor(*device);
    return &m_pages.back();
}

const DevicePage* CMainWnd::FindPage(const std::string& typeName) const {
    for (const DevicePage& page : m_pages)
        if (typeName == DeviceTypeRows()[page.typeRow].typeName) return &page;
    return nullptr;
}

DevicePage* CMainWnd::PageForSlot(std::size_t slot) {
    for (DevicePage& page : m_pages)
        if (page.device && page.device->ServesRow(m_slots[slot], m_slots)) return &page;
    return nullptr;
}

DevicePage* CMainWnd::SelectedPage() {
    ui::CContainerUI* strip = TabStrip();
    CDeviceOptionUI* tab = strip ? SelectedDeviceTab(*strip) : nullptr;
    for (DevicePage& page : m_pages)
        if (tab && page.tab == tab) return &page;
    return nullptr;
}

void CMainWnd::OnDeviceArrived(std::size_t slot) {
    if (slot >= m_slots.size()) return;
    m_slots[slot] = m_discovery.Row(slot);  // the loop filled the row before it sent
    const DeviceMatchEntry& row = m_slots[slot];
    if (const KindTraces* traces = TracesOf(row.kind)) DebugTrace(traces->added);
    // A receiver shares the page of its cable form: its type is looked up by the twin's keys.
    const DeviceMatchEntry& typeKeys = IsReceiver(row.kind) && row.hasTwin && row.twinRow < m_slots.size() ? m_slots[row.twinRow] : row;
    const std::optional<std::size_t> typeRow = FindDeviceTypeRow(typeKeys.vendorId, typeKeys.productId, typeKeys.kind);
    if (!typeRow) return;
    DevicePage* page = PageForSlot(slot);
    if (!page) page = CreatePage(*typeRow);
    if (page) ConnectSlot(slot, *page);
    ShowStep();
}

void CMainWnd::CatchUpWithDiscovery() {
    // Arrivals and removals sent while suspended were ignored; the loop will not send them
    // again, so the window takes the loop's table as it is now.
    // A row taken again meanwhile (the device left and came back, maybe at another node)
    // holds a device the window never attached: the old attachment goes, the new one comes.
    for (std::size_t slot = 0; slot < m_slots.size(); ++slot) {
        const DeviceMatchEntry now = m_discovery.Row(slot);
        const bool known = m_slots[slot].present != 0, present = now.present != 0;
        const bool replaced = known && present && now.arrival != m_slots[slot].arrival;
        if (known && (!present || replaced)) OnDeviceRemoved(slot);
        if (present && (!known || replaced)) OnDeviceArrived(slot);
    }
}

void CMainWnd::ConnectSlot(std::size_t slot, DevicePage& page) {
    const DeviceMatchEntry& row = m_slots[slot];
    CQuorinUSBDevice& device = *page.device;
    if (row.role == kRoleConsumer) {
        device.OpenEventCollection(row.path, row.kind);
        return;
    }
    if (device.IsOpen()) return;
    if (!device.AttachCommandCollection(row)) {
        DebugTraceF("main window: cannot open %s", row.path.c_str());
        return;
    }
    ui::CContainerUI* strip = TabStrip();
    // The mouse receiver's tab waits for its link test.
    if (row.kind != DeviceKind::MouseWireless && strip) ShowDeviceTab(*strip, strip->GetItemIndex(page.tab));
    page.tab->StartAttach();
}

void CMainWnd::OnDeviceRemoved(std::size_t slot) {
    if (slot >= m_slots.size()) return;
    const DeviceMatchEntry before = m_slots[slot];
    m_slots[slot] = m_discovery.Row(slot);
    if (const KindTraces* traces = TracesOf(before.kind)) DebugTrace(traces->removed);
    DevicePage* page = PageForSlot(slot);
    if (!page) return;
    if (const KindTraces* traces = TracesOf(before.kind); traces && traces->lost) DebugTrace(traces->lost);
    if (before.role == kRoleConsumer) {
        page->device->CloseEventCollection(before.kind);
        return;
    }
    // Only the collection that is attached matters; its twin going away changes nothing.
    if (!page->device->IsOpen() || page->device->GetAttachedRow().path != before.path) return;
    const DeviceMatchEntry* twin = before.hasTwin && before.twinRow < m_slots.size() ? &m_slots[before.twinRow] : nullptr;
    if (twin && (twin->present == 0 || twin->path.empty())) twin = nullptr;
    // The same product, now through its twin: the device armed its tab's next step (through
    // the receiver, the wait for its link first).
    if (page->device->DetachCommandCollection(twin)) return;
    page->tab->StopAllTimers();
    HideTab(*page);
}

void CMainWnd::HideTab(DevicePage& page) {
    ui::CContainerUI* strip = TabStrip();
    if (!strip) return;
    // A recording on the page that goes ends with it (its macro is saved).
    HideDeviceTab(*strip, strip->GetItemIndex(page.tab), [this] { StopRecording(); });
    UpdateNoDeviceLayer();
}

void CMainWnd::OnLinkState(WPARAM tabIndex, LPARAM up) {
    ui::CContainerUI* strip = TabStrip();
    if (!strip || tabIndex >= static_cast<WPARAM>(strip->GetCount())) return;
    if (up == 0) {
        DebugTrace("2.4gcesvdfherhue 1");
        HideDeviceTab(*strip, static_cast<int>(tabIndex), [this] { StopRecording(); });
    } else {
        auto* tab = dynamic_cast<CDeviceOptionUI*>(strip->GetItemAt(static_cast<int>(tabIndex)));
        if (tab && !tab->IsConnectedTab()) ShowDeviceTab(*strip, static_cast<int>(tabIndex));
    }
    UpdateNoDeviceLayer();
}

int CMainWnd::ConnectedTabCount() {
    ui::CContainerUI* strip = TabStrip();
    return strip ? kx58::ConnectedTabCount(*strip) : 0;
}

void CMainWnd::ScrollTabStrip(int step) {
    if (ui::CContainerUI* strip = TabStrip()) ScrollDeviceTabs(*strip, step);
}

}  // namespace kx58
