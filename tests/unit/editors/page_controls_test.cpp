// The device pages' own controls as a user meets them in a headless window: the ring of a
// progress, image buttons with a delete mark and their own pointer, the charts, a window
// placed over a control, and the sound level bars whose peaks fall back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editors/audio_record_ui.h"
#include "editors/chart_view_ui.h"
#include "editors/circle_progress_ui.h"
#include "editors/hand_img_button_ui.h"
#include "editors/redio_macro_button_ui.h"
#include "editors/wnd_ui.h"
#include "platform/message_queue.h"
#include "support/temp_dir.h"
#include "uikit/headless_backend.h"
#include "uikit/headless_input.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/window.h"
#include "unit/editors/skin_window.h"

namespace {

using namespace kx58;
using namespace kx58::ui;

constexpr DWORD kPageColor = 0x15161A;
constexpr DWORD kRed = 0xFFE02020;
constexpr DWORD kGreen = 0xFF20E020;

using PageWindow = editorstest::SkinWindow;

// A solid square PNG, for images whose pixels the test knows.
std::string SolidPng(const kx58test::TempDir& dir, const std::string& name, DWORD argb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    const std::string path = dir / name;
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    return path;
}

DWORD Rgb(DWORD argb) { return argb & 0xFFFFFF; }

bool Near(DWORD a, DWORD b, int tolerance = 24) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

class PageControls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterEditorButtons(); }

    void Open(const std::string& body, int x = 0, int y = 0, SIZE size = SIZE{320, 200}) {
        CResourceManager::GetInstance()->Release();
        CPaintManagerUI::SetResourcePath(KX58_SKIN_FOLDER);
        window = std::make_unique<PageWindow>("PageControlsTestWnd",
                                              "<Window size=\"" + std::to_string(size.cx) + "," +
                                                  std::to_string(size.cy) + "\"><VerticalLayout bkcolor=\"#FF15161A\">" +
                                                  body + "</VerticalLayout></Window>");
        input = std::make_unique<HeadlessInput>(*window);
        ASSERT_TRUE(window->Create(nullptr, "page", UI_WNDSTYLE_FRAME & ~WS_VISIBLE, 0, x, y, size.cx, size.cy));
        window->ShowWindow(true);
        input->RunUntilIdle();
        window->notes.clear();
    }
    void TearDown() override {
        if (window) window->Destroy();
        CResourceManager::GetInstance()->Release();
    }
    template <typename T>
    T* Find(const std::string& name) {
        return dynamic_cast<T*>(window->GetPaintManager().FindControl(name));
    }
    DWORD Pixel(int x, int y) {
        input->Target()->Flush();
        return Rgb(input->Target()->PixelAt(x, y));
    }
    // How many pixels of the window show exactly `color`.
    int CountColor(DWORD color) {
        HeadlessWindow& target = *input->Target();
        target.Flush();
        const SIZE size = target.GetClientSize();
        int count = 0;
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x)
                if (Rgb(target.PixelAt(x, y)) == Rgb(color)) ++count;
        return count;
    }

    kx58test::TempDir images;
    std::unique_ptr<PageWindow> window;
    std::unique_ptr<HeadlessInput> input;
};

// --- CircleProgress -------------------------------------------------------------------

// A 100 x 100 ring at 20,20, 10 wide: its middle line runs 45 pixels around 70,70.
const char* const kRing =
    "<CircleProgress name=\"battery\" float=\"true\" pos=\"20,20,120,120\" ringwidth=\"10\""
    " ringcolor=\"#FF2EC5FF\" trackcolor=\"#FF404040\" textcolor=\"#FFD7DAE2\" showtext=\"true\"/>";

POINT OnRing(double clockwiseDegreesFromTop) {
    const double a = clockwiseDegreesFromTop * M_PI / 180;
    return POINT{static_cast<int>(std::lround(70 + 45 * std::sin(a))), static_cast<int>(std::lround(70 - 45 * std::cos(a)))};
}

