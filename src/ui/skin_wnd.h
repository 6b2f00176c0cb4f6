#pragma once
// The skin window ("skinframe", "skin.xml"): a small tool window beside the main window that
// changes the main window's background to a colour, one of the shipped images or a picture of
// the user's. Its choices reach every registered receiver; the image chosen is noted in
// "main.ini" of the per-user folder (written, never read back).
#include <functional>
#include <map>
#include <string>

#include "uikit/window.h"

namespace kx58 {

inline constexpr const char* kDefaultBackgroundImage = "common/background.png";
inline constexpr const char* kCustomBackgroundFilter = "(*.png) | *.png |(*.*)|*.*||";

struct SkinChangedParam {
    bool useColour = false;
    DWORD colour = 0;   // ARGB, when useColour
    std::string image;  // skin-relative or absolute, when not
};

// The receivers of skin changes. UI thread only.
class SkinChangeEvents {
public:
    using Receiver = std::function<void(const SkinChangedParam&)>;
    static SkinChangeEvents& Instance();
    int Add(Receiver receiver);
    void Remove(int id);
    void Send(const SkinChangedParam& param) const;

private:
    std::map<int, Receiver> receivers_;
    int nextId_ = 1;
};

// One receiver's registration, removed when it goes.
class SkinChangeSubscription {
public:
    SkinChangeSubscription() = default;
    ~SkinChangeSubscription() { Cancel(); }
    SkinChangeSubscription(const SkinChangeSubscription&) = delete;
    SkinChangeSubscription& operator=(const SkinChangeSubscription&) = delete;
    void Listen(SkinChangeEvents::Receiver receiver);
    void Cancel();
    bool IsListening() const { return id_ != 0; }

private:
    int id_ = 0;
};

// "main.ini" of the per-user folder, section "SKINIMAGE".
std::string SkinChoiceFilePath();

class CSkinFrame : public ui::WindowImplBase {
public:
    // Opens the window for `owner`; the window deletes itself when it closes. Null when it
    // could not be created.
    static CSkinFrame* Open(ui::CWindowWnd& owner, int dpi);

    std::string GetWindowClassName() const override { return "CSkinFrame"; }
    std::string GetSkinFile() override { return "skin.xml"; }
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    CSkinFrame() = default;
    void OnClick(ui::TNotifyUI& msg) override;
    void ShowPage(int page);
    void ChooseCustomImage();
};

}  // namespace kx58
