#pragma once
// Drawing primitives on cairo: colours, borders, image strings and pango text.
#include <cairo.h>

#include <string>
#include <string_view>

#include "uikit/ui_types.h"

namespace kx58::ui {

class CPaintManagerUI;

// Text layout flags (Windows DT_* values).
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;

// An image string: a plain file name or file='x.png' source='l,t,r,b' corner='l,t,r,b'
// dest='l,t,r,b' fade='n'. source is in image pixels, corner and dest in 96-DPI units.
struct ImageDrawSpec {
    std::string file;
    RECT source{};
    bool hasSource = false;
    RECT corner{};
    RECT dest{};
    bool hasDest = false;
    int fade = 255;
};
ImageDrawSpec ParseImageString(std::string_view text);

namespace render {

void SetSourceColor(cairo_t* cr, DWORD argb);
void FillRect(cairo_t* cr, const RECT& rc, DWORD argb);
void FillRoundRect(cairo_t* cr, const RECT& rc, SIZE round, DWORD argb);
// A border of `size` pixels drawn inside `rc`.
void DrawBorder(cairo_t* cr, const RECT& rc, int size, SIZE round, DWORD argb);
void DrawLine(cairo_t* cr, POINT from, POINT to, int width, DWORD argb);
// Draws the image string (with `modify` attributes on top) in `rcItem`; false when the image
// is missing or the string names none. A non-zero `tint` (ARGB) paints that colour through
// the image's alpha instead of the image's own colours.
bool DrawImageString(cairo_t* cr, CPaintManagerUI* manager, const RECT& rcItem,
                     std::string_view image, std::string_view modify = {}, DWORD tint = 0);
// Text in `rc` with DT_* flags; fontId -1 is the manager's default font.
void DrawText(cairo_t* cr, CPaintManagerUI* manager, const RECT& rc, const std::string& text,
              DWORD argb, int fontId, UINT style);
// The size the text needs; `width` limits wrapped text (0 = unlimited).
SIZE MeasureText(CPaintManagerUI* manager, const std::string& text, int fontId, UINT style,
                 int width = 0);
// Byte offset in `text` nearest to the x position (relative to the text's left edge), and the
// x position of a byte offset; for carets of single-line edits.
std::size_t TextIndexAtX(CPaintManagerUI* manager, const std::string& text, int fontId, int x);
int TextXAtIndex(CPaintManagerUI* manager, const std::string& text, int fontId,
                 std::size_t index);
// Drops the calling thread's measuring context (before font caches are released).
void ReleaseThreadResources();
// Characters of `text` for which no installed or private font has a glyph.
int CountUnknownGlyphs(CPaintManagerUI* manager, const std::string& text, int fontId);

}  // namespace render
}  // namespace kx58::ui