TEST_F(PageControls, RingFillsClockwiseFromTwelveWithTheValue) {
    Open(kRing);
    auto* ring = Find<CCircleProgressUI>("battery");
    ASSERT_NE(ring, nullptr);
    const struct {
        int value;
        std::vector<double> filled;
        std::vector<double> empty;
    } cases[] = {
        {0, {}, {10, 45, 135, 225, 315, 350}},
        {50, {10, 45, 135, 170}, {190, 225, 315, 350}},
        {100, {10, 45, 135, 225, 315, 350}, {}},
    };
    for (const auto& c : cases) {
        ring->SetValue(c.value);
        for (double angle : c.filled)
            EXPECT_EQ(Pixel(OnRing(angle).x, OnRing(angle).y), 0x2EC5FFu) << c.value << "% at " << angle;
        for (double angle : c.empty)
            EXPECT_EQ(Pixel(OnRing(angle).x, OnRing(angle).y), 0x404040u) << c.value << "% at " << angle;
        // Inside and outside the ring the page shows.
        EXPECT_EQ(Pixel(70, 40), kPageColor);
        EXPECT_EQ(Pixel(10, 70), kPageColor);
    }
}

TEST_F(PageControls, RingShowsThePercentInItsMiddle) {
    Open(kRing);
    auto* ring = Find<CCircleProgressUI>("battery");
    ring->SetMaxValue(200);
    ring->SetValue(50);
    int textPixels = 0;
    for (int y = 55; y < 85; ++y)
        for (int x = 45; x < 95; ++x)
            if (Near(Pixel(x, y), 0xD7DAE2, 60)) ++textPixels;
    EXPECT_GT(textPixels, 15);
    // The quarter of the range fills a quarter of the ring.
    EXPECT_EQ(Pixel(OnRing(80).x, OnRing(80).y), 0x2EC5FFu);
    EXPECT_EQ(Pixel(OnRing(100).x, OnRing(100).y), 0x404040u);
}

// --- HandImgButton, HandImgSelectButton ------------------------------------------------

class ImageButtons : public PageControls {
protected:
    void OpenButtons() {
        const std::string red = SolidPng(images, "red.png", kRed);
        const std::string green = SolidPng(images, "green.png", kGreen);
        // The card's mark is the 16 x 16 corner square at 104..120, 20..36.
        Open("<HandImgButton name=\"card\" float=\"true\" pos=\"20,20,120,60\" bkcolor=\"#FF303030\""
             " deletenormalimage=\"" + red + "\" deletehotimage=\"" + green + "\"/>"
             "<HandImgButton name=\"off\" float=\"true\" pos=\"20,80,120,120\" enabled=\"false\"/>"
             "<HandImgSelectButton name=\"pick\" float=\"true\" pos=\"150,20,250,60\" cursor=\"sizewe\"/>"
             "<HandImgSelectButton name=\"pick_hand\" float=\"true\" pos=\"150,80,250,120\"/>"
             "<HandImgSelectButton name=\"pick_off\" float=\"true\" pos=\"150,140,250,180\" enabled=\"false\"/>");
    }
};

TEST_F(ImageButtons, ClickReleasedOnTheDeleteMarkAsksToDelete) {
    OpenButtons();
    input->Click(POINT{112, 28});
    EXPECT_EQ(window->Count("click_handdelete:card"), 1);
    EXPECT_EQ(window->Count("click:card"), 0);
}

TEST_F(ImageButtons, ClickElsewhereOnTheButtonIsAClick) {
    OpenButtons();
    input->Click(POINT{60, 45});
    input->Click(POINT{112, 45});  // under the mark
    EXPECT_EQ(window->Count("click:card"), 2);
    EXPECT_EQ(window->Count("click_handdelete:card"), 0);
}

TEST_F(ImageButtons, DeleteMarkTurnsHotUnderThePointer) {
    OpenButtons();
    input->MouseMove(POINT{60, 40});
    EXPECT_EQ(Pixel(112, 28), Rgb(kRed));
    input->MouseMove(POINT{112, 28});
    EXPECT_EQ(Pixel(112, 28), Rgb(kGreen));
    input->MouseMove(POINT{60, 40});
    EXPECT_EQ(Pixel(112, 28), Rgb(kRed));
    EXPECT_EQ(Pixel(60, 40), 0x303030u);
}

TEST_F(ImageButtons, EnterAndLeaveAreToldOnceEachWhileEnabled) {
    OpenButtons();
    for (const char* name : {"card", "pick"}) {
        window->notes.clear();
        POINT centre;
        ASSERT_TRUE(input->CenterOf(name, centre));
        input->MouseMove(POINT{300, 190});
        input->MouseMove(centre);
        input->MouseMove(POINT{centre.x + 5, centre.y + 3});
        input->MouseMove(POINT{300, 190});
        EXPECT_EQ(window->Count(std::string("msenter:") + name), 1) << name;
        EXPECT_EQ(window->Count(std::string("msleave:") + name), 1) << name;
    }
}

