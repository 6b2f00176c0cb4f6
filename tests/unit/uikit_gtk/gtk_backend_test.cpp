// The GTK backend on a real (virtual) X server: input sent through the X server reaches the
// controls, modal loops and menus keep the message queue running.
#include <gtest/gtest.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "gtk_pump.h"
#include "desktop_test_support.h"
#include "platform/message_queue.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "uikit/backend_choice.h"
#include "uikit/container.h"
#include "uikit/edit.h"
#include "uikit/gtk_backend.h"
#include "uikit/gtk_window.h"
#include "uikit/window_placement.h"

namespace desktoptest {
namespace {

GtkBackend* Gtk() { return dynamic_cast<GtkBackend*>(&CurrentBackend()); }

bool PumpUntil(const std::function<bool()>& done) { return kx58test::PumpGtkUntil(done); }

GtkBackendWindow* GtkWindowOf(CWindowWnd& window) { return dynamic_cast<GtkBackendWindow*>(window.GetBackendWindow()); }

POINT CenterOf(WindowImplBase& window, const std::string& name) {
    const RECT rc = window.GetPaintManager().FindControl(name)->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// Input goes through the X server (XTest), as a user's would: pointer grabs and focus apply.
Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

void MovePointer(CWindowWnd& window, POINT pt) {
    gint x = 0, y = 0;
    gdk_window_get_origin(GtkWindowOf(window)->ClientWindow(), &x, &y);
    XTestFakeMotionEvent(XDisplay(), -1, x + pt.x, y + pt.y, CurrentTime);
}

void Click(CWindowWnd& window, POINT pt) {
    MovePointer(window, pt);
    XTestFakeButtonEvent(XDisplay(), 1, True, CurrentTime);
    XTestFakeButtonEvent(XDisplay(), 1, False, CurrentTime);
    XFlush(XDisplay());
}

void Type(CWindowWnd& window, POINT pt, KeySym keysym, bool shift = false) {
    MovePointer(window, pt);
    const KeyCode shiftCode = XKeysymToKeycode(XDisplay(), XK_Shift_L);
    const KeyCode code = XKeysymToKeycode(XDisplay(), keysym);
    if (shift) XTestFakeKeyEvent(XDisplay(), shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(XDisplay(), code, True, CurrentTime);
    XTestFakeKeyEvent(XDisplay(), code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(XDisplay(), shiftCode, False, CurrentTime);
    XFlush(XDisplay());
}

bool Has(const std::vector<std::string>& senders, const std::string& name) {
    return std::find(senders.begin(), senders.end(), name) != senders.end();
}

class GtkBackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        kx58test::ScopedEnv ui("KX58_UI", "");
        ASSERT_TRUE(InstallChosenBackend(error)) << error;
    }
    void SetUp() override {
        ASSERT_NE(Gtk(), nullptr);
        ASSERT_TRUE(owner.Open(nullptr, false, 60, 60));
        ASSERT_TRUE(PumpUntil([&] { return GtkWindowOf(owner)->PaintCount() > 0; }));
    }
    void TearDown() override {
        if (CMenuWnd* menu = CMenuWnd::Current()) menu->Destroy();
        owner.Destroy();
        GtkBackend::Pump();
    }
    RecordingWindow owner{OwnerSkin()};
};

TEST_F(GtkBackendTest, WindowsSitOnTheMonitorAtTheirPlaceAndSize) {
    EXPECT_EQ(CurrentBackend().Name(), "gtk");
    IBackendWindow* window = owner.GetBackendWindow();
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(window->GetMonitorRect(), (RECT{0, 0, 1280, 800}));
    EXPECT_EQ(window->GetMonitorDpi(), 96);
    EXPECT_EQ(MonitorRectOf(owner), (RECT{0, 0, 1280, 800}));
    EXPECT_EQ(window->GetClientSize().cx, 300);
    EXPECT_EQ(window->GetClientSize().cy, 200);
    owner.CenterWindow();
    EXPECT_TRUE(PumpUntil([&] {
        gint x = 0, y = 0;
        gtk_window_get_position(GtkWindowOf(owner)->Widget(), &x, &y);
        return x == 490 && y == 300;
    }));
    EXPECT_EQ(window->GetRect(), (RECT{490, 300, 790, 500}));
}

// A control that counts how often it is painted.
class PaintCounter : public CControlUI {
public:
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override {
        ++paints;
        CControlUI::DoPaint(cr, rcPaint);
    }
    int paints = 0;
};

// Small changes side by side at staggered heights come to the paint as bands of GTK's dirty
// region: each changed control is painted once, and one between them that did not change is
// not painted at all.
TEST_F(GtkBackendTest, StaggeredSmallChangesArePaintedOnceEachAndNothingBetween) {
    auto* root = static_cast<CContainerUI*>(owner.GetPaintManager().GetRoot()->GetInterface("Container"));
    ASSERT_NE(root, nullptr);
    const RECT places[] = {{10, 10, 20, 20}, {40, 15, 50, 25}, {70, 20, 80, 30}, {55, 10, 65, 18}};
    std::vector<PaintCounter*> counters;
    for (const RECT& place : places) {
        auto* counter = new PaintCounter;
        counter->SetFloat(true);
        counter->SetFloatPos(place);
        counter->SetBkColor(0xFF336699);
        root->Add(counter);
        counters.push_back(counter);
    }
    owner.GetPaintManager().NeedUpdate();
    ASSERT_TRUE(PumpUntil([&] { return counters.back()->paints > 0; }));
    for (PaintCounter* counter : counters) counter->paints = 0;
    const int painted = GtkWindowOf(owner)->PaintCount();
    for (int i = 0; i < 3; ++i) counters[static_cast<std::size_t>(i)]->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return GtkWindowOf(owner)->PaintCount() > painted; }));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(counters[static_cast<std::size_t>(i)]->paints, 1) << "change " << i;
    EXPECT_EQ(counters[3]->paints, 0) << "the control between the changes";
}

