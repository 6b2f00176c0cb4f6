#pragma once
// Whole-file JSON documents: every JSON file of the program is read and written here.
#include <json/value.h>

#include <string>

namespace kx58 {

// The file's bytes, or an empty string when it cannot be read. Paths may use '\'.
std::string ReadFileText(const std::string& path);

// The parsed document (comments allowed); null when the file is missing, empty or invalid.
Json::Value ReadJsonDocument(const std::string& path);
// The parsed text (comments allowed); null when it is empty or invalid.
Json::Value ParseJsonText(const std::string& text);

// The document at `path` before it is rewritten. A file that exists but does not parse is
// copied to "<path>.broken" first, so the rewrite never destroys what the user may want back.
// False when the file exists but cannot be read at all: then it must not be replaced.
bool ReadDocumentForRewrite(const std::string& path, Json::Value& document);

// The styled layout the documents are stored in (three-space indentation, margin 74).
std::string StyledJsonText(const Json::Value& value);

// Replaces the file with the styled text and a line end, atomically, so a crash leaves either
// the old or the new document. False when the file could not be written.
bool WriteJsonDocument(const std::string& path, const Json::Value& value);

}  // namespace kx58