TEST_F(ImageButtons, DisabledButtonsStaySilent) {
    OpenButtons();
    for (const char* name : {"off", "pick_off"}) {
        POINT centre;
        ASSERT_TRUE(input->CenterOf(name, centre));
        input->MouseMove(centre);
        input->Click(centre);
        input->MouseMove(POINT{300, 190});
        for (const std::string& note : window->notes)
            EXPECT_EQ(note.find(std::string(":") + name), std::string::npos) << note;
    }
}

TEST_F(ImageButtons, SelectButtonShowsItsOwnPointer) {
    OpenButtons();
    HeadlessWindow& target = *input->Target();
    ASSERT_TRUE(input->MoveTo("pick"));
    EXPECT_EQ(target.Cursor(), CursorKind::SizeWE);
    ASSERT_TRUE(input->MoveTo("pick_hand"));
    EXPECT_EQ(target.Cursor(), CursorKind::Hand);
    input->MouseMove(POINT{300, 190});
    EXPECT_EQ(target.Cursor(), CursorKind::Arrow);
}

// --- ChartView ---------------------------------------------------------------------------

TEST_F(PageControls, PieSlicesTakeTheirShareOfTheCircle) {
    Open("<ChartView name=\"chart\" float=\"true\" pos=\"10,10,210,190\" showtext=\"false\"/>");
    auto* chart = Find<CChartViewUI>("chart");
    ASSERT_NE(chart, nullptr);
    chart->Add("Left", 1);
    chart->Add("Right", 3);
    chart->Add("Middle", 0);
    const double first = CountColor(CChartViewUI::SeriesColor(0));
    const double second = CountColor(CChartViewUI::SeriesColor(1));
    ASSERT_GT(first, 1000);
    EXPECT_NEAR(second / first, 3.0, 0.15);
    EXPECT_EQ(CountColor(CChartViewUI::SeriesColor(2)), 0);
    // The first slice runs from 12 to 3 o'clock: right of the top, not left of it.
    EXPECT_EQ(Pixel(125, 60), Rgb(CChartViewUI::SeriesColor(0)));
    EXPECT_EQ(Pixel(95, 60), Rgb(CChartViewUI::SeriesColor(1)));
}

TEST_F(PageControls, BarsRiseInProportionToTheirValues) {
    Open("<ChartView name=\"chart\" float=\"true\" pos=\"10,10,310,190\" view=\"histpgram\" showtext=\"false\"/>");
    auto* chart = Find<CChartViewUI>("chart");
    for (const auto& [name, value] : std::vector<std::pair<std::string, double>>{{"400", 1}, {"800", 2}, {"1600", 4}})
        chart->Add(name, value);
    const double small = CountColor(CChartViewUI::SeriesColor(0));
    ASSERT_GT(small, 300);
    EXPECT_NEAR(CountColor(CChartViewUI::SeriesColor(1)) / small, 2.0, 0.1);
    EXPECT_NEAR(CountColor(CChartViewUI::SeriesColor(2)) / small, 4.0, 0.2);
    chart->RemoveAll();
    EXPECT_EQ(CountColor(CChartViewUI::SeriesColor(2)), 0);
}

TEST_F(PageControls, PillarAndShadowImagesDressTheBars) {
    const std::string pillar = SolidPng(images, "pillar.png", kGreen);
    const std::string shadow = SolidPng(images, "shadow.png", kRed);
    // The bars stand on y = 182 (the control less its margin); the shadow lies across it.
    Open("<ChartView name=\"chart\" float=\"true\" pos=\"10,10,310,190\" view=\"histpgram\" showtext=\"false\""
         " pillarimage=\"" + pillar + "\" pillarimagewidth=\"20\" shadowimage=\"" + shadow +
         "\" shadowimageheight=\"8\"/>");
    auto* chart = Find<CChartViewUI>("chart");
    chart->Add("slow", 1);
    chart->Add("fast", 3);
    const double green = CountColor(kGreen);
    EXPECT_EQ(CountColor(CChartViewUI::SeriesColor(0)), 0);
    // Two bars of 20 pixels, one a third of the other's height: 4/3 of the tall one's area.
    EXPECT_NEAR(green, 20 * 164 * 4.0 / 3, 60);
    EXPECT_EQ(Pixel(30, 185), Rgb(kRed));
    EXPECT_EQ(Pixel(30, 175), kPageColor);
}

// --- Wnd ------------------------------------------------------------------------------------

