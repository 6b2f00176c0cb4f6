#include "macro/macro_library.h"

#include <dirent.h>
#include <unistd.h>

#include <memory>

#include "macro/file_replacement.h"
#include "macro/macro_events.h"
#include "macro/macro_key_renumber.h"
#include "macro/macro_names.h"
#include "platform/atomic_file.h"
#include "profile/json_file.h"
#include "profile/json_read.h"
#include "profile/released_documents.h"
#include "profile/text_convert.h"
#include "profile/time_stamp_name.h"

namespace kx58 {
namespace {

Json::Value& MacroInfoOf(Json::Value& config) {
    if (!config.isObject()) config = Json::Value(Json::objectValue);
    return ArrayMember(config, "MacroInfo");
}

std::vector<std::string> NamesIn(const Json::Value& config) {
    std::vector<std::string> names;
    for (const Json::Value& element : MemberOf(config, "MacroInfo")) names.push_back(StringMember(element, "MacroName"));
    return names;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The profile documents of the folder ("<profile UUID>.Json"), as paths.
std::vector<std::string> ProfileDocumentsIn(const std::string& directory) {
    std::vector<std::string> paths;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(directory.c_str()), ::closedir);
    if (!folder) return paths;
    while (const dirent* item = ::readdir(folder.get())) {
        const std::string path = directory + item->d_name;
        if (EndsWith(item->d_name, ".Json") && !IsReleasedProfileDocument(path)) paths.push_back(path);
    }
    return paths;
}

MacroResult ImportReadResult(FileReadStatus status) {
    return status == FileReadStatus::TooLarge ? MacroResult::TooLarge : MacroResult::Unreadable;
}

// The macro file to import, checked before anything is written.
MacroResult CheckImport(const FileRead& read) {
    if (!read.ok()) return ImportReadResult(read.status);
    const Json::Value macro = ParseJsonText(read.text);
    if (!macro.isObject()) return MacroResult::NotJson;
    if (MemberOf(macro, "Events").size() > kMaxMacroEvents) return MacroResult::TooManyEvents;
    return MacroResult::Ok;
}

}  // namespace

MacroLibrary::MacroLibrary(const std::string& profileDirectory) : directory_(profileDirectory) {
    if (!directory_.empty() && directory_.back() != '/' && directory_.back() != '\\') directory_ += '/';
}

const std::vector<MacroEntry>& MacroLibrary::Load() {
    entries_ = ReadMacroLibrary(directory_);
    return entries_;
}

std::vector<std::string> MacroLibrary::Names() const {
    std::vector<std::string> names;
    for (const MacroEntry& entry : entries_) names.push_back(entry.name);
    return names;
}

bool MacroLibrary::ReadConfig(Json::Value& config) const {
    if (!ReadDocumentForRewrite(ConfigPath(), config, kMaxSettingsFileBytes)) return false;
    MacroInfoOf(config);
    return true;
}

bool MacroLibrary::WriteConfig(const Json::Value& config) {
    const bool written = WriteJsonDocument(ConfigPath(), config);
    Load();
    return written;
}

MacroResult MacroLibrary::CheckedEntry(int number, MacroEntry& entry) {
    Load();
    if (number < 0 || static_cast<std::size_t>(number) >= entries_.size()) return MacroResult::NoSuchMacro;
    entry = entries_[static_cast<std::size_t>(number)];
    return IsMacroFileIdentity(entry.guid) ? MacroResult::Ok : MacroResult::UnsafeGuid;
}

MacroCreated MacroLibrary::Add() { return Create(NewMacroName, {}); }

MacroCreated MacroLibrary::Import(const std::string& path) {
    const FileRead read = ReadRegularFile(path, kMaxMacroImportBytes);
    const MacroResult checked = CheckImport(read);
    if (checked != MacroResult::Ok) return {checked, {}};
    const auto nameFor = [&](const std::vector<std::string>& taken) { return ImportedMacroName(taken, path); };
    return Create(nameFor, read.text);
}

// Empty `macroBytes` write no ".mac" file.
MacroCreated MacroLibrary::Create(const NameRule& nameFor, const std::string& macroBytes) {
    Json::Value config;
    if (!ReadConfig(config)) return {MacroResult::Unreadable, {}};
    Json::Value& info = MacroInfoOf(config);
    if (info.size() >= kMaxMacros) return {MacroResult::LibraryFull, {}};
    Json::Value entry(Json::objectValue);
    entry["MacroName"] = nameFor(NamesIn(config));
    entry["Guid"] = MakeTimeStampName();
    const std::string macroPath = MacroFilePath(directory_, entry["Guid"].asString());
    if (!macroBytes.empty() && !WriteFileAtomically(macroPath, macroBytes)) return {MacroResult::NotWritten, {}};
    info.append(entry);
    if (WriteConfig(config)) return {MacroResult::Ok, entry["MacroName"].asString()};
    if (!macroBytes.empty()) ::unlink(macroPath.c_str());
    return {MacroResult::NotWritten, {}};
}

MacroResult MacroLibrary::Rename(int number, const std::string& name) {
    Json::Value config;
    if (!ReadConfig(config)) return MacroResult::Unreadable;
    Json::Value& info = MacroInfoOf(config);
    if (number < 0 || static_cast<Json::ArrayIndex>(number) >= info.size()) return MacroResult::NoSuchMacro;
    const std::string trimmed = TrimBlanks(name);
    if (trimmed.empty()) return MacroResult::NameBlank;
    if (MacroNameTaken(NamesIn(config), trimmed)) return MacroResult::NameInUse;
    ObjectElement(info, static_cast<Json::ArrayIndex>(number))["MacroName"] = trimmed;
    return WriteConfig(config) ? MacroResult::Ok : MacroResult::NotWritten;
}

MacroResult MacroLibrary::AddRenumberedProfiles(FileReplacement& change, int number) const {
    for (const std::string& path : ProfileDocumentsIn(directory_)) {
        Json::Value document;
        if (!ReadDocumentForRewrite(path, document)) return MacroResult::Unreadable;
        if (RenumberMacroKeysInDocument(document, number)) change.Add(path, StyledJsonText(document) + "\n");
    }
    return MacroResult::Ok;
}

MacroResult MacroLibrary::Delete(int number) {
    Json::Value config;
    if (!ReadConfig(config)) return MacroResult::Unreadable;
    Json::Value& info = MacroInfoOf(config);
    if (number < 0 || static_cast<Json::ArrayIndex>(number) >= info.size()) return MacroResult::NoSuchMacro;
    const std::string guid = StringMember(info[static_cast<Json::ArrayIndex>(number)], "Guid");
    // An entry without a Guid has no file; one with an unusable Guid is refused whole.
    if (!guid.empty() && !IsMacroFileIdentity(guid)) return MacroResult::UnsafeGuid;
    FileReplacement change;
    const MacroResult profiles = AddRenumberedProfiles(change, number);
    if (profiles != MacroResult::Ok) return profiles;
    Json::Value removed;
    info.removeIndex(static_cast<Json::ArrayIndex>(number), &removed);
    change.Add(ConfigPath(), StyledJsonText(config) + "\n");
    const bool committed = change.Commit();
    Load();
    if (!committed) return MacroResult::NotWritten;
    if (!guid.empty()) ::unlink(MacroFilePath(directory_, guid).c_str());
    return MacroResult::Ok;
}

MacroResult MacroLibrary::SaveEvents(int number, const std::vector<MacroEventRecord>& events) {
    MacroEntry entry;
    const MacroResult checked = CheckedEntry(number, entry);
    if (checked != MacroResult::Ok) return checked;
    if (events.size() > kMaxMacroEvents) return MacroResult::TooManyEvents;
    const Json::Value document = MacroDocument(entry.name, entry.guid, events);
    return WriteJsonDocument(MacroFilePath(directory_, entry.guid), document) ? MacroResult::Ok
                                                                              : MacroResult::NotWritten;
}

std::vector<MacroEventRecord> MacroLibrary::ReadEvents(int number) {
    MacroEntry entry;
    if (CheckedEntry(number, entry) != MacroResult::Ok) return {};
    return ReadMacroEvents(directory_, entry.guid);
}

MacroResult MacroLibrary::Export(int number, const std::string& path) {
    MacroEntry entry;
    const MacroResult checked = CheckedEntry(number, entry);
    if (checked != MacroResult::Ok) return checked;
    FileRead read = ReadRegularFile(MacroFilePath(directory_, entry.guid), kMaxDocumentFileBytes);
    if (read.status == FileReadStatus::Missing) read.text = StyledJsonText(MacroDocument(entry.name, entry.guid, {})) + "\n";
    else if (!read.ok()) return MacroResult::Unreadable;
    return WriteFileAtomically(path, read.text) ? MacroResult::Ok : MacroResult::NotWritten;
}

}  // namespace kx58
