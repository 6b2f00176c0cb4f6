#include "editors/combo_edit_element_ui.h"

#include "platform/tick.h"
#include "profile/text_convert.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58 {

namespace {

struct KeyEventOfMessage {
    UINT message;
    int eventType;
};

constexpr KeyEventOfMessage kKeyEvents[] = {
    {WM_KEYDOWN, ui::UIEVENT_KEYDOWN},
    {WM_SYSKEYDOWN, ui::UIEVENT_KEYDOWN},
    {WM_KEYUP, ui::UIEVENT_KEYUP},
    {WM_SYSKEYUP, ui::UIEVENT_KEYUP},
    {WM_CHAR, ui::UIEVENT_CHAR},
};

// The event a key message becomes; 0 when it is no key message.
int KeyEventType(UINT message) {
    for (const KeyEventOfMessage& entry : kKeyEvents)
        if (entry.message == message) return entry.eventType;
    return 0;
}

}  // namespace

// The edit over the row: losing the window focus ends the editing with the typed text.
class CComboEditContainerElementUI::InlineEdit : public ui::CEditUI {
public:
    explicit InlineEdit(CComboEditContainerElementUI& row) : row_(row) {}

    void DoEvent(ui::TEventUI& event) override {
        CEditUI::DoEvent(event);
        if (event.Type == ui::UIEVENT_KILLFOCUS && row_.editing_ && !row_.keysThroughFilter_)
            row_.EndEdit(true);
    }

private:
    CComboEditContainerElementUI& row_;
};

CComboEditContainerElementUI::~CComboEditContainerElementUI() {
    if (filteredManager_) filteredManager_->RemoveMessageFilter(this);
}

void* CComboEditContainerElementUI::GetInterface(std::string_view name) {
    if (name == "ComboEditContainerElement") return this;
    return CListContainerElementUI::GetInterface(name);
}

ui::CEditUI* CComboEditContainerElementUI::GetEdit() const { return edit_; }

void CComboEditContainerElementUI::SetEditMaxChar(int maxChar) {
    editMaxChar_ = maxChar > 0 ? maxChar : kDefaultEditMaxChar;
    if (edit_) edit_->SetMaxChar(editMaxChar_);
}

void CComboEditContainerElementUI::CreateEdit() {
    edit_ = new InlineEdit(*this);
    // Floating, so that the row's own children keep their layout under it.
    edit_->SetFloat(true);
    edit_->SetVisible(false);
    edit_->SetMaxChar(editMaxChar_);
    Add(edit_);
}

bool CComboEditContainerElementUI::InOpenDropList() const {
    auto* combo = dynamic_cast<ui::CComboUI*>(m_owner);
    return combo && combo->IsDropped();
}

bool CComboEditContainerElementUI::BeginEdit() {
    if (editing_) return true;
    if (!m_pManager || !IsEnabled() || !IsVisible() || m_rcItem.IsEmpty()) return false;
    if (!edit_) CreateEdit();
    editing_ = true;
    keysThroughFilter_ = InOpenDropList();
    edit_->SetText(GetText());
    edit_->SetVisible(true);
    edit_->SetPos(m_rcItem, false);
    edit_->SetSelAll();
    filteredManager_ = m_pManager;
    filteredManager_->AddMessageFilter(this);
    if (keysThroughFilter_) ForwardToEdit(ui::UIEVENT_SETFOCUS, 0, 0);
    else m_pManager->SetFocus(edit_);
    Invalidate();
    return true;
}

void CComboEditContainerElementUI::EndEdit(bool takeText) {
    if (!editing_) return;
    editing_ = false;
    const std::string typed = TrimBlanks(edit_->GetText());
    if (filteredManager_) filteredManager_->RemoveMessageFilter(this);
    filteredManager_ = nullptr;
    if (keysThroughFilter_) {
        ForwardToEdit(ui::UIEVENT_KILLFOCUS, 0, 0);
    } else if (m_pManager && m_pManager->GetFocus() == edit_) {
        // Enter or Escape: the keys go back to the list the row belongs to.
        m_pManager->SetFocus(dynamic_cast<ui::CControlUI*>(m_owner));
    }
    keysThroughFilter_ = false;
    edit_->SetVisible(false);
    Invalidate();
    if (!takeText || typed.empty() || typed == GetText()) return;
    SetText(typed);
    SendNotify(ui::DUI_MSGTYPE_TEXTCHANGED);
}

