#include "device/device_option_ui.h"
#include "device/device_page_controls.h"
#include "device/headset_sound_controls.h"
#include "device/quorin_products.h"
#include "uikit/control_factory.h"

namespace kx58 {

void RegisterDeviceControls() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl("QuorinKeyboardDevice", [] { return new CQuorinKeyboardDevice; });
    factory->RegistControl("QuorinMouseDevice", [] { return new CQuorinMouseDevice; });
    factory->RegistControl("QuorinMousePadDevice", [] { return new CQuorinMousePadDevice; });
    factory->RegistControl("QuorinHS6533Device", [] { return new CQuorinHS6533Device; });
    factory->RegistControl("DeviceOption", [] { return new CDeviceOptionUI; });
    RegisterDevicePageControls();
    RegisterHeadsetSoundControls();
}

}  // namespace kx58
