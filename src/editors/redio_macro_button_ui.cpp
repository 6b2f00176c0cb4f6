#include "editors/redio_macro_button_ui.h"

#include "editors/audio_record_ui.h"
#include "editors/chart_view_ui.h"
#include "editors/circle_progress_ui.h"
#include "editors/combo_edit_element_ui.h"
#include "editors/hand_img_button_ui.h"
#include "editors/wnd_ui.h"
#include "uikit/control_factory.h"

namespace kx58 {

void* CRedioMacroButtonUI::GetInterface(std::string_view name) {
    if (name == "RedioMacroButton") return this;
    return CButtonUI::GetInterface(name);
}

void CRedioMacroButtonUI::SetRedioImage(const std::string& image) {
    if (image == redioImage_) return;
    redioImage_ = image;
    Invalidate();
}

void CRedioMacroButtonUI::PaintStatusImage(cairo_t* cr) {
    CButtonUI::PaintStatusImage(cr);
    // The mark shows in every state, so it goes over whichever state image was drawn.
    if (!redioImage_.empty()) DrawImage(cr, redioImage_);
}

void CRedioMacroButtonUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CRedioMacroButtonUI> kAttributes[] = {
        {"redioimage", [](CRedioMacroButtonUI& c, V v) { c.SetRedioImage(v); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CButtonUI::SetAttribute(name, value);
}

void RegisterEditorButtons() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl("RedioMacroButton", [] { return new CRedioMacroButtonUI; });
    factory->RegistControl("ComboEditContainerElement", [] { return new CComboEditContainerElementUI; });
    factory->RegistControl("CircleProgress", [] { return new CCircleProgressUI; });
    factory->RegistControl("ChartView", [] { return new CChartViewUI; });
    factory->RegistControl("Wnd", [] { return new CWndUI; });
    factory->RegistControl("HandImgButton", [] { return new CHandImgButtonUI; });
    factory->RegistControl("HandImgSelectButton", [] { return new CHandImgSelectButtonUI; });
    factory->RegistControl("AudioRecord", [] { return new CAudioRecordUI; });
}

}  // namespace kx58
