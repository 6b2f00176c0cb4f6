#pragma once
// Shared pieces of the UI layer tests: a private skin folder, a window that records what it
// is told, and a trace recorder.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "uikit/headless_backend.h"
#include "uikit/headless_input.h"
#include "uikit/resource_manager.h"
#include "uikit/window.h"

namespace uikittest {

using namespace kx58::ui;

// A copy of the test skins in a temp folder, with generated images, set as the skin folder.
class SkinFolder {
public:
    SkinFolder();
    ~SkinFolder();
    const std::string& Path() const { return m_path; }

private:
    kx58test::TempDir m_dir;
    std::string m_path;
};

struct Recorded {
    std::string type;
    std::string sender;
    WPARAM wParam;
    LPARAM lParam;
};

// A control of the test tag "Fancy", made by the window's builder callback.
class FancyUI : public CControlUI {
public:
    std::string GetClass() const override { return "FancyUI"; }
    int paints = 0;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override {
        if (!RectsIntersect(rcPaint, m_rcItem)) return;
        ++paints;
        CControlUI::DoPaint(cr, rcPaint);
    }
};

class TestWindow : public WindowImplBase {
public:
    explicit TestWindow(std::string skin) : m_skin(std::move(skin)) {}
    std::string GetWindowClassName() const override { return "TestWnd"; }
    std::string GetSkinFile() override { return m_skin; }
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::string& className) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // Creates the window and shows it, then runs the loop until idle.
    bool Open(bool visible = true);
    template <typename T = CControlUI>
    T* Find(const std::string& name) {
        return dynamic_cast<T*>(m_pm.FindControl(name));
    }
    std::vector<Recorded> Taken(const std::string& type) const;
    std::vector<Recorded> notes;
    std::vector<std::string> unknownTags;
    std::vector<UINT> customMessages;

private:
    std::string m_skin;
};

// Collects traces for the test's lifetime.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    bool Contains(const std::string& part) const;
    std::size_t Count(const std::string& part) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

HeadlessBackend& Backend();
POINT Center(CControlUI* control);

}  // namespace uikittest
