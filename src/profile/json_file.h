#pragma once
// Whole-file JSON documents: every JSON file of the program is read and written here.
#include <json/value.h>

#include <cstddef>
#include <string>

#include "platform/atomic_file.h"

namespace kx58 {

// Reads take only regular files of at most `maxBytes` (documents by default; lists and small
// configurations pass kMaxSettingsFileBytes); anything else reads as a broken file.

// The file's bytes, or an empty string when it cannot be read. Paths may use '\'.
std::string ReadFileText(const std::string& path, std::size_t maxBytes = kMaxDocumentFileBytes);

// The parsed document (comments allowed); null when the file is missing, empty or invalid.
Json::Value ReadJsonDocument(const std::string& path, std::size_t maxBytes = kMaxDocumentFileBytes);
// The parsed text (comments allowed); null when it is empty or invalid.
Json::Value ParseJsonText(const std::string& text);

// The document at `path` before it is rewritten. A file that exists but does not parse is
// copied to "<path>.broken" first, so the rewrite never destroys what the user may want back.
// False when the file exists but cannot be read at all (no access, not a regular file, too
// large) or its copy cannot be kept: then it must not be replaced (the document reads as null).
[[nodiscard]] bool ReadDocumentForRewrite(const std::string& path, Json::Value& document,
                                          std::size_t maxBytes = kMaxDocumentFileBytes);

// The styled layout the documents are stored in (three-space indentation, margin 74).
std::string StyledJsonText(const Json::Value& value);

// Replaces the file with the styled text and a line end, atomically, so a crash leaves either
// the old or the new document. False when the file could not be written.
bool WriteJsonDocument(const std::string& path, const Json::Value& value);

}  // namespace kx58
