// What the controls paint: colours, borders, images, nine slices, rounding, text ink, and
// that only invalidated parts are painted again.
#include <gtest/gtest.h>

#include <filesystem>

#include "uikit/button.h"
#include "uikit/label.h"
#include "uikit/render.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

DWORD Rgb(DWORD argb) { return argb & 0xFFFFFFu; }

// Counts pixels in `rc` that differ clearly from `background`.
int InkPixels(HeadlessWindow& target, const RECT& rc, DWORD background) {
    int ink = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const DWORD p = target.PixelAt(x, y);
            const int diff = std::abs(int((p >> 16) & 0xFF) - int((background >> 16) & 0xFF)) +
                             std::abs(int((p >> 8) & 0xFF) - int((background >> 8) & 0xFF)) +
                             std::abs(int(p & 0xFF) - int(background & 0xFF));
            if (diff > 120) ++ink;
        }
    }
    return ink;
}

TEST(UikitRender, SnapshotHasBackgroundBorderTextAndImages) {
    SkinFolder skins;
    TestWindow window("snapshot.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    HeadlessWindow& target = *input.Target();
    std::filesystem::create_directories(KX58_UIKIT_ARTIFACTS);
    ASSERT_TRUE(target.SavePng(std::string(KX58_UIKIT_ARTIFACTS) + "snapshot.png"));
    EXPECT_TRUE(std::filesystem::file_size(std::string(KX58_UIKIT_ARTIFACTS) + "snapshot.png") > 100);

    // Background of the root, and the title's red border of 2 pixels.
    EXPECT_EQ(Rgb(target.PixelAt(197, 118)), 0x102030u);
    EXPECT_EQ(Rgb(target.PixelAt(0, 20)), 0xFF0000u);
    EXPECT_EQ(Rgb(target.PixelAt(1, 20)), 0xFF0000u);
    EXPECT_EQ(Rgb(target.PixelAt(3, 20)), 0x102030u);
    // Text ink in the middle of the title.
    EXPECT_GT(InkPixels(target, RECT{50, 10, 150, 30}, 0x102030), 30);
    // The sprite's right (green) half, stretched over its 40 x 40 control.
    EXPECT_EQ(Rgb(target.PixelAt(5, 45)), 0x00FF00u);
    EXPECT_EQ(Rgb(target.PixelAt(35, 75)), 0x00FF00u);
    // Nine slices: the blue frame keeps 4 pixels at the corners and edges, white inside.
    EXPECT_EQ(Rgb(target.PixelAt(41, 41)), 0x0000FFu);
    EXPECT_EQ(Rgb(target.PixelAt(70, 42)), 0x0000FFu);
    EXPECT_EQ(Rgb(target.PixelAt(70, 60)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(target.PixelAt(98, 60)), 0x0000FFu);
    // Rounded control: corner shows the background, centre is green.
    EXPECT_EQ(Rgb(target.PixelAt(101, 41)), 0x102030u);
    EXPECT_EQ(Rgb(target.PixelAt(120, 60)), 0x00FF00u);
    // Half-faded red over the dark background.
    const DWORD faded = target.PixelAt(160, 60);
    EXPECT_GT((faded >> 16) & 0xFF, 0x70u);
    EXPECT_LT((faded >> 16) & 0xFF, 0xA0u);
    // Thai and CJK text finds glyphs through fontconfig fallback and inks.
    EXPECT_EQ(render::CountUnknownGlyphs(&window.GetPaintManager(), "ภาษาไทย 中文", -1), 0);
    EXPECT_EQ(render::CountUnknownGlyphs(&window.GetPaintManager(), "Hello", -1), 0);
    EXPECT_GT(InkPixels(target, RECT{0, 80, 200, 120}, 0x102030), 20);
    window.Destroy();
}

TEST(UikitRender, OnlyInvalidatedPartsArePaintedAgain) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    HeadlessWindow& target = *input.Target();
    auto* fancy = window.Find<FancyUI>("fancy");
    ASSERT_NE(fancy, nullptr);
    const int fancyPaints = fancy->paints;
    EXPECT_GT(fancyPaints, 0);
    EXPECT_TRUE(target.PendingDirty().IsEmpty());

    // Hovering and clicking a button repaints around the button only.
    input.MoveTo("okbtn");
    window.Find("okbtn")->Invalidate();
    const RECT dirty = target.PendingDirty();
    EXPECT_TRUE(dirty.IsEmpty() || !RectsIntersect(dirty, fancy->GetPos()));
    ASSERT_TRUE(input.Click("okbtn"));
    window.Find<CLabelUI>("title")->SetText("changed");
    EXPECT_FALSE(RectsIntersect(target.PendingDirty(), fancy->GetPos()));
    Backend().RunUntilIdle();
    EXPECT_EQ(fancy->paints, fancyPaints);
    EXPECT_TRUE(target.PendingDirty().IsEmpty());

    // Its own invalidation repaints it.
    fancy->Invalidate();
    Backend().RunUntilIdle();
    EXPECT_EQ(fancy->paints, fancyPaints + 1);
    window.Destroy();
}

TEST(UikitRender, ADisabledChoiceKeepsItsSelectionFaint) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    auto* option = window.Find<COptionUI>("opt_0");
    ASSERT_TRUE(option && option->IsSelected());
    option->SetAttribute("selectedbkcolor", "#FF00FF00");
    Backend().RunUntilIdle();
    const RECT pos = option->GetPos();
    const auto green = [&] { return (input.Target()->PixelAt(pos.left + 3, (pos.top + pos.bottom) / 2) >> 8) & 0xFF; };
    EXPECT_EQ(green(), 0xFFu);
    // Disabled, the selection still shows, well below the strength the disabled text sits on.
    option->SetEnabled(false);
    Backend().RunUntilIdle();
    EXPECT_GT(green(), 0x30u);
    EXPECT_LT(green(), 0x60u);
    window.Destroy();
}

