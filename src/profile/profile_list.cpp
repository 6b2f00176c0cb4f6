#include "profile/profile_list.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "profile/json_read.h"
#include "profile/released_documents.h"
#include "profile/text_convert.h"
#include "profile/time_stamp_name.h"

namespace kx58 {
namespace {

Json::Value NewEntry(const std::string& name, const std::string& uuid) {
    Json::Value entry(Json::objectValue);
    entry["profilename"] = name;
    entry["profileUUID"] = uuid;
    entry["profileislink"] = 0;
    entry["profilelinkmame"] = "";
    return entry;
}

// An identifier becomes a file name in the profile folder; refuse anything that could not be
// one or could leave the folder.
bool IsUsableIdentifier(const std::string& uuid) {
    return !uuid.empty() && uuid != "." && uuid != ".." &&
           uuid.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

// The chosen file's name without folder and extension.
std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// Names are shown and stored as UTF-8; bytes that are not (a file name in another encoding)
// become U+FFFD instead of garbling the document.
std::string ValidUtf8(const std::string& text) { return Utf8FromWide(WideFromUtf8(text)); }

}  // namespace

void ProfileList::SetPaths(const std::string& profileDirectory,
                           const std::string& defaultDocumentPath) {
    directory_ = NormalizePath(profileDirectory);
    if (!directory_.empty() && directory_.back() != '/') directory_ += '/';
    defaultPath_ = defaultDocumentPath;
    lastGood_ = Json::Value();  // it belonged to the old folder
}

bool ProfileList::LoadList() {
    Json::Value read;
    const bool readable = ReadDocumentForRewrite(ListFilePath(), read, kMaxSettingsFileBytes);
    list_ = readable ? std::move(read) : lastGood_;
    if (!list_.isObject()) list_ = Json::Value(Json::objectValue);
    ArrayMember(list_, "profilelist");
    if (!readable) return false;
    if (Count() > 0) lastGood_ = list_;
    else RebuildList();
    return true;
}

void ProfileList::RebuildList() {
    Json::Value entries(Json::arrayValue);
    std::set<std::string> listed;
    for (const Json::Value& entry : MemberOf(lastGood_, "profilelist")) {
        const std::string uuid = StringMember(entry, "profileUUID");
        if (IsUsableIdentifier(uuid) && PathExists(DocumentPathOf(uuid)) && listed.insert(uuid).second)
            entries.append(entry);
    }
    for (const auto& [uuid, name] : DocumentsInFolder())
        if (listed.insert(uuid).second) entries.append(NewEntry(name, uuid));
    if (entries.empty()) return;  // a first start: nothing to keep
    DebugTraceF("profile list rebuilt with %u profiles: %s", entries.size(), ListFilePath().c_str());
    list_["profilelist"] = std::move(entries);
    // The selection follows its profile; it is gone when its document is.
    int selection = currentUuid_.empty() ? selected_ : -1;
    for (int i = 0; i < Count() && !currentUuid_.empty(); ++i)
        if (UuidAt(i) == currentUuid_) selection = i;
    selected_ = selection;
    list_["profileselect"] = selection < 0 ? 0 : selection;
}

std::vector<std::pair<std::string, std::string>> ProfileList::DocumentsInFolder() const {
    std::vector<std::pair<std::string, std::string>> found;
    DIR* dir = opendir(directory_.c_str());
    if (!dir) return found;
    constexpr std::string_view kSuffix = ".Json";
    while (const dirent* item = readdir(dir)) {
        const std::string_view file = item->d_name;
        if (file.size() <= kSuffix.size() || !file.ends_with(kSuffix)) continue;
        const std::string uuid(file.substr(0, file.size() - kSuffix.size()));
        if (!IsUsableIdentifier(uuid)) continue;
        const Json::Value document = ReadJsonDocument(DocumentPathOf(uuid));
        const std::string name = StringMember(document, "profilename");
        if (!name.empty() && StringMember(document, "profileUUID") == uuid) found.emplace_back(uuid, name);
    }
    closedir(dir);
    // Identifiers are time stamps: sorted, the oldest profile comes first.
    std::sort(found.begin(), found.end());
    return found;
}

bool ProfileList::WriteList() {
    if (!WriteJsonDocument(ListFilePath(), list_)) return false;
    lastGood_ = list_;
    return true;
}

int ProfileList::Count() const {
    return static_cast<int>(MemberOf(list_, "profilelist").size());
}

std::string ProfileList::NameAt(int index) const {
    return StringMember(ElementOf(MemberOf(list_, "profilelist"), index), "profilename");
}

std::string ProfileList::UuidAt(int index) const {
    const std::string uuid =
        StringMember(ElementOf(MemberOf(list_, "profilelist"), index), "profileUUID");
    return IsUsableIdentifier(uuid) ? uuid : std::string();
}

bool ProfileList::NameTaken(const std::string& name, int skipIndex) const {
    for (int i = 0; i < Count(); ++i) {
        if (i != skipIndex && EqualsIgnoringCase(NameAt(i), name)) return true;
    }
    return false;
}

bool ProfileList::WriteProfileDocument(Json::Value document, const std::string& name,
                                       const std::string& uuid) {
    if (!document.isObject()) document = Json::Value(Json::objectValue);
    document["profilename"] = name;
    document["profileUUID"] = uuid;
    return WriteJsonDocument(DocumentPathOf(uuid), document);
}

std::string ProfileList::NewIdentifier() const {
    // Time-stamp names are unique within a run; after the clock was set back one may name a
    // profile of an earlier run, which must not be overwritten.
    for (;;) {
        std::string uuid = MakeTimeStampName();
        bool listed = false;
        for (int i = 0; i < Count() && !listed; ++i) listed = UuidAt(i) == uuid;
        const std::string path = DocumentPathOf(uuid);
        if (!listed && !PathExists(path) && !IsReleasedProfileDocument(path)) return uuid;
    }
}

bool ProfileList::AppendProfile(const std::string& name, Json::Value document) {
    const std::string uuid = NewIdentifier();
    // The document first: a list entry never names a file that was not written.
    if (!WriteProfileDocument(std::move(document), name, uuid)) return false;
    list_["profilelist"].append(NewEntry(name, uuid));
    return WriteList();
}

bool ProfileList::RepairUnusableIdentifiers() {
    bool changed = false;
    Json::Value& entries = list_["profilelist"];
    for (int i = 0; i < Count(); ++i) {
        if (!UuidAt(i).empty()) continue;
        const std::string name = NameAt(i);
        const std::string uuid = NewIdentifier();
        WriteProfileDocument(ReadJsonDocument(defaultPath_), name, uuid);
        ObjectElement(entries, static_cast<Json::ArrayIndex>(i)) = NewEntry(name, uuid);
        changed = true;
    }
    return changed;
}

bool ProfileList::InitProfileList() {
    if (directory_.empty()) return false;
    CreateFolders(directory_);
    // The program runs once per session, so at start-up no temporary file is in use.
    RemoveStaleTemporaryFiles(directory_);
    // A list that no longer parses is kept as "ProfileList.ini.broken" before it is replaced.
    if (!LoadList()) return false;
    bool written = true;
    if (Count() == 0) {
        const std::string uuid = NewIdentifier();
        list_["profilelist"] = Json::Value(Json::arrayValue);
        list_["profilelist"].append(NewEntry("profile1", uuid));
        list_["profileselect"] = 0;
        written = WriteList();
        WriteProfileDocument(ReadJsonDocument(defaultPath_), "profile1", uuid);
    } else if (RepairUnusableIdentifiers()) {
        written = WriteList();
    }
    int select = static_cast<int>(IntMember(list_, "profileselect"));
    if (select < 0 || select >= Count()) select = 0;
    return SelectProfile(select) && written;
}

bool ProfileList::SelectProfile(int index) {
    if (!LoadList()) return false;
    if (index < 0 || index >= Count()) return false;
    selected_ = index;
    currentUuid_ = UuidAt(index);
    list_["profileselect"] = index;
    return WriteList();
}

std::vector<std::string> ProfileList::GetProfileNames() {
    LoadList();
    std::vector<std::string> names;
    for (int i = 0; i < Count(); ++i) names.push_back(NameAt(i));
    return names;
}

int ProfileList::GetProfileCount() {
    LoadList();
    return Count();
}

std::string ProfileList::GetProfilePathAt(int index) const {
    const std::string uuid = UuidAt(index);
    return uuid.empty() ? std::string() : DocumentPathOf(uuid);
}

bool ProfileList::AddProfile() {
    if (!LoadList()) return false;
    if (Count() >= kAddLimit) return false;
    std::string name;
    for (int n = 1;; ++n) {
        name = "profile" + std::to_string(n);
        if (!NameTaken(name)) break;
    }
    // The new profile is selected for the next start; the page keeps showing the current one.
    list_["profileselect"] = Count();
    return AppendProfile(name, ReadJsonDocument(defaultPath_));
}

bool ProfileList::CopyProfile() {
    if (!LoadList()) return false;
    if (!HasSelection()) return false;
    std::string name = NameAt(selected_);
    do {
        name += " copy";
    } while (NameTaken(name));
    const std::string source = UuidAt(selected_);
    Json::Value document = source.empty() ? Json::Value() : ReadJsonDocument(DocumentPathOf(source));
    return AppendProfile(name, std::move(document));
}

bool ProfileList::DeleteProfile() {
    if (!LoadList()) return false;
    if (!HasSelection() || Count() < 2) return false;
    const int deleted = selected_;
    const std::string uuid = UuidAt(deleted);
    const int next = deleted == 0 ? 0 : deleted - 1;
    Json::Value removed;
    list_["profilelist"].removeIndex(static_cast<Json::ArrayIndex>(deleted), &removed);
    list_["profileselect"] = next;
    if (!WriteList()) return false;
    if (!uuid.empty()) {
        ReleaseProfileDocument(DocumentPathOf(uuid));
        unlink(DocumentPathOf(uuid).c_str());
    }
    selected_ = next;
    currentUuid_ = UuidAt(next);
    return true;
}

ProfileList::RenameResult ProfileList::RenameProfile(const std::string& name) {
    const std::string trimmed = ValidUtf8(TrimBlanks(name));
    if (trimmed.empty()) return kNameBlank;
    if (!LoadList()) return kNotWritten;
    if (!HasSelection()) return kNoSelection;
    if (NameTaken(trimmed, selected_)) return kNameInUse;
    const std::string uuid = UuidAt(selected_);
    Json::Value document;
    // The document first, so a failed rename leaves the list as it was.
    if (!uuid.empty() && !ReadDocumentForRewrite(DocumentPathOf(uuid), document)) return kNotWritten;
    const std::string oldName = NameAt(selected_);
    if (!uuid.empty() && !WriteProfileDocument(document, trimmed, uuid)) return kNotWritten;
    ObjectElement(list_["profilelist"], static_cast<Json::ArrayIndex>(selected_))["profilename"] = trimmed;
    if (WriteList()) return kRenamed;
    if (!uuid.empty()) WriteProfileDocument(std::move(document), oldName, uuid);
    return kNotWritten;
}

bool ProfileList::ImportProfile(const std::string& path) {
    Json::Value document = ReadJsonDocument(path, kMaxImportBytes);
    if (MemberOf(document, "profilename").isNull() || MemberOf(document, "profileUUID").isNull()) {
        DebugTraceF("import refused, not a profile: %s", path.c_str());
        return false;
    }
    if (!LoadList()) return false;
    std::string name = ValidUtf8(TrimBlanks(BaseNameOf(path)));
    if (name.empty()) name = "profile";
    for (int counter = 1; NameTaken(name); ++counter) name += "(" + std::to_string(counter) + ")";
    return AppendProfile(name, std::move(document));
}

bool ProfileList::ExportProfile(const std::string& path) {
    LoadList();  // only read: the last good list serves when the file cannot be read
    if (!HasSelection() || path.empty()) return false;
    const std::string uuid = UuidAt(selected_);
    if (uuid.empty()) return false;
    const Json::Value document = ReadJsonDocument(DocumentPathOf(uuid));
    if (!document.isObject()) return false;
    return WriteJsonDocument(path, document);
}

bool ProfileList::ResetProfile() {
    if (!LoadList()) return false;
    if (!HasSelection()) return false;
    const std::string uuid = UuidAt(selected_);
    Json::Value document = ReadJsonDocument(defaultPath_);
    // Without factory settings a reset would only destroy the profile.
    if (uuid.empty() || !document.isObject()) return false;
    Json::Value current;
    if (!ReadDocumentForRewrite(DocumentPathOf(uuid), current)) return false;
    if (kind_ == kHeadsetKind) {
        const Json::Value& currentSection = ElementOf(MemberOf(current, "Device"), 0);
        Json::Value& section = ObjectElement(ArrayMember(document, "Device"), 0);
        for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& kept = MemberOf(currentSection, key);
            if (!kept.isNull()) section[key] = kept;
        }
    }
    return WriteProfileDocument(std::move(document), NameAt(selected_), uuid);
}

}  // namespace kx58
