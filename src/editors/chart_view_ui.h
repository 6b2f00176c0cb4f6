#pragma once
// CChartViewUI: named values drawn as a pie with a legend ("view" "pie") or as bars with
// their names under them ("view" "histpgram"). The page adds the values (Add, RemoveAll);
// a value below zero, or not a number, counts as zero. Series take the colours of a built-in
// palette in turn. Pie slices run clockwise from 12 o'clock in proportion to the values;
// bars rise in proportion to the largest value.
//
// "shadowimage" is laid under the pie or along the bars' floor, "shadowimageheight" high;
// "pillarimage" paints each bar instead of its palette colour, "pillarimagewidth" wide
// (else the bars share the width). "showtext" (default on) shows the legend, the names and
// the values; "font" and "textcolor" are their font and colour. "showhtml" is accepted as
// the label's is: the names are shown as written. Lengths are 96-DPI units.
#include <string>
#include <vector>

#include "uikit/control.h"

namespace kx58 {

class CChartViewUI : public ui::CControlUI {
public:
    enum class View { Pie, Bars };
    struct Item {
        std::string name;
        double value = 0;
    };

    static constexpr int kMaxItems = 64;

    std::string GetClass() const override { return "ChartViewUI"; }
    void* GetInterface(std::string_view name) override;

    // False when the chart is full (kMaxItems).
    bool Add(const std::string& name, double value);
    void RemoveAll();
    const std::vector<Item>& Items() const { return items_; }
    // The colour of the series at `index`.
    static ui::DWORD SeriesColor(std::size_t index);

    View GetView() const { return view_; }
    void SetView(View view);
    void SetShowText(bool show);
    void SetFont(int font);
    void SetTextColor(ui::DWORD color);
    void SetShadowImage(const std::string& image);
    void SetShadowImageHeight(int height);
    void SetPillarImage(const std::string& image);
    void SetPillarImageWidth(int width);

    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    double Total() const;
    double Largest() const;
    ui::DWORD TextColor() const;
    int TextLineHeight() const;
    void PaintPie(cairo_t* cr);
    void PaintSlices(cairo_t* cr, double cx, double cy, double radius);
    std::string LegendText(std::size_t index) const;
    int LegendWidth() const;
    void PaintLegend(cairo_t* cr, const ui::RECT& area);
    void PaintBars(cairo_t* cr);
    void PaintBar(cairo_t* cr, std::size_t index, const ui::RECT& bar);
    void PaintBarTexts(cairo_t* cr, std::size_t index, const ui::RECT& slot, int barTop, int line);
    void PaintShadow(cairo_t* cr, const ui::RECT& under);

    std::vector<Item> items_;
    View view_ = View::Pie;
    bool showText_ = true;
    int font_ = -1;
    ui::DWORD textColor_ = 0;
    std::string shadowImage_;
    int shadowImageHeight_ = 0;
    std::string pillarImage_;
    int pillarImageWidth_ = 0;
};

}  // namespace kx58