TEST_F(GtkBackendTest, ClicksAndTypedTextReachTheControlsThroughTheXServer) {
    Click(owner, CenterOf(owner, "okbtn"));
    ASSERT_TRUE(PumpUntil([&] { return Has(owner.NotesOf("click"), "okbtn"); }));

    const POINT edit = CenterOf(owner, "edit");
    Click(owner, edit);
    ASSERT_TRUE(PumpUntil([&] { return Has(owner.NotesOf("setfocus"), "edit"); }));
    Type(owner, edit, XK_h);
    Type(owner, edit, XK_i);
    Type(owner, edit, XK_1, true);
    auto* field = dynamic_cast<CEditUI*>(owner.GetPaintManager().FindControl("edit"));
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return field->GetText() == "hi!"; })) << field->GetText();
    Type(owner, edit, XK_BackSpace);
    EXPECT_TRUE(PumpUntil([&] { return field->GetText() == "hi"; })) << field->GetText();
    EXPECT_TRUE(Has(owner.NotesOf("textchanged"), "edit"));
}

TEST_F(GtkBackendTest, ASecondQuickClickIsADoubleClick) {
    const POINT button = CenterOf(owner, "okbtn");
    Click(owner, button);
    Click(owner, button);
    EXPECT_TRUE(PumpUntil([&] { return Has(owner.NotesOf("dbclick"), "okbtn"); }));
}

TEST_F(GtkBackendTest, AModalWindowReturnsItsCloseCodeWhileCrossThreadSendsAndTimersRun) {
    ASSERT_TRUE(kx58::SetTimer(owner.GetHWND(), 9, 5));
    auto* modal = new RecordingWindow(OwnerSkin());
    ASSERT_TRUE(modal->Create(owner.GetHWND(), "modal", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 160, 100));
    const kx58::HWND hwnd = modal->GetHWND();
    const int ticksBefore = owner.timerTicks;
    std::atomic<long long> answer{0};
    std::thread worker([&] {
        kx58test::WaitUntil([&] { return modal->marked.load(); });
        answer = kx58::SendMessage(hwnd, kMsgDouble, 50, 0);
        kx58test::WaitUntil([&] { return owner.timerTicks >= ticksBefore + 3; });
        kx58::PostMessage(hwnd, kMsgClose, 11, 0);
    });
    kx58::PostMessage(hwnd, kMsgMark, 0, 0);
    // Input to the owner is refused while the modal window runs.
    const UINT result = modal->ShowModal();
    worker.join();
    EXPECT_EQ(result, 11u);
    EXPECT_EQ(answer.load(), 100);
    EXPECT_GE(owner.timerTicks, ticksBefore + 3);
    delete modal;
    kx58::KillTimer(owner.GetHWND(), 9);
    EXPECT_FALSE(GtkWindowOf(owner)->IsInputBlocked());
}

TEST_F(GtkBackendTest, AMenuItemClickedOnScreenComesBackAsAMenuCommand) {
    CMenuWnd* menu = CMenuWnd::CreateMenu(owner.GetHWND(), MenuSkin(), POINT{200, 150});
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return CMenuWnd::Current() && GtkWindowOf(*menu)->PaintCount() > 0; }));
    EXPECT_EQ(menu->GetBackendWindow()->GetRect().left, 200);
    Click(*menu, CenterOf(*menu, "opt_b"));
    ASSERT_TRUE(PumpUntil([&] { return !owner.menuCommands.empty(); }));
    EXPECT_EQ(owner.menuCommands[0].name, "opt_b");
    EXPECT_TRUE(owner.menuCommands[0].checked);
    EXPECT_EQ(CMenuWnd::Current(), nullptr);
}

TEST_F(GtkBackendTest, AChangedFontDpiRescalesEveryWindow) {
    GtkSettings* settings = gtk_settings_get_default();
    g_object_set(settings, "gtk-xft-dpi", 144 * 1024, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return owner.GetPaintManager().GetDPI() == 144; }));
    EXPECT_EQ(owner.GetBackendWindow()->GetMonitorDpi(), 144);
    g_object_set(settings, "gtk-xft-dpi", 96 * 1024, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return owner.GetPaintManager().GetDPI() == 96; }));
}