void CComboEditContainerElementUI::ForwardToEdit(int eventType, WPARAM wParam, LPARAM lParam) {
    ui::TEventUI event;
    event.Type = eventType;
    event.pSender = edit_;
    event.dwTimestamp = TickCount();
    event.ptMouse = m_pManager ? m_pManager->GetMousePos() : ui::POINT{};
    event.wKeyState = static_cast<std::uint16_t>((lParam >> ui::CPaintManagerUI::kModifierShift) & 0x7);
    event.chKey = static_cast<UINT>(wParam);
    edit_->Event(event);
}

LRESULT CComboEditContainerElementUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam,
                                                     bool& handled) {
    if (!editing_) return 0;
    if (KeyEventType(message) != 0) handled = TakeKey(message, wParam, lParam);
    else if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN)
        handled = TakeButtonDown(lParam);
    return 0;
}

bool CComboEditContainerElementUI::TakeKey(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!keysThroughFilter_ && (!m_pManager || m_pManager->GetFocus() != edit_)) return false;
    if (message == WM_KEYDOWN && (wParam == ui::VK_RETURN || wParam == ui::VK_ESCAPE)) {
        EndEdit(wParam == ui::VK_RETURN);
        return true;
    }
    // With the window focus on the edit the manager hands it the other keys itself.
    if (!keysThroughFilter_) return false;
    if (message == WM_KEYDOWN && wParam == ui::VK_TAB) {
        EndEdit(true);
        return false;  // the focus moves on as usual
    }
    ForwardToEdit(KeyEventType(message), wParam, lParam);
    return true;
}

bool CComboEditContainerElementUI::TakeButtonDown(LPARAM lParam) {
    const ui::POINT pt{ui::GetXLParam(lParam), ui::GetYLParam(lParam)};
    if (!edit_->GetPos().Contains(pt)) {
        EndEdit(true);
        return false;  // the click goes on to what it hit
    }
    // A drop list hands clicks to its rows, and a row's click chooses it and closes the
    // list: there the click stops here. In a list the edit under it takes it itself.
    return keysThroughFilter_;
}

void CComboEditContainerElementUI::SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent,
                                              bool init) {
    if (manager != m_pManager) EndEdit(true);
    CListContainerElementUI::SetManager(manager, parent, init);
}

void CComboEditContainerElementUI::SetPos(ui::RECT rc, bool needInvalidate) {
    CListContainerElementUI::SetPos(rc, needInvalidate);
    if (!editing_) return;
    // A closing drop list lays its rows out at nothing: the editing ends with the list.
    if (m_rcItem.IsEmpty()) EndEdit(true);
    else edit_->SetPos(m_rcItem, false);
}

void CComboEditContainerElementUI::DoEvent(ui::TEventUI& event) {
    CListContainerElementUI::DoEvent(event);
    if (event.Type == ui::UIEVENT_DBLCLICK && IsEnabled()) BeginEdit();
}

void CComboEditContainerElementUI::PaintText(cairo_t* cr) {
    if (editing_ || !m_pManager || !m_owner) return;
    const ui::TListInfoUI& info = *m_owner->GetListInfo();
    const ui::RECT rc = ui::DeflateRect(m_rcItem, ScaleRect(info.rcTextPadding));
    ui::render::DrawText(cr, m_pManager, rc, GetText(), RowTextColor(*this), info.nFont, info.uTextStyle);
}

void CComboEditContainerElementUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CComboEditContainerElementUI> kAttributes[] = {
        {"editmaxchar", [](CComboEditContainerElementUI& c, V v) {
             c.SetEditMaxChar(ui::ParseInt(v, kDefaultEditMaxChar));
         }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CListContainerElementUI::SetAttribute(name, value);
}

}  // namespace kx58
