#pragma once
// A modal message box of the gallery: title, text, OK and Cancel; centred on its owner.
#include <string>

#include "uikit/window.h"

namespace gallery {

class MessageWnd : public kx58::ui::WindowImplBase {
public:
    MessageWnd(std::string title, std::string text) : m_title(std::move(title)), m_text(std::move(text)) {}

    // Shows the box modal over `owner`; IDOK or IDCANCEL.
    static kx58::UINT Ask(kx58::ui::CWindowWnd& owner, const std::string& title, const std::string& text);

    std::string GetWindowClassName() const override { return "GalleryMessageWnd"; }
    std::string GetSkinFile() override { return "XML_MESSAGE"; }
    void InitWindow() override;
    void OnClick(kx58::ui::TNotifyUI& msg) override;
    kx58::LRESULT HandleCustomMessage(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM lParam,
                                      bool& handled) override;
    void OnFinalMessage(kx58::HWND hwnd) override;

private:
    std::string m_title;
    std::string m_text;
};

}  // namespace gallery