TEST(UikitRender, DpiScalesFontsAndImages) {
    SkinFolder skins;
    TestWindow window("snapshot.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    const SIZE text96 = render::MeasureText(&window.GetPaintManager(), "Hello KX58", -1, DT_SINGLELINE);
    window.GetPaintManager().SetDPI(192);
    Backend().RunUntilIdle();
    const SIZE text192 = render::MeasureText(&window.GetPaintManager(), "Hello KX58", -1, DT_SINGLELINE);
    EXPECT_NEAR(text192.cy, text96.cy * 2, 3);
    EXPECT_NEAR(text192.cx, text96.cx * 2, text96.cx / 5 + 2);
    HeadlessWindow& target = *input.Target();
    // The nine-slice corner is 8 pixels wide now.
    EXPECT_EQ(Rgb(target.PixelAt(80 + 6, 80 + 40)), 0x0000FFu);
    EXPECT_EQ(Rgb(target.PixelAt(80 + 10, 80 + 40)), 0xFFFFFFu);
    std::filesystem::create_directories(KX58_UIKIT_ARTIFACTS);
    EXPECT_TRUE(target.SavePng(std::string(KX58_UIKIT_ARTIFACTS) + "snapshot_192dpi.png"));
    window.Destroy();
}

// An image surface to draw primitives into directly.
struct Canvas {
    Canvas(int w, int h) : surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)), cr(cairo_create(surface)) {
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
    }
    ~Canvas() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    DWORD At(int x, int y) {
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        return *reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(surface) + x * 4) &
               0xFFFFFF;
    }
    // Leftmost and rightmost columns with ink in rows [top, bottom).
    std::pair<int, int> InkColumns(int top, int bottom) {
        int first = -1, last = -1;
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x)
            for (int y = top; y < bottom; ++y)
                if (At(x, y) != 0) {
                    if (first < 0) first = x;
                    last = x;
                }
        return {first, last};
    }
    cairo_surface_t* surface;
    cairo_t* cr;
};

