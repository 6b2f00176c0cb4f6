#include "device/hid/vhid_bus.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <sstream>

#include <json/json.h>

#include "platform/folders.h"

namespace kx58 {
namespace {

constexpr char kHelloMagic[4] = {'K', 'X', 'V', 'H'};

bool ReadUint16(const Json::Value& root, const char* key, std::uint16_t& out) {
    const Json::Value& v = root[key];
    if (!v.isIntegral() || v.asInt64() < 0 || v.asInt64() > 0xFFFF) return false;
    out = static_cast<std::uint16_t>(v.asUInt());
    return true;
}

}  // namespace

std::string VhidFolder() {
    const char* env = std::getenv("KX58_VHID_DIR");
    std::string folder = env && *env ? env : Folders::Runtime() + "vhid";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::vector<std::uint8_t> MakeVhidHello(std::uint16_t collection) {
    std::vector<std::uint8_t> hello(kHelloMagic, kHelloMagic + 4);
    hello.push_back(static_cast<std::uint8_t>(collection));
    return hello;
}

std::optional<std::uint16_t> ParseVhidHello(std::span<const std::uint8_t> datagram) {
    if (datagram.size() != kVhidHelloSize || std::memcmp(datagram.data(), kHelloMagic, 4) != 0)
        return std::nullopt;
    return datagram[4];
}

std::string HexEncode(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

bool HexDecode(std::string_view text, std::vector<std::uint8_t>& bytes) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    bytes.clear();
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return true;
}

std::string EncodeVhidDescription(const HidInterfaceInfo& info) {
    Json::Value root(Json::objectValue);
    root["vid"] = info.vendorId;
    root["pid"] = info.productId;
    root["version"] = info.version;
    root["interface"] = info.interfaceNumber;
    root["product"] = info.product;
    root["report_descriptor"] = HexEncode(info.descriptor);
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return Json::writeString(builder, root) + "\n";
}

bool DecodeVhidDescription(std::string_view text, HidInterfaceInfo& info) {
    Json::Value root;
    std::string errors;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return false;
        if (!root.isObject() || !root["product"].isString() || !root["report_descriptor"].isString())
            return false;
        if (!ReadUint16(root, "vid", info.vendorId) || !ReadUint16(root, "pid", info.productId) ||
            !ReadUint16(root, "interface", info.interfaceNumber))
            return false;
        if (!ReadUint16(root, "version", info.version)) info.version = 0;
        info.product = root["product"].asString();
        return HexDecode(root["report_descriptor"].asString(), info.descriptor);
    } catch (const std::exception&) {
        return false;
    }
}

std::string VhidDescriptionPathFor(const std::string& socketPath) {
    const std::string suffix = ".sock";
    if (socketPath.size() >= suffix.size() &&
        socketPath.compare(socketPath.size() - suffix.size(), suffix.size(), suffix) == 0)
        return socketPath.substr(0, socketPath.size() - suffix.size()) + ".json";
    return socketPath + ".json";
}

}  // namespace kx58
