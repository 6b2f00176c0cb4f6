// The headset page's sound controls reach the selected page's headset, which applies them.
#include "device/quorin_products.h"
#include "ui/control_tree.h"
#include "ui/main_wnd.h"

namespace kx58 {

void CMainWnd::OnHeadsetSound(ui::TNotifyUI& msg, int number) {
    DevicePage* page = SelectedPage();
    auto* headset = page ? dynamic_cast<CQuorinHS6533Device*>(page->device) : nullptr;
    if (!headset || !IsInside(msg.pSender, headset)) return;
    headset->OnSoundControl(msg.pSender->GetName(), number, msg.sType == ui::DUI_MSGTYPE_MOVEVALUECHANGED);
}

}  // namespace kx58
