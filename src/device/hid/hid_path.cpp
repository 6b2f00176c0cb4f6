#include "device/hid/hid_path.h"

#include <cctype>
#include <cstdio>

namespace kx58 {
namespace {

// The part after the last '#': the node before it is a file path and may hold any text
// ("/tmp/vid_1/kb.sock"), the tags never hold a '#'. Empty when the path has no '#'.
std::string_view TagPart(std::string_view path) {
    const std::size_t hash = path.rfind('#');
    return hash == std::string_view::npos ? std::string_view() : path.substr(hash + 1);
}

// Position just after the first case-insensitive occurrence of `tag`, or npos.
std::size_t FindTagEnd(std::string_view path, std::string_view tag) {
    if (path.size() < tag.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + tag.size() <= path.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < tag.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(path[i + k])) == tag[k];
        if (same) return i + tag.size();
    }
    return std::string_view::npos;
}

// Reads hexadecimal digits the way "%x" does: optional sign, optional "0x", then digits;
// wraps on overflow and keeps the low 16 bits.
std::uint16_t ParseHexAfter(std::string_view fullPath, std::string_view tag) {
    const std::string_view path = TagPart(fullPath);
    std::size_t pos = FindTagEnd(path, tag);
    if (pos == std::string_view::npos) return 0;
    bool negative = false;
    if (pos < path.size() && (path[pos] == '+' || path[pos] == '-')) negative = path[pos++] == '-';
    if (pos + 1 < path.size() && path[pos] == '0' && (path[pos + 1] == 'x' || path[pos + 1] == 'X') &&
        pos + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[pos + 2])))
        pos += 2;
    std::uint32_t value = 0;
    for (; pos < path.size() && std::isxdigit(static_cast<unsigned char>(path[pos])); ++pos) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(path[pos])));
        value = value * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (negative) value = 0u - value;
    return static_cast<std::uint16_t>(value & 0xFFFFu);
}

}  // namespace

std::uint16_t ParseVid(std::string_view path) { return ParseHexAfter(path, "vid_"); }
std::uint16_t ParsePid(std::string_view path) { return ParseHexAfter(path, "pid_"); }
std::uint16_t ParseInterface(std::string_view path) { return ParseHexAfter(path, "&mi_"); }
std::uint16_t ParseCollection(std::string_view path) { return ParseHexAfter(path, "&col"); }

std::string MakePathTags(std::uint16_t vid, std::uint16_t pid, std::uint16_t interfaceNumber,
                         std::uint16_t collection) {
    char tags[64];
    int n = std::snprintf(tags, sizeof tags, "vid_%04x&pid_%04x&mi_%02x", vid, pid, interfaceNumber);
    if (collection != 0) std::snprintf(tags + n, sizeof tags - n, "&col%02x", collection);
    return tags;
}

bool SplitDevicePath(std::string_view path, SplitPath& out) {
    std::size_t colon = path.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::size_t hash = path.rfind('#');
    if (hash != std::string_view::npos && hash < colon) hash = std::string_view::npos;
    std::string_view node = path.substr(colon + 1, hash == std::string_view::npos ? path.npos : hash - colon - 1);
    if (node.empty()) return false;
    out.backend = std::string(path.substr(0, colon));
    out.node = std::string(node);
    return true;
}

}  // namespace kx58
