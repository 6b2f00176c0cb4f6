#pragma once
// A window built from skin XML text that records every notification it is told, as
// "type:sender", for the editor control tests.
#include <algorithm>
#include <string>
#include <vector>

#include "uikit/window.h"

namespace editorstest {

class SkinWindow : public kx58::ui::WindowImplBase {
public:
    SkinWindow(std::string className, std::string xml) : className_(std::move(className)), xml_(std::move(xml)) {}
    std::string GetWindowClassName() const override { return className_; }
    std::string GetSkinFile() override { return xml_; }
    void Notify(kx58::ui::TNotifyUI& msg) override {
        notes.push_back(msg.sType + ":" + (msg.pSender ? msg.pSender->GetName() : std::string()));
        WindowImplBase::Notify(msg);
    }
    int Count(const std::string& note) const { return static_cast<int>(std::count(notes.begin(), notes.end(), note)); }
    std::vector<std::string> notes;

private:
    std::string className_;
    std::string xml_;
};

}  // namespace editorstest
