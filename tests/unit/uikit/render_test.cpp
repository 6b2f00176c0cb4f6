// What the controls paint: colours, borders, images, nine slices, rounding, text ink, and
// that only invalidated parts are painted again.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace uikittest
