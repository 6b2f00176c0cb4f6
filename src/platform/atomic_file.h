#pragma once
// Whole-file reads and crash-safe whole-file writes.
#include <optional>
#include <string>
#include <string_view>

namespace kx58 {

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it over
// `path`. On any failure the old file is untouched and the temporary file is removed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace kx58
