#pragma once
// CMsgWnd: the program's message box, for every question and notice. A modal pop-up of the
// main window built from "XML_MSG": a title, a text and one or two buttons.
#include <string>

#include "uikit/window.h"

namespace kx58 {

inline constexpr int kMessageButtonsConfirm = 0;            // "confirm_btn" only
inline constexpr int kMessageButtonsConfirmCancel = 1;      // "confirm_btn" and "cancel_btn"

class CMsgWnd : public ui::WindowImplBase {
public:
    // 1 for "confirm_btn", 0 for "cancel_btn" or closing. An empty title or text leaves the
    // skin's; with `textIsIdentifier` the text is a language identifier ("message_text_5").
    // `dpi` outside the supported values is traced and taken as 96.
    static int ShowMessage(ui::CWindowWnd& owner, const std::string& title, const std::string& text, int dpi,
                           bool textIsIdentifier, int buttons);

    std::string GetWindowClassName() const override { return "msgwnd"; }
    std::string GetSkinFile() override { return "XML_MSG"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    CMsgWnd(std::string title, std::string text, bool textIsIdentifier, int buttons);

    std::string m_title;
    std::string m_text;
    bool m_textIsIdentifier;
    int m_buttons;
};

}  // namespace kx58
