#pragma once
// Windows-style profile files ("[SECTION]" lines, then "KEY=value" lines): one value written
// in place, every other line kept. The file is replaced atomically.
#include <string>

namespace kx58 {

// Sets `key` of `section` (names compared ignoring letter case) and writes the file; the
// section and the file are created when missing. False when the file cannot be written.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace kx58
