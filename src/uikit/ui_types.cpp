#include "uikit/ui_types.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kx58::ui {

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return RECT{};
    return r;
}

bool RectsIntersect(const RECT& a, const RECT& b) { return !IntersectRects(a, b).IsEmpty(); }

RECT UnionRects(const RECT& a, const RECT& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT CoordinateRect(long long left, long long top, long long right, long long bottom) {
    return RECT{ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(right), ClampCoordinate(bottom)};
}

RECT ClampLengths(const RECT& r) {
    return RECT{ClampLength(r.left), ClampLength(r.top), ClampLength(r.right), ClampLength(r.bottom)};
}

RECT OffsetRectBy(const RECT& r, int dx, int dy) {
    return CoordinateRect(0LL + r.left + dx, 0LL + r.top + dy, 0LL + r.right + dx, 0LL + r.bottom + dy);
}

RECT DeflateRect(const RECT& r, const RECT& inset) {
    return CoordinateRect(0LL + r.left + inset.left, 0LL + r.top + inset.top, 0LL + r.right - inset.right,
                          0LL + r.bottom - inset.bottom);
}

int ParseInt(std::string_view text, int fallback) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = fallback;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) return fallback;
    (void)ptr;
    return value;
}

int ParseLength(std::string_view text, int fallback) { return ClampLength(ParseInt(text, fallback)); }

namespace {

std::vector<int> ParseLengths(std::string_view text) {
    std::vector<int> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        values.push_back(ParseLength(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return values;
}

}  // namespace

RECT ParseRect(std::string_view text) {
    auto v = ParseLengths(text);
    v.resize(4, 0);
    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ParseSize(std::string_view text) {
    auto v = ParseLengths(text);
    v.resize(2, 0);
    return SIZE{v[0], v[1]};
}

DWORD ParseColor(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    if (text.starts_with('#')) {
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    DWORD value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc()) return 0;
    if (ptr - text.data() <= 6) value |= 0xFF000000u;
    return value;
}

bool ParseBool(std::string_view text) {
    return EqualsNoCase(text, "true") || text == "1" || EqualsNoCase(text, "yes");
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::pair<std::string, std::string>> ParseAttributeList(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> result;
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    while (true) {
        skipSpace();
        std::size_t nameStart = i;
        while (i < text.size() && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i == nameStart) break;
        std::string name(text.substr(nameStart, i - nameStart));
        skipSpace();
        if (i >= text.size() || text[i] != '=') break;
        ++i;
        skipSpace();
        if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) break;
        const char quote = text[i++];
        std::size_t end = text.find(quote, i);
        if (end == std::string_view::npos) break;
        result.emplace_back(std::move(name), std::string(text.substr(i, end - i)));
        i = end + 1;
    }
    return result;
}

std::size_t Utf8CharCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::size_t Utf8NextBoundary(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) return text.size();
    ++offset;
    while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80)
        ++offset;
    return offset;
}

std::size_t Utf8PrevBoundary(std::string_view text, std::size_t offset) {
    if (offset == 0) return 0;
    offset = std::min(offset, text.size());
    --offset;
    while (offset > 0 && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) --offset;
    return offset;
}

std::string Utf8FromCodePoint(std::uint32_t cp) {
    std::string out;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

}  // namespace kx58::ui
