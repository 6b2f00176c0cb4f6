// Full repaint of a 1000 x 640 window holding about 400 controls (buttons with text, labels,
// options, sliders, images), as the device pages are; and the layout pass alone.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "uikit/headless_backend.h"
#include "uikit/resource_manager.h"
#include "uikit/window.h"

namespace {

using namespace kx58::ui;

std::string BuildSkin() {
    std::string xml = "<Window size=\"1000,640\"><Font id=\"0\" name=\"DejaVu Sans\" size=\"12\" default=\"true\"/>"
                      "<VerticalLayout name=\"root\" bkcolor=\"#FF15161A\" inset=\"4,4,4,4\" childpadding=\"2\">";
    for (int row = 0; row < 20; ++row) {
        xml += "<HorizontalLayout childpadding=\"2\">";
        for (int col = 0; col < 20; ++col) {
            const std::string name = "key_" + std::to_string(row * 20 + col);
            switch (col % 5) {
                case 0:
                    xml += "<Button name=\"" + name + "\" text=\"K" + std::to_string(col) +
                           "\" bkcolor=\"#FF2A2D35\" bordercolor=\"#FF505560\" bordersize=\"1\" borderround=\"6,6\"/>";
                    break;
                case 1:
                    xml += "<Label name=\"" + name + "\" text=\"Label text\" textcolor=\"#FFB0B0B0\" endellipsis=\"true\"/>";
                    break;
                case 2:
                    xml += "<Option name=\"" + name + "\" group=\"g" + std::to_string(row) +
                           "\" text=\"Opt\" selectedbkcolor=\"#FF3070F0\"/>";
                    break;
                case 3:
                    xml += "<Slider name=\"" + name + "\" min=\"0\" max=\"100\" value=\"40\" forecolor=\"#FF3070F0\" thumbsize=\"8,12\"/>";
                    break;
                default:
                    xml += "<Control name=\"" + name + "\" bkimage=\"file='key.png' corner='3,3,3,3'\"/>";
                    break;
            }
        }
        xml += "</HorizontalLayout>";
    }
    xml += "</VerticalLayout></Window>";
    return xml;
}

class BenchWindow : public WindowImplBase {
public:
    explicit BenchWindow(std::string skin) : m_skin(std::move(skin)) {}
    std::string GetWindowClassName() const override { return "BenchWnd"; }
    std::string GetSkinFile() override { return m_skin; }

private:
    std::string m_skin;
};

struct Fixture {
    kx58test::TempDir dir;
    BenchWindow window{BuildSkin()};
    HeadlessWindow* target = nullptr;

    Fixture() {
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
        cairo_t* cr = cairo_create(image);
        cairo_set_source_rgb(cr, 0.3, 0.3, 0.8);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_write_to_png(image, (dir.Path() + "/key.png").c_str());
        cairo_surface_destroy(image);
        CPaintManagerUI::SetResourcePath(dir.Path());
        window.Create(nullptr, "bench", 0, 0, 0, 0, 1000, 640);
        window.ShowWindow(true);
        HeadlessBackend::Get()->RunUntilIdle();
        target = dynamic_cast<HeadlessWindow*>(window.GetBackendWindow());
    }
    ~Fixture() { window.Destroy(); }
};

void BM_FullRepaint(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.window.GetPaintManager().Invalidate();
        benchmark::DoNotOptimize(f.target->Flush());
    }
    state.counters["controls"] = 400;
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_RepaintOneButton(benchmark::State& state) {
    Fixture f;
    CControlUI* key = f.window.GetPaintManager().FindControl("key_200");
    for (auto _ : state) {
        key->Invalidate();
        benchmark::DoNotOptimize(f.target->Flush());
    }
}
BENCHMARK(BM_RepaintOneButton)->Unit(benchmark::kMicrosecond);

void BM_Layout(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) f.window.GetPaintManager().UpdateLayout();
}
BENCHMARK(BM_Layout)->Unit(benchmark::kMicrosecond);

}  // namespace
