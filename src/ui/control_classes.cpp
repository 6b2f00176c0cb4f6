#include "ui/control_classes.h"

#include <strings.h>

#include "device/quorin_usb_device.h"
#include "editors/light_control_ui.h"
#include "editors/macro_control_ui.h"
#include "profile/device_profile_ui.h"
#include "uikit/dialog_builder.h"

namespace kx58 {
namespace {

struct TreeTag {
    const char* tag;
    const char* xml;
};

constexpr TreeTag kTreeTags[] = {
    {"DeviceProfileUI", "XML\\CustomControlXML\\DeviceProfile.xml"},
    {"LightSetControlUI", "XML\\CustomControlXML\\LightControl.xml"},
    {"Voice6533SetControlUI", "XML\\CustomControlXML\\Voice6533Control.xml"},
    {"MagicSetControlUI", "XML\\CustomControlXML\\MagicControl.xml"},
    {"KeySetControlUI", "XML\\CustomControlXML\\KeySetControl.xml"},
    {"MacroSetControlUI", "XML\\CustomControlXML\\MacroControl.xml"},
    {"ShootKeySetControlUI", "XML\\CustomControlXML\\ShootControl.xml"},
    {"VirtualSetControlUI", "XML\\CustomControlXML\\VirtualSet.xml"},
};

}  // namespace

void RegisterProgramControls() {
    RegisterDeviceControls();
    RegisterEditorControls();
    RegisterMacroEditorControls();
    RegisterProfileControls();
}

ui::CControlUI* CreateProgramControl(const std::string& tag, ui::IDialogBuilderCallback* callback,
                                     ui::CPaintManagerUI* manager) {
    for (const TreeTag& entry : kTreeTags) {
        if (strcasecmp(tag.c_str(), entry.tag) != 0) continue;
        ui::CDialogBuilder builder;
        return builder.Create(entry.xml, {}, callback, manager);
    }
    return nullptr;
}

}  // namespace kx58
