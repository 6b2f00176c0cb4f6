#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <memory>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

#include <json/json.h>

#include "platform/atomic_file.h"
#include "platform/folders.h"

namespace kx58 {
namespace {

std::string RegistryFile() {
    const std::string folder = Folders::UserConfig();
    return folder.empty() ? std::string() : folder + "registry.json";
}

// Holds an exclusive lock on a side file for one read-modify-write of the registry file.
class RegistryLock {
public:
    RegistryLock() {
        const std::string file = RegistryFile();
        if (file.empty()) return;
        fd_ = open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~RegistryLock() {
        if (fd_ >= 0) close(fd_);
    }
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

Json::Value Load() {
    const auto text = ReadWholeFile(RegistryFile());
    if (!text) return Json::Value(Json::objectValue);
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    try {
        if (!reader->parse(text->data(), text->data() + text->size(), &root, &errors) || !root.isObject())
            return Json::Value(Json::objectValue);
    } catch (const std::exception&) {
        return Json::Value(Json::objectValue);
    }
    return root;
}

bool Save(const Json::Value& root) {
    const std::string file = RegistryFile();
    return !file.empty() && WriteFileAtomically(file, root.toStyledString());
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The stored spelling of a key or value name that matches case-insensitively.
std::optional<std::string> StoredName(const Json::Value& object, const std::string& name) {
    if (!object.isObject()) return std::nullopt;
    const std::string wanted = Lower(name);
    for (const auto& member : object.getMemberNames())
        if (Lower(member) == wanted) return member;
    return std::nullopt;
}

std::string CleanPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path.back() == '\\') path.pop_back();
    while (!path.empty() && path.front() == '\\') path.erase(path.begin());
    return path;
}

template <typename Change>
bool ChangeValue(const std::string& keyPath, Change change) {
    RegistryLock lock;
    if (!lock.Held()) return false;
    Json::Value root = Load();
    const auto key = StoredName(root, keyPath);
    if (!key) return false;  // the key went away meanwhile
    if (!root[*key].isObject()) root[*key] = Json::Value(Json::objectValue);
    change(root[*key]);
    return Save(root);
}

}  // namespace

std::optional<RegistryKey> RegistryKey::Open(const std::string& path) {
    const std::string clean = CleanPath(path);
    const auto stored = StoredName(Load(), clean);
    if (!stored) return std::nullopt;
    return RegistryKey(*stored);
}

std::optional<RegistryKey> RegistryKey::Create(const std::string& path) {
    const std::string clean = CleanPath(path);
    if (clean.empty()) return std::nullopt;
    RegistryLock lock;
    if (!lock.Held()) return std::nullopt;
    Json::Value root = Load();
    if (const auto stored = StoredName(root, clean)) return RegistryKey(*stored);
    root[clean] = Json::Value(Json::objectValue);
    if (!Save(root)) return std::nullopt;
    return RegistryKey(clean);
}

std::optional<std::uint32_t> RegistryKey::QueryDword(const std::string& value) const {
    const Json::Value root = Load();
    const auto key = StoredName(root, path_);
    if (!key) return std::nullopt;
    const auto name = StoredName(root[*key], value);
    if (!name) return std::nullopt;
    const Json::Value& data = root[*key][*name];
    if (data.isUInt()) return data.asUInt();
    if (data.isInt()) return static_cast<std::uint32_t>(data.asInt());
    return std::nullopt;
}

std::optional<std::string> RegistryKey::QueryString(const std::string& value) const {
    const Json::Value root = Load();
    const auto key = StoredName(root, path_);
    if (!key) return std::nullopt;
    const auto name = StoredName(root[*key], value);
    if (!name || !root[*key][*name].isString()) return std::nullopt;
    return root[*key][*name].asString();
}

bool RegistryKey::SetDword(const std::string& value, std::uint32_t data) {
    return ChangeValue(path_, [&](Json::Value& key) { key[StoredName(key, value).value_or(value)] = Json::UInt(data); });
}

bool RegistryKey::SetString(const std::string& value, const std::string& data) {
    return ChangeValue(path_, [&](Json::Value& key) { key[StoredName(key, value).value_or(value)] = data; });
}

bool RegistryKey::DeleteValue(const std::string& value) {
    return ChangeValue(path_, [&](Json::Value& key) {
        if (const auto stored = StoredName(key, value)) key.removeMember(*stored);
    });
}

}  // namespace kx58
