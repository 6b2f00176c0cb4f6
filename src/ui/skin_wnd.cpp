#include "ui/skin_wnd.h"

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "ui/app_messages.h"
#include "ui/device_pages.h"
#include "ui/ini_file.h"
#include "uikit/container.h"
#include "uikit/file_dialog.h"
#include "uikit/window_placement.h"

namespace kx58 {
namespace {

constexpr const char* kSkinSection = "SKINIMAGE";
constexpr DWORD kClipChildrenAndSiblings = 0x06000000;
// No activation, tool window, topmost.
constexpr DWORD kSkinFrameExStyle = ui::WS_EX_NOACTIVATE | ui::WS_EX_TOOLWINDOW | ui::WS_EX_TOPMOST;

void NoteSkinChoice(const char* flags, const std::string& image) {
    const std::string path = SkinChoiceFilePath();
    if (!WriteProfileString(path, kSkinSection, "FLAGS", flags) || !WriteProfileString(path, kSkinSection, "IMAGE", image))
        DebugTraceF("skin: %s cannot be written", path.c_str());
}

}  // namespace

SkinChangeEvents& SkinChangeEvents::Instance() {
    static SkinChangeEvents events;
    return events;
}

int SkinChangeEvents::Add(Receiver receiver) {
    receivers_[nextId_] = std::move(receiver);
    return nextId_++;
}

void SkinChangeEvents::Remove(int id) { receivers_.erase(id); }

void SkinChangeEvents::Send(const SkinChangedParam& param) const {
    // A receiver may remove itself while it is told.
    const std::map<int, Receiver> receivers = receivers_;
    for (const auto& [id, receiver] : receivers) receiver(param);
}

void SkinChangeSubscription::Listen(SkinChangeEvents::Receiver receiver) {
    Cancel();
    id_ = SkinChangeEvents::Instance().Add(std::move(receiver));
}

void SkinChangeSubscription::Cancel() {
    if (id_ != 0) SkinChangeEvents::Instance().Remove(id_);
    id_ = 0;
}

std::string SkinChoiceFilePath() { return Folders::UserData() + "main.ini"; }

CSkinFrame* CSkinFrame::Open(ui::CWindowWnd& owner, int dpi) {
    if (!IsSupportedDpi(dpi)) {
        DebugTrace("SET_WND DPI SET ERROR");
        dpi = 96;
    }
    auto* frame = new CSkinFrame();
    if (!frame->Create(owner.GetHWND(), "skinframe", ui::WS_POPUP | ui::WS_VISIBLE | kClipChildrenAndSiblings, kSkinFrameExStyle)) {
        delete frame;
        return nullptr;
    }
    frame->GetPaintManager().SetDPI(dpi);
    ui::CenterOnOwner(*frame, owner);
    frame->ShowWindow(true, false);
    return frame;
}

void CSkinFrame::OnClick(ui::TNotifyUI& msg) {
    if (!msg.pSender) return;
    const std::string& name = msg.pSender->GetName();
    if (name == "skin_color_btn") {
        SkinChangeEvents::Instance().Send({.useColour = true, .colour = msg.pSender->GetBkColor(), .image = {}});
    } else if (name == "skin_image_btn") {
        const std::string image = msg.pSender->GetBkImage();
        SkinChangeEvents::Instance().Send({.image = image});
        NoteSkinChoice("1", image);
    } else if (name == "skin_color") {
        ShowPage(1);
    } else if (name == "skin_image") {
        ShowPage(0);
    } else if (name == "skin_reset") {
        SkinChangeEvents::Instance().Send({.image = kDefaultBackgroundImage});
        NoteSkinChoice("0", kDefaultBackgroundImage);
    } else if (name == "skin_Custom") {
        ChooseCustomImage();
    } else {
        WindowImplBase::OnClick(msg);
    }
}

void CSkinFrame::ShowPage(int page) {
    if (auto* tab = dynamic_cast<ui::CTabLayoutUI*>(m_pm.FindControl("skin_tab"))) tab->SelectItem(page);
}

void CSkinFrame::ChooseCustomImage() {
    const std::optional<std::string> path = ui::OpenFileDialog(GetHWND(), kCustomBackgroundFilter);
    if (path) SkinChangeEvents::Instance().Send({.image = *path});
}

LRESULT CSkinFrame::HandleCustomMessage(UINT message, WPARAM, LPARAM, bool& handled) {
    handled = false;
    if (message == WM_LANGUAGE_CHANGED) {
        m_pm.NeedUpdate();
        m_pm.Invalidate();
        handled = true;
    }
    return 0;
}

void CSkinFrame::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
