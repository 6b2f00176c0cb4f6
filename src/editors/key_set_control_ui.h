#pragma once
// CKeySetControlUI: the key assignment editor of a device page. It shows one key's 24-bit
// assignment code (category, first and second parameter) in its controls and builds the code
// back from them. It is a view: the owning page stores the code and writes the device.
// Controls are looked up inside this control on first use, so each page finds its own.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editors/named_controls.h"
#include "uikit/container.h"
#include "uikit/edit.h"

namespace kx58 {

// The editor's function types: the user data of the entries of "keyset_function_combo" and
// the page of "function_switch_tablayout" each one shows.
enum KeyFunctionType : int {
    kFunctionNone = 0,
    kFunctionMouseButton = 1,
    kFunctionSwing = 2,
    kFunctionWheel = 3,
    kFunctionDpi = 4,
    kFunctionFire = 5,
    kFunctionKeyboard = 6,
    kFunctionMedia = 7,
    kFunctionSystem = 8,
    kFunctionMacro = 9,
    kFunctionGun = 10,
    kFunctionShortcut = 11,
};

inline constexpr int kMacroRepeatCountMode = 4;  // the play mode that repeats a number of times

class CKeySetControlUI : public ui::CHorizontalLayoutUI {
public:
    std::string GetClass() const override { return "KeySetControlUI"; }
    void* GetInterface(std::string_view name) override;

    void ShowAssignment(std::uint32_t code);
    // Builds the code from the controls and keeps it as the current code.
    std::uint32_t BuildAssignment();
    std::uint32_t GetAssignment() const;
    // The code of the "none" function: shown as type 0 and built for it.
    void SetReferenceCode(std::uint32_t code) { reference_ = Bytes(code); }
    void SetMacroNames(const std::vector<std::string>& names);
    // Mode 1 (a keyboard) offers no DPI function and no gun key.
    void SetDeviceMode(int mode);
    void SetButtonsEnabled(bool on);
    void SetModifierOption(int index);
    int GetModifierOption();
    int FindFunctionEntry(int type);
    // The type of the selected function entry; 0 when none is selected.
    int GetFunctionType();
    // A key pressed while the key edit had the focus (a row of KeyboardKeyRows()).
    void TakePressedKey(int row);
    // A change of the function or play mode inside the editor: the panels follow it.
    void TakeUserEdit(const ui::TNotifyUI& msg);
    // What the code does, in words for the user ("Shift+A", "Mute", "Macro: macro_1").
    std::string DescribeAssignment(std::uint32_t code);
    // The translated name of a name key ("keyboard_key_A" shows as "A" without a translation).
    std::string DisplayName(const std::string& nameKey);

private:
    using Code = std::array<std::uint8_t, 3>;
    static Code Bytes(std::uint32_t code) {
        return {static_cast<std::uint8_t>(code >> 16), static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};
    }
    ui::CControlUI* Find(const std::string& name) { return controls_.Find(name); }
    template <class T> T* FindAs(const std::string& name) { return controls_.FindAs<T>(name); }
    int EditNumber(const std::string& name);
    void SetEditNumber(const std::string& name, int value);
    int ComboIndex(const std::string& name);
    void SelectCombo(const std::string& name, int index);
    void ShowFunctionPage(int type);
    void SelectFirstRowsOf(int type);
    void ShowKeyboardKey(const Code& code);
    void ShowKeyName(int row);
    void ShowMacro(const Code& code);
    void ShowSwingOrWheel(const Code& code, bool wheel);
    Code BuildSwingOrWheel(bool wheel);
    bool BuildMacro(Code& built);
    bool BuildFromTable(int type, Code& built);
    void ShowTableRow(int type, const Code& code);

    Code code_{};
    Code reference_{};
    std::uint8_t keyUsage_ = 0;  // the key of the key edit
    int macroCount_ = 0;
    std::vector<std::string> macroNames_;
    int deviceMode_ = 0;
    NamedControls controls_{*this};
};

// "keyset_keyboard_text_edit": takes the key pressed while it has the focus instead of text.
class CKeyCaptureEditUI : public ui::CEditUI {
public:
    std::string GetClass() const override { return "KeyCaptureEditUI"; }
    void* GetInterface(std::string_view name) override;
    void DoEvent(ui::TEventUI& event) override;
};

void RegisterKeySetControls();

}  // namespace kx58
