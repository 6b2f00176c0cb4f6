#pragma once
// The in-memory side of one device's current profile: the working and default device
// sections of the profile documents, and typed getters and setters for the groups every
// product shares. Nothing reaches the disk before Save (or a repair on load).
#include <json/value.h>

#include <string>
#include <vector>

#include "profile/profile_records.h"

namespace kx58 {

class CBasicProfiledata {
public:
    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;
    CBasicProfiledata(const CBasicProfiledata&) = delete;
    CBasicProfiledata& operator=(const CBasicProfiledata&) = delete;

    // The working section into the profile document at the profile path. False when it could
    // not be written, or when the profile list deleted that document (it is never recreated).
    virtual bool Save();
    // Re-reads the document at `path`, puts `section` at Device[device index] and writes the
    // whole document, so other devices' sections and top-level keys survive.
    virtual bool SaveTo(const Json::Value& section, const std::string& path);
    virtual bool SaveDefaultTo(const std::string& path);
    virtual bool WriteDocument(const Json::Value& value, const std::string& path);

    void SetProfilePath(const std::string& path);  // an empty path is ignored
    const std::string& GetProfilePath() const { return profilePath_; }
    void SetDefaultPath(const std::string& path);  // an empty path is ignored
    const std::string& GetDefaultPath() const { return defaultPath_; }
    void SetLightLibraryPath(const std::string& path) { lightLibraryPath_ = path; }
    const std::string& GetLightLibraryPath() const { return lightLibraryPath_; }
    void SetDeviceIndex(int index);  // 0 to 255
    int GetDeviceIndex() const { return deviceIndex_; }
    // Number of built-in lighting effects; SelectItem values from here on name user effects.
    void SetBuiltInEffectCount(int count) { builtInEffectCount_ = count < 0 ? 0 : count; }

    // Loads Device[n] of `path` as the working section. A missing section (no file, broken
    // file, no Device array or element) is replaced by the default document's section, which
    // is written into the profile document at once.
    Json::Value LoadProfile(const std::string& path);
    // The same for the default section (reset to factory settings).
    Json::Value LoadDefaultProfile(const std::string& path);
    Json::Value LoadLightLibrary(const std::string& path);

    const Json::Value& WorkingSection() const { return working_; }
    const Json::Value& DefaultSection() const { return default_; }

    LightInfo GetLightInfo();
    void SetLightInfo(const LightInfo& info);
    AudioLightInfo GetAudioLightInfo();
    void SetAudioLightInfo(const AudioLightInfo& info);
    std::vector<LightListEntry> GetLightList();
    // Steps of the user-made effect that the current LightInfo selects; empty for built-ins.
    std::vector<EffectStep> GetEffectSteps();

    std::vector<KeyAssignmentEntry> GetKeyList();
    std::vector<KeyAssignmentEntry> GetDefaultKeyList();
    // Write only `Assignment`, at each entry's position in the list.
    void SetKeyList(const std::vector<KeyAssignmentEntry>& list);
    void SetDefaultKeyList(const std::vector<KeyAssignmentEntry>& list);

protected:
    // Device[device index] of a document, or null.
    const Json::Value& SectionOf(const Json::Value& document) const;
    Json::Value& Working() { return working_; }

private:
    Json::Value LoadSection(const std::string& path, bool repairDocument);
    void EnsureDefaultSection();

    std::string profilePath_;
    std::string defaultPath_;
    int builtInEffectCount_ = 0;
    LightInfo lightInfo_;
    LightInfo defaultLightInfo_;
    AudioLightInfo audioLightInfo_;
    std::vector<LightListEntry> lightList_;
    Json::Value working_;
    Json::Value default_;
    std::string lightLibraryPath_;
    std::vector<EffectStep> effectSteps_;
    Json::Value lightLibrary_;
    std::vector<KeyAssignmentEntry> keyList_;
    std::vector<KeyAssignmentEntry> defaultKeyList_;
    int deviceIndex_ = 0;
};

}  // namespace kx58
