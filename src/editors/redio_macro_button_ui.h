#pragma once
// CRedioMacroButtonUI: a button with a radio (record) mark drawn over its status image, for
// the start and stop recording buttons of the macro editor and the radio choices of the key
// editor. The mark is an image string ("redioimage"); every other attribute, event and state
// is the button's own.
#include <string>

#include "uikit/button.h"

namespace kx58 {

class CRedioMacroButtonUI : public ui::CButtonUI {
public:
    std::string GetClass() const override { return "RedioMacroButtonUI"; }
    void* GetInterface(std::string_view name) override;

    const std::string& GetRedioImage() const { return redioImage_; }
    void SetRedioImage(const std::string& image);

    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    std::string redioImage_;
};

// Registers the editors' own controls with the control factory: "RedioMacroButton",
// "ComboEditContainerElement", "CircleProgress", "ChartView", "Wnd", "HandImgButton",
// "HandImgSelectButton" and "AudioRecord".
void RegisterEditorButtons();

}  // namespace kx58
