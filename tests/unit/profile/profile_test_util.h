#pragma once
// Helpers shared by the profile tests: documents written into a temp folder.
#include <json/value.h>

#include <gtest/gtest.h>

#include <string>

#include "profile/json_file.h"
#include "profile/json_read.h"
#include "support/temp_dir.h"

namespace kx58test {

inline Json::Value ParseJson(const std::string& text) { return kx58::ParseJsonText(text); }

// A document with one device section.
inline Json::Value DocumentWithSection(const Json::Value& section) {
    Json::Value document(Json::objectValue);
    document["Device"].append(section);
    return document;
}

// A profile data object of type Data loaded from a document written into a temp folder.
template <typename Data>
class ProfileFileTest : public ::testing::Test {
protected:
    void Load(const std::string& document) {
        kx58::WriteJsonDocument(path, ParseJson(document));
        data.SetProfilePath(path);
        data.LoadProfile(path);
    }
    TempDir dir;
    std::string path = dir / "profile.Json";
    Data data;
};

}  // namespace kx58test