class HostedWindow : public PageControls {
protected:
    void OpenHost() {
        Open("<Wnd name=\"preview\" float=\"true\" pos=\"30,40,130,100\"/>", 100, 100);
        hosted = std::make_unique<PageWindow>("HostedTestWnd", "<Window><Control bkcolor=\"#FF2EC5FF\"/></Window>");
        ASSERT_TRUE(hosted->Create(window->GetHWND(), "hosted", WS_POPUP, 0, 0, 0, 10, 10));
        wnd = Find<CWndUI>("preview");
        ASSERT_NE(wnd, nullptr);
        wnd->Attach(hosted.get());
        input->RunUntilIdle();
    }
    void TearDown() override {
        if (hosted) hosted->Destroy();
        PageControls::TearDown();
    }
    RECT HostedRect() const { return hosted->GetBackendWindow()->GetRect(); }

    std::unique_ptr<PageWindow> hosted;
    CWndUI* wnd = nullptr;
};

TEST_F(HostedWindow, AttachedWindowLiesOverTheControl) {
    OpenHost();
    EXPECT_EQ(HostedRect(), (RECT{130, 140, 230, 200}));
    EXPECT_TRUE(hosted->IsWindowVisible());
}

TEST_F(HostedWindow, AttachedWindowFollowsTheControlAndItsWindow) {
    OpenHost();
    window->MoveWindow(300, 200);
    EXPECT_EQ(HostedRect(), (RECT{330, 240, 430, 300}));
    wnd->SetFloatPos(RECT{50, 10, 250, 60});
    input->RunUntilIdle();
    EXPECT_EQ(HostedRect(), (RECT{350, 210, 550, 260}));
}

TEST_F(HostedWindow, AttachedWindowShowsAndHidesWithTheControl) {
    OpenHost();
    wnd->SetVisible(false);
    input->RunUntilIdle();
    EXPECT_FALSE(hosted->IsWindowVisible());
    wnd->SetVisible(true);
    input->RunUntilIdle();
    EXPECT_TRUE(hosted->IsWindowVisible());
    window->ShowWindow(false);
    EXPECT_FALSE(hosted->IsWindowVisible());
}

TEST_F(HostedWindow, DetachedOrDestroyedWindowIsLeftAlone) {
    OpenHost();
    EXPECT_EQ(wnd->Detach(), hosted.get());
    window->MoveWindow(300, 200);
    EXPECT_EQ(HostedRect(), (RECT{130, 140, 230, 200}));
    wnd->Attach(hosted.get());
    hosted->Destroy();
    hosted.reset();
    window->MoveWindow(0, 0);
    wnd->SetVisible(false);
    EXPECT_EQ(wnd->GetAttached(), nullptr);
}

// --- AudioRecord ------------------------------------------------------------------------------

// Eight bands over 20..180 x 20..120: the first band's bar is the column 22..38 or so.
const char* const kLevels =
    "<AudioRecord name=\"levels\" float=\"true\" pos=\"20,20,180,120\" bargap=\"4\""
    " barcolor=\"#FF2EC5FF\" trackcolor=\"#FF23252B\" peakcolor=\"#FFD7DAE2\"/>";

bool TimerArmed() { return MessageQueue::ForCurrentThread()->NextTimerDueMs().has_value(); }

TEST_F(PageControls, FallingPeaksRunATimerOnlyUntilTheyHaveFallen) {
    Open(kLevels);
    auto* levels = Find<CAudioRecordUI>("levels");
    ASSERT_NE(levels, nullptr);
    const std::vector<std::uint8_t> loud{255, 128, 64, 32, 16, 8, 4, 2};
    levels->SetLevels(loud);
    EXPECT_FALSE(levels->IsFalling());
    EXPECT_FALSE(TimerArmed());
    EXPECT_EQ(Pixel(30, 60), 0x2EC5FFu);

    const std::vector<std::uint8_t> quiet(8, 0);
    levels->SetLevels(quiet);
    EXPECT_TRUE(levels->IsFalling());
    EXPECT_TRUE(TimerArmed());
    // The bar is down at once; its peak still marks the top.
    EXPECT_EQ(Pixel(30, 60), 0x23252Bu);
    EXPECT_EQ(Pixel(30, 23), 0xD7DAE2u);

    ASSERT_TRUE(HeadlessBackend::Get()->RunUntil([&] { return !levels->IsFalling(); }, 20000));
    EXPECT_EQ(levels->Peak(0), 0);
    EXPECT_FALSE(TimerArmed());
    EXPECT_EQ(Pixel(30, 23), 0x23252Bu);
    EXPECT_EQ(window->Count("timer:levels"), 0);
}

