#pragma once
// The list of a device's profiles ("ProfileList.ini", a JSON document in the profile
// folder) and the operations on it: create the first profile, select, add, copy, delete,
// rename, import, export and reset. Each operation re-reads the list file first, so the
// file on disk wins over the copy in memory, and writes every file atomically. The profile
// control of a device page drives this class; it works without any UI.
//
// A list that broke (kept as "ProfileList.ini.broken"), went missing or lost its entries is
// rebuilt from the last good list and the profile documents in the folder, so no profile is
// orphaned. A list file that cannot be read at all is never replaced: operations fail.
#include <json/value.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kx58 {

class ProfileList {
public:
    static constexpr int kAddLimit = 50;  // at most this many profiles through AddProfile
    static constexpr int kHeadsetKind = 7;
    // A file to import is a profile document of at most this size (a real one is a few kB).
    static constexpr std::size_t kMaxImportBytes = 1u << 20;
    enum RenameResult { kNameInUse = 0, kRenamed = 1, kNameBlank = 2, kNoSelection = 3, kNotWritten = 4 };

    void SetDeviceType(int kind) { kind_ = kind; }
    // The device's profile folder and its shipped default document.
    void SetPaths(const std::string& profileDirectory, const std::string& defaultDocumentPath);

    // Creates the list with "profile1" when it is missing, broken or empty, then selects
    // the stored selection. False when the list could not be written.
    bool InitProfileList();
    bool SelectProfile(int index);
    int GetSelectedIndex() const { return selected_; }  // -1 when nothing is selected
    const std::string& GetCurrentUUID() const { return currentUuid_; }

    // Names in display order, from a fresh read of the list file.
    std::vector<std::string> GetProfileNames();
    int GetProfileCount();
    // Document path of entry `index` of the last read list; empty when there is none.
    std::string GetProfilePathAt(int index) const;
    std::string ListFilePath() const { return directory_ + "ProfileList.ini"; }
    std::string DocumentPathOf(const std::string& uuid) const { return directory_ + uuid + ".Json"; }

    bool AddProfile();
    bool CopyProfile();
    // Removes the selected profile and its document, released first so that no profile data
    // object still holding it writes it back.
    bool DeleteProfile();
    RenameResult RenameProfile(const std::string& name);
    bool ImportProfile(const std::string& path);
    bool ExportProfile(const std::string& path);
    bool ResetProfile();

private:
    // Reads the list before an operation; false when it exists but cannot be read (then the
    // last good list is shown and nothing may be written).
    bool LoadList();
    void RebuildList();
    // Profile documents of the folder that name themselves: (identifier, name), oldest first.
    std::vector<std::pair<std::string, std::string>> DocumentsInFolder() const;
    bool WriteList();
    int Count() const;
    std::string NameAt(int index) const;
    std::string UuidAt(int index) const;  // empty when the stored one is unusable as a name
    bool NameTaken(const std::string& name, int skipIndex = -1) const;
    bool HasSelection() const { return selected_ >= 0 && selected_ < Count(); }
    // Appends a new entry with a fresh identifier and writes its document.
    bool AppendProfile(const std::string& name, Json::Value document);
    bool WriteProfileDocument(Json::Value document, const std::string& name,
                              const std::string& uuid);
    bool RepairUnusableIdentifiers();
    std::string NewIdentifier() const;

    std::string directory_;
    std::string defaultPath_;
    std::string currentUuid_;
    Json::Value list_;
    Json::Value lastGood_;  // the last list read or written whole
    int kind_ = 0;
    int selected_ = -1;
};

}  // namespace kx58
