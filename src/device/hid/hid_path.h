#pragma once
// Device-interface paths. A path names the backend, the node and, after '#', the tags the
// supported-device table matches on:
//   hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_01&col04
//   vhid:/run/user/1000/kx58/vhid/kb-if1.sock#vid_320f&pid_501d&mi_01&col04
// "&colNN" appears only when the interface has more than one top-level collection.
#include <cstdint>
#include <string>
#include <string_view>

namespace kx58 {

// Each finds its tag ("vid_", "pid_", "&mi_", "&col") case-insensitively in the tag part (after
// the last '#'; never in the node) and reads the hexadecimal digits after it; the low 16
// bits, 0 when the tag is absent.
std::uint16_t ParseVid(std::string_view path);
std::uint16_t ParsePid(std::string_view path);
std::uint16_t ParseInterface(std::string_view path);
std::uint16_t ParseCollection(std::string_view path);

// The tag part of a path; `collection` 0 leaves out "&col".
std::string MakePathTags(std::uint16_t vid, std::uint16_t pid, std::uint16_t interfaceNumber,
                         std::uint16_t collection);

struct SplitPath {
    std::string backend;  // "hidraw" or "vhid"
    std::string node;     // "/dev/hidraw3" or the socket file
};
// The node runs from the first ':' to the last '#'. False when the path has no "backend:"
// prefix or no node.
bool SplitDevicePath(std::string_view path, SplitPath& out);

}  // namespace kx58
