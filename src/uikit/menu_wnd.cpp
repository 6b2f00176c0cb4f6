#include "uikit/menu_wnd.h"

#include <algorithm>
#include <set>
#include <vector>

#include "platform/debug_trace.h"
#include "uikit/container.h"
#include "uikit/render.h"

namespace kx58::ui {

namespace {

constexpr int kDefaultItemHeight = 30;
constexpr int kMinMenuWidth = 140;
constexpr int kCheckAreaWidth = 30;

thread_local CMenuWnd* t_current = nullptr;

}  // namespace

CMenuElementUI::CMenuElementUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS;
    m_rcTextPadding = RECT{kCheckAreaWidth, 0, 12, 0};
    m_cxyFixed.cy = kDefaultItemHeight;
}

void* CMenuElementUI::GetInterface(std::string_view name) {
    if (name == "MenuElement") return this;
    return CButtonUI::GetInterface(name);
}

void CMenuElementUI::SetChecked(bool checked) {
    if (m_checked == checked) return;
    m_checked = checked;
    Invalidate();
}

void CMenuElementUI::SetKeyboardHot(bool hot) {
    const UINT state = hot ? (m_uButtonState | UISTATE_HOT) : (m_uButtonState & ~UISTATE_HOT);
    if (state == m_uButtonState) return;
    m_uButtonState = state;
    Invalidate();
}

void CMenuElementUI::DoEvent(TEventUI& event) {
    // The pointer takes over from the keyboard: one item looks hot at a time.
    if (event.Type == UIEVENT_MOUSEENTER && IsEnabled()) {
        if (auto* parent = m_pParent ? static_cast<CContainerUI*>(m_pParent->GetInterface("Container")) : nullptr) {
            for (int i = 0; i < parent->GetCount(); ++i) {
                auto* peer = static_cast<CMenuElementUI*>(parent->GetItemAt(i)->GetInterface("MenuElement"));
                if (peer && peer != this) peer->SetKeyboardHot(false);
            }
        }
    }
    CButtonUI::DoEvent(event);
}

void CMenuElementUI::PaintStatusImage(cairo_t* cr) {
    CButtonUI::PaintStatusImage(cr);
    if (!m_checked) return;
    const int size = Scale(12);
    const int left = m_rcItem.left + (Scale(kCheckAreaWidth) - size) / 2;
    const int top = m_rcItem.top + (m_rcItem.Height() - size) / 2;
    const RECT box{left, top, left + size, top + size};
    if (!m_checkImage.empty() && DrawImage(cr, m_checkImage)) return;
    if (!m_group.empty()) {
        // Radio items: a dot.
        render::FillRoundRect(cr, DeflateRect(box, RECT{2, 2, 2, 2}), SIZE{size, size}, m_checkColor);
        return;
    }
    const int width = std::max(1, Scale(2));
    render::DrawLine(cr, POINT{box.left, box.top + size / 2}, POINT{box.left + size / 3, box.bottom - width},
                     width, m_checkColor);
    render::DrawLine(cr, POINT{box.left + size / 3, box.bottom - width}, POINT{box.right, box.top + width}, width,
                     m_checkColor);
}

void CMenuElementUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "checked") SetChecked(ParseBool(value));
    else if (name == "checkable") m_checkable = ParseBool(value);
    else if (name == "group") m_group = value;
    else if (name == "checkimage") m_checkImage = value;
    else if (name == "checkcolor") m_checkColor = ParseColor(value);
    else CButtonUI::SetAttribute(name, value);
}

CMenuWnd::CMenuWnd(HWND owner, std::string xml, CheckMap* checks)
    : m_owner(owner), m_xml(std::move(xml)), m_checks(checks) {
    // Skin paths may be written with Windows separators; XML text stays as it is.
    if (!m_xml.empty() && m_xml.front() != '<') std::replace(m_xml.begin(), m_xml.end(), '\\', '/');
}

CMenuWnd::~CMenuWnd() {
    if (t_current == this) t_current = nullptr;
}

CMenuWnd* CMenuWnd::Current() { return t_current; }