TEST_F(GtkBackendTest, AShownWindowShrinksBelowItsSkinMinimumWhenItsDpiFalls) {
    std::string skin = OwnerSkin();
    skin.replace(skin.find("<Window "), 8, R"(<Window mininfo="300,200" )");
    RecordingWindow window{skin};
    ASSERT_TRUE(window.Open(nullptr, false, 400, 300));
    ASSERT_TRUE(PumpUntil([&] { return GtkWindowOf(window)->PaintCount() > 0; }));
    window.GetPaintManager().SetDPI(72);
    EXPECT_TRUE(PumpUntil([&] {
        gint width = 0, height = 0;
        gtk_window_get_size(GtkWindowOf(window)->Widget(), &width, &height);
        return width == 225 && height == 150;
    }));
    EXPECT_EQ(window.GetBackendWindow()->GetClientSize().cx, 225);
    window.Destroy();
}

// The visible tool tip window and its text, as GTK shows it on the screen.
struct ShownTip {
    bool visible = false;
    RECT rect{};
    std::string text;
};

void CollectLabelText(GtkWidget* widget, gpointer out) {
    if (GTK_IS_LABEL(widget)) *static_cast<std::string*>(out) += gtk_label_get_text(GTK_LABEL(widget));
    else if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), CollectLabelText, out);
}

ShownTip VisibleToolTip() {
    ShownTip tip;
    GList* windows = gtk_window_list_toplevels();
    for (GList* it = windows; it; it = it->next) {
        GtkWidget* widget = GTK_WIDGET(it->data);
        GdkWindow* window = gtk_widget_get_window(widget);
        if (!window || !gtk_widget_get_mapped(widget) ||
            gtk_window_get_type_hint(GTK_WINDOW(widget)) != GDK_WINDOW_TYPE_HINT_TOOLTIP)
            continue;
        gint x = 0, y = 0;
        gdk_window_get_origin(window, &x, &y);
        tip.visible = true;
        tip.rect = RECT{x, y, x + gdk_window_get_width(window), y + gdk_window_get_height(window)};
        CollectLabelText(widget, &tip.text);
    }
    g_list_free(windows);
    return tip;
}

TEST_F(GtkBackendTest, EachToolTipOpensBesideItsOwnControl) {
    RecordingWindow wide(R"(<Window size="800,120">
  <Font id="0" name="DejaVu Sans" size="13" default="true"/>
  <HorizontalLayout bkcolor="#FF202020" inset="20,40,20,40">
    <Button name="lightswitch" width="60" tooltip="Lighting" bkcolor="#FF3060A0"/>
    <Control/>
    <Button name="minbtn" width="60" tooltip="Minimise" bkcolor="#FF3060A0"/>
  </HorizontalLayout>
</Window>)");
    ASSERT_TRUE(wide.Open(nullptr, false, 100, 300));
    ASSERT_TRUE(PumpUntil([&] { return GtkWindowOf(wide)->PaintCount() > 0; }));
    gint originX = 0, originY = 0;
    gdk_window_get_origin(GtkWindowOf(wide)->ClientWindow(), &originX, &originY);
    for (const char* name : {"lightswitch", "minbtn", "lightswitch"}) {
        const POINT at = CenterOf(wide, name);
        MovePointer(wide, at);
        XFlush(XDisplay());
        const std::string text = std::string(name) == "minbtn" ? "Minimise" : "Lighting";
        ASSERT_TRUE(PumpUntil([&] { return VisibleToolTip().text == text; })) << name;
        // Its window opens near the pointer over that control (GTK may settle it a moment later).
        EXPECT_TRUE(PumpUntil([&] {
            const ShownTip tip = VisibleToolTip();
            return tip.visible && std::abs(tip.rect.left - (originX + at.x)) < 150 &&
                   std::abs(tip.rect.top - (originY + at.y)) < 150;
        })) << name << " tip at " << VisibleToolTip().rect.left << "," << VisibleToolTip().rect.top
            << ", pointer at " << originX + at.x << "," << originY + at.y;
    }
    wide.Destroy();
    GtkBackend::Pump();
}

TEST_F(GtkBackendTest, OtherThreadsGetNoWindowsButKeepTheirMessageLoops) {
    std::thread other([] {
        RecordingWindow window(OwnerSkin());
        EXPECT_FALSE(window.Create(nullptr, "elsewhere", WS_POPUP, 0, 0, 0, 100, 100));
        // A plain message window of that thread still runs its modal wait on the queue.
        bool done = false;
        kx58::MessageWindow messages([&done](UINT, WPARAM, LPARAM) -> LRESULT {
            done = true;
            return 0;
        });
        kx58::PostMessage(messages.Hwnd(), kx58::WM_USER, 0, 0);
        EXPECT_TRUE(CurrentBackend().RunModalLoop([&done] { return done; }));
    });
    other.join();
}

}  // namespace
}  // namespace desktoptest
