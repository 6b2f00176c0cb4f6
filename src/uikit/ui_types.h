#pragma once
// Geometry, colours and small text helpers shared by every control.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace kx58::ui {

// Bounds on what a skin may ask for, so that no sum or DPI scaling of lengths overflows an int:
// skin lengths and positions (96-DPI units, either sign), a window's size in the skin, a
// window's client size in pixels, font sizes, and the window pixel coordinates controls get.
inline constexpr int kMaxSkinLength = 32767;
inline constexpr int kMaxWindowLength = 4096;
inline constexpr int kMaxWindowPixels = 8192;
inline constexpr int kMaxFontSize = 256;
inline constexpr int kMaxCoordinate = 1 << 26;

inline int ClampLength(long long value) {
    return static_cast<int>(value < -kMaxSkinLength ? -kMaxSkinLength : value > kMaxSkinLength ? kMaxSkinLength : value);
}
inline int ClampCoordinate(long long value) {
    return static_cast<int>(value < -kMaxCoordinate ? -kMaxCoordinate : value > kMaxCoordinate ? kMaxCoordinate : value);
}

using kx58::DWORD;
using kx58::HWND;
using kx58::LPARAM;
using kx58::LRESULT;
using kx58::UINT;
using kx58::WPARAM;

struct POINT {
    int x = 0;
    int y = 0;
};

struct SIZE {
    int cx = 0;
    int cy = 0;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(POINT pt) const {
        return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
    }
    bool operator==(const RECT&) const = default;
};

// The overlap of two rectangles; empty (all zero) when they do not meet.
RECT IntersectRects(const RECT& a, const RECT& b);
bool RectsIntersect(const RECT& a, const RECT& b);
RECT UnionRects(const RECT& a, const RECT& b);
RECT OffsetRectBy(const RECT& r, int dx, int dy);
// Shrinks `r` by the four margins of `inset` (left, top, right, bottom).
RECT DeflateRect(const RECT& r, const RECT& inset);

inline LPARAM MakeLParam(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
inline int GetXLParam(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
inline int GetYLParam(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }

// A rectangle from coordinates that may lie anywhere, clamped to window coordinates.
RECT CoordinateRect(long long left, long long top, long long right, long long bottom);
// Each side clamped to a skin length.
RECT ClampLengths(const RECT& r);

// Parsing of attribute values: "l,t,r,b", "cx,cy", "#AARRGGBB", "true". Rectangles, sizes and
// lengths are skin lengths, clamped to kMaxSkinLength.
RECT ParseRect(std::string_view text);
SIZE ParseSize(std::string_view text);
int ParseLength(std::string_view text, int fallback = 0);
// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB"; 0 for garbage.
DWORD ParseColor(std::string_view text);
bool ParseBool(std::string_view text);
int ParseInt(std::string_view text, int fallback = 0);

// A list of name="value" pairs as written inside <Default value="..."> and <Style value="...">;
// values may be quoted with " or '.
std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);

// UTF-8 helpers for carets: byte offsets always sit on character boundaries.
std::size_t Utf8CharCount(std::string_view text);
std::size_t Utf8NextBoundary(std::string_view text, std::size_t offset);
std::size_t Utf8PrevBoundary(std::string_view text, std::size_t offset);
std::string Utf8FromCodePoint(std::uint32_t codePoint);

// Scales a 96-DPI length to `dpi`, rounding to the nearest pixel.
inline int ScaleForDpi(int value, int dpi) {
    const long long scaled = static_cast<long long>(value) * dpi;
    return ClampCoordinate(scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96);
}

}  // namespace kx58::ui