CMenuWnd* CMenuWnd::CreateMenu(HWND owner, const std::string& xml, POINT point, int alignment, CheckMap* checks) {
    if (t_current) t_current->Destroy();
    auto* menu = new CMenuWnd(owner, xml, checks);
    if (!menu->Create(owner, "menu", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, point.x,
                      point.y, 1, 1)) {
        delete menu;
        return nullptr;
    }
    if (!menu->m_pm.GetRoot() || !menu->m_pm.GetRoot()->GetInterface("Container")) {
        DebugTraceF("uikit: menu %s holds no items", xml.c_str());
        menu->Destroy();
        return nullptr;
    }
    t_current = menu;
    const SIZE size = menu->GetBackendWindow()->GetClientSize();
    const POINT at = PlaceMenu(point, size, alignment, menu->GetBackendWindow()->GetMonitorRect());
    menu->MoveWindow(at.x, at.y);
    menu->ShowWindow(true, false);
    return menu;
}

POINT CMenuWnd::PlaceMenu(POINT point, SIZE size, int alignment, const RECT& monitor) {
    POINT at = point;
    if (alignment & eMenuAlignment_Right) at.x = point.x - size.cx;
    if (alignment & eMenuAlignment_Bottom) at.y = point.y - size.cy;
    // Kept on the monitor: flipped to the other side of the point first, then clamped.
    if (at.x + size.cx > monitor.right && !(alignment & eMenuAlignment_Right)) at.x = point.x - size.cx;
    if (at.y + size.cy > monitor.bottom && !(alignment & eMenuAlignment_Bottom)) at.y = point.y - size.cy;
    if (at.x < monitor.left && (alignment & eMenuAlignment_Right)) at.x = point.x;
    if (at.y < monitor.top && (alignment & eMenuAlignment_Bottom)) at.y = point.y;
    at.x = std::clamp(at.x, monitor.left, std::max(monitor.left, monitor.right - size.cx));
    at.y = std::clamp(at.y, monitor.top, std::max(monitor.top, monitor.bottom - size.cy));
    return at;
}

CControlUI* CMenuWnd::CreateControl(const std::string& className) {
    if (className == "Menu") return new CVerticalLayoutUI();
    if (className == "MenuElement") return new CMenuElementUI();
    return nullptr;
}

void CMenuWnd::InitWindow() {
    if (m_checks) ApplyCheckMap();
    // The owner's DPI, not the font DPI alone: the owner may be scaled up for its screen.
    for (CPaintManagerUI* manager : CPaintManagerUI::AllManagers())
        if (manager != &m_pm && manager->GetPaintWindow() == m_owner) m_pm.SetDPI(manager->GetDPI());
    const SIZE size = MeasureMenu();
    ResizeClient(size.cx, size.cy);
}

void CMenuWnd::ApplyCheckMap() {
    // States kept by the caller win over the file's; a group the caller knows takes all its
    // states from the map, so only the remembered item of it is checked.
    const std::vector<CMenuElementUI*> items = Items();
    std::set<std::string> knownGroups;
    for (CMenuElementUI* item : items)
        if (!item->GetGroup().empty() && m_checks->count(item->GetName())) knownGroups.insert(item->GetGroup());
    for (CMenuElementUI* item : items) {
        if (!item->IsCheckable()) continue;
        auto it = m_checks->find(item->GetName());
        if (it != m_checks->end()) item->SetChecked(it->second);
        else if (knownGroups.count(item->GetGroup())) item->SetChecked(false);
    }
}

std::vector<CMenuElementUI*> CMenuWnd::Items() const {
    std::vector<CMenuElementUI*> items;
    if (!m_pm.GetRoot()) return items;
    m_pm.GetRoot()->FindControl(
        [&items](CControlUI* control) {
            if (auto* item = static_cast<CMenuElementUI*>(control->GetInterface("MenuElement"))) items.push_back(item);
            return false;
        },
        UIFIND_ALL);
    return items;
}

bool CMenuWnd::HandleMenuKey(UINT key) {
    if (key != VK_UP && key != VK_DOWN && key != VK_RETURN) return false;
    std::vector<CMenuElementUI*> usable;
    for (CMenuElementUI* item : Items())
        if (item->IsVisible() && item->IsEnabled()) usable.push_back(item);
    if (usable.empty()) return true;
    const auto current = std::find_if(usable.begin(), usable.end(), [](CMenuElementUI* item) { return item->IsKeyboardHot(); });
    if (key == VK_RETURN) {
        if (current != usable.end()) Choose(*current);
        return true;
    }
    const int count = static_cast<int>(usable.size());
    int index = current == usable.end() ? (key == VK_DOWN ? -1 : count) : static_cast<int>(current - usable.begin());
    index = (index + (key == VK_DOWN ? 1 : -1) + count) % count;
    for (CMenuElementUI* item : usable) item->SetKeyboardHot(item == usable[static_cast<std::size_t>(index)]);
    return true;
}

