#include "net/update_check.h"

#include <json/value.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "net/http_client.h"
#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/program_version.h"
#include "profile/json_file.h"
#include "profile/json_read.h"

namespace kx58 {
namespace {

constexpr std::size_t kReplyBufferBytes = 102400;
constexpr const char* kUpdatesPath = "/api/updates";
constexpr const char* kServiceFile = "update_service.json";

// The members of a reply, read only when each has the type the service sends.
struct ServiceReply {
    std::string path;
    std::string name;
    std::string versionName;
    std::string version;
    std::int32_t deviceId = 0;
};

// A text member; missing (or null) reads as empty, any other type is not the service's reply.
bool ReadText(const Json::Value& reply, const char* key, std::string& out) {
    const Json::Value& value = MemberOf(reply, key);
    if (value.isNull()) return true;
    if (!value.isString()) return false;
    out = value.asString();
    return true;
}

bool ReadInt(const Json::Value& reply, const char* key, std::int32_t& out) {
    const Json::Value& value = MemberOf(reply, key);
    if (value.isNull()) return true;
    if (!value.isInt()) return false;
    out = value.asInt();
    return true;
}

std::optional<ServiceReply> ReadServiceReply(const Json::Value& reply) {
    ServiceReply read;
    const bool typed = reply.isObject() && ReadText(reply, "path", read.path) && ReadText(reply, "name", read.name) &&
                       ReadText(reply, "version_name", read.versionName) &&
                       ReadText(reply, "version", read.version) && ReadInt(reply, "device_id", read.deviceId);
    if (!typed) return std::nullopt;
    return read;
}

// The whole text as an unsigned number of the base; a hexadecimal text may start with "0x".
std::optional<std::uint32_t> VersionNumber(std::string_view text, bool hex) {
    if (hex && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
    std::uint32_t number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number, hex ? 16 : 10);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return number;
}

std::string Printed(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string LocalVersionText(int localVersion, bool hex) { return Printed(hex ? "V%04x" : "V%d", localVersion); }

// Sent as narrow text; the caller sends its terminating zero too.
std::string RequestBody(const std::string& appKey, int localVersion, bool hex) {
    return "app_key=" + appKey + Printed(hex ? "&version=%x" : "&version=%d", localVersion);
}

// Status and texts from a well-formed reply; false when it names no version to compare.
bool FillFromReply(const ServiceReply& reply, int localVersion, bool hex, UpdateCheckResult& result) {
    const std::optional<std::uint32_t> server = VersionNumber(reply.version, hex);
    if (!server) return false;
    result.downloadPath = reply.path;
    result.name = reply.name;
    result.versionName = reply.versionName;
    result.deviceId = reply.deviceId;
    result.serverVersionText = hex ? "V" + reply.version : reply.versionName;
    result.status = static_cast<std::int64_t>(*server) > localVersion ? kUpdateNewer : kUpdateCurrent;
    return true;
}

}  // namespace

const std::array<UpdateProduct, kUpdateProductCount>& UpdateProducts() {
    // The device rows follow the device tabs (keyboard, mouse, mouse pad); their second number is
    // the product's USB product id. The last row is the application package.
    static const std::array<UpdateProduct, kUpdateProductCount> kProducts = {{
        {1, 0x501D, 0, "Orvik", "KX58", "KB", "RGB", "V0100"},
        {1, 0x221C, 0, "Orvik", "QM01", "MS", "RGB", "V0100"},
        {1, 0x1004, 0, "Orvik", "QP01", "PD", "RGB", "V0100"},
        {0, 1, 0, "Orvik", "ALL", "AP", "AP", "V100"},
    }};
    return kProducts;
}

std::string UpdateAppKey(const UpdateProduct& entry) {
    if (entry.localVersion == 0) return "NULL";
    return entry.brand + "_" + std::to_string(entry.formatNumber) + "_" + entry.chip + "_" + entry.typeCode1 + "_" +
           std::to_string(entry.secondNumber);
}

UpdateCheckResult CheckForUpdate(const std::string& appKey, int localVersion, bool hexFlag) {
    UpdateCheckResult result;
    result.localVersionText = LocalVersionText(localVersion, hexFlag);
    std::vector<std::uint8_t> buffer(kReplyBufferBytes, 0);
    const std::string body = RequestBody(appKey, localVersion, hexFlag);
    HttpClientInit();
    const int received = HttpRequest("POST", UpdateServiceAddress() + kUpdatesPath, body.c_str(), body.size() + 1,
                                     buffer, false);
    // The client always leaves the text terminated inside the buffer.
    const std::string text(reinterpret_cast<const char*>(buffer.data()));
    if (received <= 0) result.name = text;
    const std::optional<ServiceReply> reply = ReadServiceReply(ParseJsonText(text));
    if (!reply || !FillFromReply(*reply, localVersion, hexFlag, result)) {
        if (received > 0) DebugTraceF("update check %s: the reply is not the service's", appKey.c_str());
        result.status = kUpdateCheckFailed;
    }
    return result;
}

std::string UpdateServiceAddress() {
    const char* overridden = std::getenv("KX58_UPDATE_SERVICE");
    std::string address = overridden && *overridden
                              ? std::string(overridden)
                              : StringMember(ReadJsonDocument(Folders::Defaults() + kServiceFile, kMaxSettingsFileBytes),
                                             "address");
    while (!address.empty() && address.back() == '/') address.pop_back();
    if (address.empty()) DebugTrace("update check: no service address");
    return address;
}

int InstalledApplicationVersion() { return static_cast<int>(BuiltVersion().Number()); }

}  // namespace kx58
