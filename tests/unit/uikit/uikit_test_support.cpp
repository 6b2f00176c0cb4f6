#include "uikit_test_support.h"

#include <cairo.h>

#include <filesystem>

#include "platform/debug_trace.h"
#include "uikit/font.h"
#include "uikit/resource_manager.h"

#include <gtest/gtest.h>

namespace uikittest {

namespace {

void FillPng(const std::string& path, int width, int height, void (*draw)(cairo_t*)) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
}

}  // namespace

SkinFolder::SkinFolder() : m_path(m_dir.Path() + "/skin/") {
    std::filesystem::copy(KX58_UIKIT_TEST_SKINS, m_path, std::filesystem::copy_options::recursive);
    std::filesystem::create_directories(m_path + "img");
    // 40 x 20: left half red, right half green.
    FillPng(m_path + "img/sprite.png", 40, 20, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, 20, 20);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 1, 0);
        cairo_rectangle(cr, 20, 0, 20, 20);
        cairo_fill(cr);
    });
    // 12 x 12: a blue frame 4 pixels wide around white.
    FillPng(m_path + "img/frame.png", 12, 12, [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 4, 4, 4, 4);
        cairo_fill(cr);
    });
    CResourceManager::GetInstance()->Release();
    CPaintManagerUI::SetResourcePath(m_path);
    Backend().SetMonitor(RECT{0, 0, 1920, 1080}, 96);
}

SkinFolder::~SkinFolder() { CResourceManager::GetInstance()->Release(); }

void TestWindow::Notify(TNotifyUI& msg) {
    notes.push_back(Recorded{msg.sType, msg.pSender ? msg.pSender->GetName() : std::string(), msg.wParam,
                             msg.lParam});
    WindowImplBase::Notify(msg);
}

CControlUI* TestWindow::CreateControl(const std::string& className) {
    unknownTags.push_back(className);
    if (className == "Fancy") return new FancyUI();
    return nullptr;
}

LRESULT TestWindow::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (message >= kx58::WM_USER && message < kx58::WM_USER + 100) {
        customMessages.push_back(message);
        handled = true;
        return static_cast<LRESULT>(wParam * 2);
    }
    return 0;
}

bool TestWindow::Open(bool visible) {
    if (!Create(nullptr, "test", UI_WNDSTYLE_FRAME & ~WS_VISIBLE, 0, 0, 0, 100, 100)) return false;
    if (visible) ShowWindow(true);
    Backend().RunUntilIdle();
    return true;
}

std::vector<Recorded> TestWindow::Taken(const std::string& type) const {
    std::vector<Recorded> result;
    for (const Recorded& note : notes)
        if (note.type == type) result.push_back(note);
    return result;
}

TraceRecorder::TraceRecorder() {
    kx58::SetTraceSink([this](std::string_view line) {
        std::lock_guard lock(m_mutex);
        m_lines.emplace_back(line);
    });
}

TraceRecorder::~TraceRecorder() { kx58::SetTraceSink({}); }

bool TraceRecorder::Contains(const std::string& part) const { return Count(part) > 0; }

std::size_t TraceRecorder::Count(const std::string& part) const {
    std::lock_guard lock(m_mutex);
    std::size_t count = 0;
    for (const std::string& line : m_lines)
        if (line.find(part) != std::string::npos) ++count;
    return count;
}

HeadlessBackend& Backend() { return *HeadlessBackend::Get(); }

POINT Center(CControlUI* control) {
    const RECT& rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace uikittest

namespace {

// Font caches are process-wide; they are released once, after every test ran.
class FontCacheRelease : public ::testing::Environment {
public:
    void TearDown() override { kx58::ui::fonts::ReleaseFontResources(); }
};

const auto* const kFontCacheRelease = ::testing::AddGlobalTestEnvironment(new FontCacheRelease());

}  // namespace