TEST(UikitRender, TextAlignsWrapsAndEllipsizes) {
    SkinFolder skins;
    CPaintManagerUI pm;
    pm.AddFont(0, "DejaVu Sans", 14, false, false, false);
    const std::string text = "Align me";
    {
        Canvas canvas(300, 30);
        render::DrawText(canvas.cr, &pm, RECT{0, 0, 300, 30}, text, 0xFFFFFFFF, 0, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
        const auto [first, last] = canvas.InkColumns(0, 30);
        EXPECT_GT(first, 200);
        EXPECT_GE(last, 290);
    }
    {
        Canvas canvas(300, 30);
        render::DrawText(canvas.cr, &pm, RECT{0, 0, 300, 30}, text, 0xFFFFFFFF, 0, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        const auto [first, last] = canvas.InkColumns(0, 30);
        EXPECT_NEAR((first + last) / 2, 150, 6);
    }
    const std::string longText = "A long sentence that cannot fit in one narrow line of text";
    const SIZE single = render::MeasureText(&pm, longText, 0, DT_SINGLELINE);
    const SIZE wrapped = render::MeasureText(&pm, longText, 0, DT_WORDBREAK, 100);
    EXPECT_GT(single.cx, 200);
    EXPECT_LE(wrapped.cx, 100);
    EXPECT_GE(wrapped.cy, single.cy * 3);
    {
        // Ellipsized text keeps inside its rectangle and ends with the ellipsis, not the text.
        Canvas canvas(300, 30);
        render::DrawText(canvas.cr, &pm, RECT{10, 0, 110, 30}, longText, 0xFFFFFFFF, 0,
                         DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        const auto [first, last] = canvas.InkColumns(0, 30);
        EXPECT_GE(first, 10);
        EXPECT_LT(last, 110);
        EXPECT_GT(last, 80);
    }
}

TEST(UikitRender, TintedImagesAndProgressFill) {
    SkinFolder skins;
    CPaintManagerUI pm;
    {
        Canvas canvas(40, 20);
        ASSERT_TRUE(render::DrawImageString(canvas.cr, &pm, RECT{0, 0, 40, 20}, "img/sprite.png", {}, 0xFF0000FF));
        EXPECT_EQ(canvas.At(5, 10), 0x0000FFu);   // was red
        EXPECT_EQ(canvas.At(35, 10), 0x0000FFu);  // was green
        // dest places the image inside the control, scaled for DPI.
        Canvas placed(40, 20);
        ASSERT_TRUE(render::DrawImageString(placed.cr, &pm, RECT{0, 0, 40, 20},
                                            "file='img/sprite.png' dest='30,0,40,10'"));
        EXPECT_EQ(placed.At(5, 5), 0u);
        EXPECT_NE(placed.At(35, 5), 0u);
        EXPECT_EQ(placed.At(35, 15), 0u);
    }
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    CControlUI* progress = window.Find("progress");
    const RECT rc = progress->GetPos();
    const int y = (rc.top + rc.bottom) / 2;
    // Value 40 of 0..100: the first 40 percent is filled.
    EXPECT_EQ(Rgb(input.Target()->PixelAt(rc.left + rc.Width() * 30 / 100, y)), 0x00FF00u);
    EXPECT_NE(Rgb(input.Target()->PixelAt(rc.left + rc.Width() * 60 / 100, y)), 0x00FF00u);
    window.Destroy();
}

// Parts drawn at a new size are kept for the next paint: each size and place must still paint
// its own picture, also once large parts pushed the first ones out, or when a part is too large
// to keep.
TEST(UikitRender, AnImageDrawnAtManySizesPaintsEachOneRight) {
    SkinFolder skins;
    CPaintManagerUI pm;
    auto expectSprite = [&](int left, int width, int height) {
        Canvas canvas(left + width + 4, height);
        ASSERT_TRUE(render::DrawImageString(canvas.cr, &pm, RECT{left, 0, left + width, height}, "img/sprite.png"));
        EXPECT_EQ(canvas.At(left - 1, height / 2), 0u) << width << "x" << height;
        EXPECT_EQ(canvas.At(left + width / 8, height / 2), 0xFF0000u) << width << "x" << height;
        EXPECT_EQ(canvas.At(left + width * 7 / 8, height / 2), 0x00FF00u) << width << "x" << height;
        EXPECT_EQ(canvas.At(left + width, height / 2), 0u) << width << "x" << height;
    };
    for (int round = 0; round < 2; ++round) {
        expectSprite(1, 40, 20);
        expectSprite(7, 80, 20);
        expectSprite(7, 80, 40);
        expectSprite(3, 20, 10);
    }
    for (int size = 600; size < 1100; size += 20) expectSprite(2, size, size);
    expectSprite(1, 40, 20);
}

}  // namespace
}  // namespace uikittest
