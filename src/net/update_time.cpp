#include <json/value.h>

#include <cctype>
#include <cstdio>
#include <ctime>

#include "net/update_check.h"
#include "platform/atomic_file.h"
#include "profile/json_file.h"
#include "profile/json_read.h"

namespace kx58 {
namespace {

constexpr const char* kUpdateTimeFile = "updatetime.config";

std::string UpdateTimePath(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder + kUpdateTimeFile;
    return folder + "/" + kUpdateTimeFile;
}

// Three numbers joined by '-', as "%d-%d-%d" prints a date; anything else is not one.
bool IsDateText(const std::string& text) {
    int fields = 1;
    bool digitSeen = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digitSeen = true;
        } else if (c == '-' && digitSeen) {
            ++fields;
            digitSeen = false;
        } else {
            return false;
        }
    }
    return fields == 3 && digitSeen && text.size() <= 32;
}

}  // namespace

std::optional<std::string> ReadUpdateTime(const std::string& folder) {
    const Json::Value document = ReadJsonDocument(UpdateTimePath(folder), kMaxSettingsFileBytes);
    const std::string date = StringMember(MemberOf(document, "updatelasttime"), "value");
    if (!IsDateText(date)) return std::nullopt;
    return date;
}

bool WriteUpdateTime(const std::string& folder, const std::string& date) {
    if (!IsDateText(date)) return false;
    Json::Value document(Json::objectValue);
    document["updatelasttime"]["value"] = date;
    return WriteJsonDocument(UpdateTimePath(folder), document);
}

// Year, month and day, without leading zeros.
std::string UpdateDateToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local)) return {};
    char text[40];
    std::snprintf(text, sizeof text, "%d-%d-%d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

}  // namespace kx58
