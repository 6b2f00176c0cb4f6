#pragma once
// Reading skin XML: skin pages, includes, menus, res.xml and language files. A file is read
// only when it is a regular file of at most kMaxSkinFileBytes, and parsed from memory; a
// folder, FIFO, device or oversized file is a damaged skin file, refused at once.
#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace kx58::ui {

// False, with `error` saying why, when the file cannot be read or does not parse.
bool LoadSkinFile(const std::string& path, pugi::xml_document& doc, std::string& error);
bool LoadSkinText(std::string_view text, pugi::xml_document& doc, std::string& error);

}  // namespace kx58::ui
