#pragma once
// UTF-8 <-> wide text, for the few places that need characters rather than bytes
// (case-insensitive name comparison). Invalid UTF-8 bytes become U+FFFD.
#include <string>
#include <string_view>

namespace kx58 {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// Equal without regard to letter case (Unicode simple case folding of the C library).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// `text` without leading and trailing white space.
std::string TrimBlanks(std::string_view text);

}  // namespace kx58
