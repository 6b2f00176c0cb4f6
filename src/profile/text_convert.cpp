#include "profile/text_convert.h"

#include <locale.h>

#include <cwctype>

namespace kx58 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `pos`, advancing it; malformed input gives U+FFFD.
char32_t DecodeOne(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size()) return kReplacement;
        const auto next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (next & 0x3F);
        ++pos;
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return kReplacement;
    }
    return code;
}

void EncodeOne(char32_t code, std::string& out) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacement;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Lower case of any Unicode letter: the C locale of the process only knows ASCII.
wint_t LowerCase(wint_t c) {
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return unicode ? towlower_l(c, unicode) : std::towlower(c);
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) out += static_cast<wchar_t>(DecodeOne(text, pos));
    return out;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) EncodeOne(static_cast<char32_t>(c), out);
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    const std::wstring wa = WideFromUtf8(a);
    const std::wstring wb = WideFromUtf8(b);
    if (wa.size() != wb.size()) return false;
    for (size_t i = 0; i < wa.size(); ++i) {
        if (LowerCase(static_cast<wint_t>(wa[i])) != LowerCase(static_cast<wint_t>(wb[i]))) {
            return false;
        }
    }
    return true;
}

std::string TrimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace kx58