TEST_F(PageControls, PeakFallsSlowerThanTheLevel) {
    Open(kLevels);
    auto* levels = Find<CAudioRecordUI>("levels");
    const std::vector<std::uint8_t> loud(8, 200);
    const std::vector<std::uint8_t> half(8, 100);
    levels->SetLevels(loud);
    levels->SetLevels(half);
    ASSERT_TRUE(HeadlessBackend::Get()->RunUntil([&] { return levels->Peak(0) < 200; }, 20000));
    EXPECT_GT(levels->Peak(0), 100);
    ASSERT_TRUE(HeadlessBackend::Get()->RunUntil([&] { return !levels->IsFalling(); }, 20000));
    EXPECT_EQ(levels->Peak(0), 100);
    EXPECT_FALSE(TimerArmed());
}

// --- The whole page, as a person sees it ----------------------------------------------------

const char* const kPage =
    "<CircleProgress name=\"battery\" float=\"true\" pos=\"16,16,96,96\" value=\"72\" ringwidth=\"8\""
    " textcolor=\"#FFD7DAE2\" showtext=\"true\"/>"
    "<CircleProgress name=\"dpi_dial\" float=\"true\" pos=\"16,112,96,192\" value=\"40\" ringwidth=\"4\""
    " textcolor=\"#FFD7DAE2\" showtext=\"true\" text=\"1600\"/>"
    "<ChartView name=\"pie\" float=\"true\" pos=\"112,16,312,112\" textcolor=\"#FFD7DAE2\"/>"
    "<ChartView name=\"bars\" float=\"true\" pos=\"112,120,312,232\" view=\"histpgram\" textcolor=\"#FFD7DAE2\"/>"
    "<AudioRecord name=\"levels\" float=\"true\" pos=\"16,204,104,264\" text=\"Output\" textcolor=\"#FFD7DAE2\""
    " align=\"center\"/>"
    "<HandImgButton name=\"card\" float=\"true\" pos=\"112,240,200,264\" bkcolor=\"#FF23252B\" text=\"Profile 1\""
    " textcolor=\"#FFD7DAE2\" deletenormalimage=\"file='common/profile_delete.png' source='0,0,32,32'\"/>";

class PageSnapshot : public PageControls {
protected:
    // Paints the page at `dpi`, saves it beside the build and counts the legend's text pixels.
    int PaintPage(int dpi) {
        HeadlessBackend::Get()->SetMonitor(RECT{0, 0, 1920, 1080}, dpi);
        Open(kPage, 0, 0, SIZE{330, 280});
        auto* pie = Find<CChartViewUI>("pie");
        auto* bars = Find<CChartViewUI>("bars");
        for (const auto& [name, value] : std::vector<std::pair<std::string, double>>{
                 {"Game", 5}, {"Office", 3}, {"Music", 2}}) {
            pie->Add(name, value);
        }
        for (const auto& [name, value] : std::vector<std::pair<std::string, double>>{
                 {"400", 400}, {"800", 800}, {"1600", 1600}, {"3200", 3200}}) {
            bars->Add(name, value);
        }
        const std::vector<std::uint8_t> bands{40, 120, 220, 180, 90, 60, 150, 30};
        Find<CAudioRecordUI>("levels")->SetLevels(bands);
        std::filesystem::create_directories(KX58_ARTIFACTS_FOLDER);
        EXPECT_TRUE(input->Target()->SavePng(std::string(KX58_ARTIFACTS_FOLDER) + "page_controls_" +
                                             std::to_string(dpi) + "dpi.png"));
        const RECT legend = window->GetPaintManager().FindControl("pie")->GetPos();
        int text = 0;
        for (int y = legend.top; y < legend.bottom; ++y)
            for (int x = legend.left + legend.Width() * 3 / 5; x < legend.right; ++x)
                if (Near(Pixel(x, y), 0xD7DAE2, 40)) ++text;
        window->Destroy();
        window.reset();
        HeadlessBackend::Get()->SetMonitor(RECT{0, 0, 1920, 1080}, 96);
        return text;
    }
};

TEST_F(PageSnapshot, LegendTextGrowsWithTheDpi) {
    const double at96 = PaintPage(96);
    const double at144 = PaintPage(144);
    ASSERT_GT(at96, 50);
    // Text drawn half as large again covers about 2.25 times the pixels.
    EXPECT_GT(at144 / at96, 1.6);
    EXPECT_LT(at144 / at96, 3.0);
}

}  // namespace
