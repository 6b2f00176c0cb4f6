#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include <json/json.h>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
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
        fd_ = open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
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

Json::Value ParseRegistryText(const std::string& text) {
    try {
        Json::CharReaderBuilder builder;
        builder["failIfExtra"] = true;  // text after the object is damage too, kept in the copy
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return root;
    } catch (const std::exception&) {
    }
    return Json::Value();
}

// Ends of the complete top-level members of an object text: where a ',' follows a member at
// depth one. Past a fault the positions may be wrong; they then do not parse.
std::vector<std::size_t> TopLevelMemberEnds(const std::string& text) {
    std::vector<std::size_t> ends;
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 1) {
            ends.push_back(i);
        }
    }
    return ends;
}

// The longest run of whole keys at the start of a damaged file (a cut-off write loses only
// its tail). Prefixes that parse come before those that do not, so a binary search finds it.
Json::Value SalvageKeys(const std::string& text) {
    const std::vector<std::size_t> ends = TopLevelMemberEnds(text);
    Json::Value best(Json::objectValue);
    std::size_t low = 0, high = ends.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        Json::Value prefix = ParseRegistryText(text.substr(0, ends[middle]) + "}");
        if (prefix.isObject()) {
            best = std::move(prefix);
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return best;
}

enum class Stored { Read, Missing, Damaged, Unreadable };

struct Contents {
    Stored state = Stored::Missing;
    Json::Value root{Json::objectValue};  // what could be read; an object
    std::string text;                     // the damaged file's bytes
};

Contents Load() {
    Contents contents;
    const std::string file = RegistryFile();
    if (file.empty()) return contents;
    FileRead read = ReadRegularFile(file, kMaxSettingsFileBytes);
    if (read.status == FileReadStatus::Missing) return contents;
    if (!read.ok()) {
        DebugTraceF("registry file %s: %s", file.c_str(), DescribeFileRead(read.status));
        contents.state = Stored::Unreadable;
        return contents;
    }
    Json::Value root = ParseRegistryText(read.text);
    if (root.isObject()) {
        contents.state = Stored::Read;
        contents.root = std::move(root);
        return contents;
    }
    contents.state = read.text.empty() ? Stored::Missing : Stored::Damaged;
    if (root.isNull()) contents.root = SalvageKeys(read.text);  // a root of another kind keeps nothing
    contents.text = std::move(read.text);
    return contents;
}

// Before a damaged file is replaced its bytes go to "registry.json.broken", so whatever the
// salvage missed can still be recovered by hand. False when the file must not be replaced.
bool ReadyToReplace(const Contents& contents) {
    if (contents.state == Stored::Unreadable) return false;
    if (contents.state != Stored::Damaged) return true;
    DebugTrace("registry file damaged; kept as registry.json.broken");
    return WriteFileAtomically(RegistryFile() + ".broken", contents.text);
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
    Contents contents = Load();
    Json::Value& root = contents.root;
    const auto key = StoredName(root, keyPath);
    if (!key) return false;  // the key went away meanwhile
    if (!ReadyToReplace(contents)) return false;
    if (!root[*key].isObject()) root[*key] = Json::Value(Json::objectValue);
    change(root[*key]);
    return Save(root);
}

}  // namespace

std::optional<RegistryKey> RegistryKey::Open(const std::string& path) {
    const std::string clean = CleanPath(path);
    const auto stored = StoredName(Load().root, clean);
    if (!stored) return std::nullopt;
    return RegistryKey(*stored);
}

std::optional<RegistryKey> RegistryKey::Create(const std::string& path) {
    const std::string clean = CleanPath(path);
    if (clean.empty()) return std::nullopt;
    RegistryLock lock;
    if (!lock.Held()) return std::nullopt;
    Contents contents = Load();
    if (const auto stored = StoredName(contents.root, clean)) return RegistryKey(*stored);
    if (!ReadyToReplace(contents)) return std::nullopt;
    contents.root[clean] = Json::Value(Json::objectValue);
    if (!Save(contents.root)) return std::nullopt;
    return RegistryKey(clean);
}

std::optional<std::uint32_t> RegistryKey::QueryDword(const std::string& value) const {
    const Json::Value root = Load().root;
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
    const Json::Value root = Load().root;
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

int RemoveInterruptedRegistryWrites() {
    const std::string folder = Folders::UserConfig();
    // Every writer holds the lock while its temporary file exists, so under it all are stale.
    RegistryLock lock;
    if (folder.empty() || !lock.Held()) return 0;
    return RemoveStaleTemporaryFiles(folder, "registry.json");
}

}  // namespace kx58
