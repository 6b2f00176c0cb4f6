#pragma once
// Helpers shared by the profile tests: documents written into a temp folder.
#include <json/value.h>

#include <string>

#include "profile/json_file.h"
#include "profile/json_read.h"

namespace kx58test {

inline Json::Value ParseJson(const std::string& text) { return kx58::ParseJsonText(text); }

// A document with one device section.
inline Json::Value DocumentWithSection(const Json::Value& section) {
    Json::Value document(Json::objectValue);
    document["Device"].append(section);
    return document;
}

}  // namespace kx58test