SIZE CMenuWnd::MeasureMenu() {
    auto* root = static_cast<CContainerUI*>(m_pm.GetRoot()->GetInterface("Container"));
    if (!root) return SIZE{m_pm.Scale(kMinMenuWidth), m_pm.Scale(kDefaultItemHeight)};
    const RECT inset = root->GetInset();
    // The file's width is the least: a translation longer than its author's grows the menu.
    const int fileWidth = root->GetFixedWidth();
    int width = fileWidth;
    int height = inset.top + inset.bottom + root->GetBorderSize() * 2;
    int visible = 0;
    for (int i = 0; i < root->GetCount(); ++i) {
        CControlUI* child = root->GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        ++visible;
        const RECT pad = child->GetPadding();
        height += (child->GetFixedHeight() > 0 ? child->GetFixedHeight() : kDefaultItemHeight) + pad.top + pad.bottom;
        if (auto* label = static_cast<CLabelUI*>(child->GetInterface("Label"))) {
            const SIZE text = render::MeasureText(&m_pm, label->GetText(), label->GetFont(), DT_SINGLELINE);
            const RECT textPad = label->GetTextPadding();
            // Measured at the window's DPI, rounded up; the rest is in 96-DPI units.
            const int dpi = std::max(1, m_pm.GetDPI());
            const int need = (text.cx * 96 + dpi - 1) / dpi + textPad.left + textPad.right + 8;
            width = std::max(width, need + inset.left + inset.right + root->GetBorderSize() * 2);
        }
    }
    if (visible > 1) height += root->GetChildPadding() * (visible - 1);
    width = std::max(width, kMinMenuWidth);
    if (fileWidth > 0) root->SetFixedWidth(width);
    return SIZE{m_pm.Scale(width), m_pm.Scale(height)};
}

CMenuElementUI* CMenuWnd::FindItem(const std::string& name) {
    CControlUI* control = m_pm.FindControl(name);
    return control ? static_cast<CMenuElementUI*>(control->GetInterface("MenuElement")) : nullptr;
}

void CMenuWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender) {
        if (auto* item = static_cast<CMenuElementUI*>(msg.pSender->GetInterface("MenuElement"))) {
            Choose(item);
            return;
        }
    }
    WindowImplBase::Notify(msg);
}

void CMenuWnd::Choose(CMenuElementUI* item) {
    if (m_chosen) return;
    if (!item->GetGroup().empty()) {
        m_pm.GetRoot()->FindControl(
            [&](CControlUI* control) {
                auto* peer = static_cast<CMenuElementUI*>(control->GetInterface("MenuElement"));
                if (peer && peer != item && peer->GetGroup() == item->GetGroup()) {
                    peer->SetChecked(false);
                    if (m_checks) (*m_checks)[peer->GetName()] = false;
                }
                return false;
            },
            UIFIND_ALL);
        item->SetChecked(true);
    } else if (item->IsCheckable()) {
        item->SetChecked(!item->IsChecked());
    }
    if (m_checks && item->IsCheckable()) (*m_checks)[item->GetName()] = item->IsChecked();
    m_chosen = true;
    m_cmd = MenuCmd{item->GetName(), item->GetText(), item->GetUserData(), item->IsChecked()};
    ShowWindow(false, false);
    Close(IDOK);
}

LRESULT CMenuWnd::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // The menu holds the pointer: a press outside it closes it.
            const SIZE size = GetBackendWindow() ? GetBackendWindow()->GetClientSize() : SIZE{};
            const POINT pt{GetXLParam(lParam), GetYLParam(lParam)};
            if (!RECT{0, 0, size.cx, size.cy}.Contains(pt)) {
                handled = true;
                Close(IDCANCEL);
            }
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                handled = true;
                Close(IDCANCEL);
            } else {
                handled = HandleMenuKey(static_cast<UINT>(wParam));
            }
            return 0;
        case WM_KILLFOCUS:
            Close(IDCANCEL);
            return 0;
        case WM_ACTIVATE:
            if (wParam == 0) Close(IDCANCEL);
            return 0;
        default:
            return 0;
    }
}

void CMenuWnd::OnFinalMessage(HWND /*hwnd*/) {
    const bool chosen = m_chosen;
    const MenuCmd cmd = m_cmd;
    const HWND owner = m_owner;
    delete this;
    if (chosen && owner) kx58::SendMessage(owner, WM_MENUCLICK, 0, reinterpret_cast<LPARAM>(&cmd));
}

}  // namespace kx58::ui
