#include "profile/basic_profiledata.h"

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "profile/json_read.h"
#include "profile/record_fields.h"
#include "profile/released_documents.h"

namespace kx58 {
namespace {

constexpr int kMaxDeviceIndex = 255;

constexpr ByteField<LightInfo> kLightInfoFields[] = {
    {"SelectItem", &LightInfo::SelectItem},   {"Light", &LightInfo::Light},
    {"Speed", &LightInfo::Speed},             {"Fx", &LightInfo::Fx},
    {"MultiColor", &LightInfo::MultiColor, true}, {"Red", &LightInfo::Red},
    {"Green", &LightInfo::Green},             {"Blue", &LightInfo::Blue},
    {"ZZCCLedMode", &LightInfo::ZZCCLedMode}, {"CustomGroup", &LightInfo::CustomGroup},
    {"OldLedmode", &LightInfo::OldLedmode},   {"LogoMode", &LightInfo::LogoMode},
    {"LogoModeCol", &LightInfo::LogoModeCol}};

constexpr ByteField<AudioLightInfo> kAudioLightFields[] = {
    {"AudioMode", &AudioLightInfo::AudioMode},
    {"BkColorR", &AudioLightInfo::BkColorR},
    {"BkColorG", &AudioLightInfo::BkColorG},
    {"BkColorB", &AudioLightInfo::BkColorB},
    {"FgColorR", &AudioLightInfo::FgColorR},
    {"FgColorG", &AudioLightInfo::FgColorG},
    {"FgColorB", &AudioLightInfo::FgColorB},
    {"7ColorFlags", &AudioLightInfo::SevenColorFlags, true},
    {"ColorTypeFlags", &AudioLightInfo::ColorTypeFlags, true}};

constexpr ByteField<LightListEntry> kLightListFields[] = {
    {"LEDREGMode", &LightListEntry::LEDREGMode},
    {"LEDBrightness", &LightListEntry::LEDBrightness},
    {"LEDSpeed", &LightListEntry::LEDSpeed},
    {"LEDDirection", &LightListEntry::LEDDirection, true},
    {"LEDMultiColor", &LightListEntry::LEDMultiColor, true},
    {"red", &LightListEntry::red},
    {"green", &LightListEntry::green},
    {"blue", &LightListEntry::blue}};

constexpr ByteField<EffectStep> kEffectStepFields[] = {
    {"LEDREGMode", &EffectStep::LEDREGMode},       {"LEDBrightness", &EffectStep::LEDBrightness},
    {"LEDSpeed", &EffectStep::LEDSpeed},           {"LEDDirection", &EffectStep::LEDDirection},
    {"LEDMultiColor", &EffectStep::LEDMultiColor}, {"red", &EffectStep::red},
    {"green", &EffectStep::green},                 {"blue", &EffectStep::blue}};

// The folder part of a path, with its separator; empty when there is none.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A Guid names a file in the library's folder; anything that could leave that folder is refused.
bool IsPlainFileStem(const std::string& stem) {
    return !stem.empty() && stem != "." && stem != ".." &&
           stem.find_first_of("/\\") == std::string::npos && stem.find('\0') == std::string::npos;
}

KeyAssignmentEntry KeyEntryOf(const Json::Value& element, Json::ArrayIndex index) {
    KeyAssignmentEntry entry;
    entry.keyIndex = static_cast<uint16_t>(index);
    entry.assignment =
        AssignmentBytes::FromCode(static_cast<uint32_t>(IntMember(element, "Assignment")));
    entry.defaultKeyIndex = static_cast<uint16_t>(index);
    entry.defaultAssignment =
        AssignmentBytes::FromCode(static_cast<uint32_t>(IntMember(element, "DefaultAssignment")));
    return entry;
}

std::vector<KeyAssignmentEntry> KeyListOf(const Json::Value& section) {
    std::vector<KeyAssignmentEntry> list;
    const Json::Value& keys = MemberOf(section, "KeyList");
    if (!keys.isArray()) return list;
    list.reserve(keys.size());
    for (Json::ArrayIndex i = 0; i < keys.size(); ++i) list.push_back(KeyEntryOf(keys[i], i));
    return list;
}

void WriteAssignments(Json::Value& section, const std::vector<KeyAssignmentEntry>& list) {
    if (list.empty()) return;
    Json::Value& keys = ArrayMember(section, "KeyList");
    for (size_t i = 0; i < list.size(); ++i) {
        ObjectElement(keys, static_cast<Json::ArrayIndex>(i))["Assignment"] =
            static_cast<Json::UInt>(list[i].assignment.Code());
    }
}

EffectStep EffectStepOf(const Json::Value& step) {
    EffectStep out;
    ReadByteFields<EffectStep>(step, out, kEffectStepFields);
    out.Time = static_cast<int32_t>(IntMember(step, "Time"));
    out.Cyle = static_cast<int32_t>(IntMember(step, "Cyle"));
    return out;
}

}  // namespace

bool CBasicProfiledata::Save() { return SaveTo(working_, profilePath_); }

bool CBasicProfiledata::SaveTo(const Json::Value& section, const std::string& path) {
    Json::Value document;
    if (path.empty() || IsReleasedProfileDocument(path)) return false;  // its profile was deleted
    if (!ReadDocumentForRewrite(path, document)) return false;
    if (!document.isObject()) document = Json::Value(Json::objectValue);
    ArrayMember(document, "Device")[static_cast<Json::ArrayIndex>(deviceIndex_)] = section;
    return WriteDocument(document, path);
}

bool CBasicProfiledata::SaveDefaultTo(const std::string& path) { return SaveTo(default_, path); }

bool CBasicProfiledata::WriteDocument(const Json::Value& value, const std::string& path) {
    return WriteJsonDocument(path, value);
}

void CBasicProfiledata::SetProfilePath(const std::string& path) {
    if (!path.empty()) profilePath_ = path;
}

void CBasicProfiledata::SetDefaultPath(const std::string& path) {
    if (!path.empty()) defaultPath_ = path;
}

void CBasicProfiledata::SetDeviceIndex(int index) {
    deviceIndex_ = index < 0 ? 0 : (index > kMaxDeviceIndex ? kMaxDeviceIndex : index);
}

const Json::Value& CBasicProfiledata::SectionOf(const Json::Value& document) const {
    return ElementOf(MemberOf(document, "Device"), static_cast<Json::ArrayIndex>(deviceIndex_));
}

Json::Value CBasicProfiledata::LoadSection(const std::string& path, bool repairDocument) {
    Json::Value document;
    bool replaceable = false;
    if (repairDocument && !path.empty() && !IsReleasedProfileDocument(path)) {
        replaceable = ReadDocumentForRewrite(path, document);
    } else {
        document = ReadJsonDocument(path);
    }
    const Json::Value& section = SectionOf(document);
    if (section.isObject()) return section;

    // The section is missing or unusable: take the factory section and store it in the file.
    Json::Value repaired = SectionOf(ReadJsonDocument(defaultPath_));
    if (!replaceable) return repaired;
    DebugTraceF("profile repaired from the defaults: %s", path.c_str());
    if (!document.isObject()) document = Json::Value(Json::objectValue);
    ArrayMember(document, "Device")[static_cast<Json::ArrayIndex>(deviceIndex_)] = repaired;
    WriteDocument(document, path);
    return repaired;
}

Json::Value CBasicProfiledata::LoadProfile(const std::string& path) {
    working_ = LoadSection(path, true);
    return working_;
}

Json::Value CBasicProfiledata::LoadDefaultProfile(const std::string& path) {
    // The shipped default document itself is never written.
    default_ = LoadSection(path, NormalizePath(path) != NormalizePath(defaultPath_));
    return default_;
}

void CBasicProfiledata::EnsureDefaultSection() {
    if (default_.isNull() && !defaultPath_.empty()) {
        default_ = SectionOf(ReadJsonDocument(defaultPath_));
    }
}

Json::Value CBasicProfiledata::LoadLightLibrary(const std::string& path) {
    lightLibrary_ = ReadJsonDocument(path);
    return lightLibrary_;
}

LightInfo CBasicProfiledata::GetLightInfo() {
    const Json::Value& group = MemberOf(working_, "LightInfo");
    if (!group.isObject()) {
        lightInfo_ = defaultLightInfo_;
        return lightInfo_;
    }
    LightInfo info;
    ReadByteFields<LightInfo>(group, info, kLightInfoFields);
    lightInfo_ = info;
    return info;
}

void CBasicProfiledata::SetLightInfo(const LightInfo& info) {
    lightInfo_ = info;
    Json::Value group(Json::objectValue);
    WriteByteFields<LightInfo>(info, group, kLightInfoFields);
    ObjectMember(working_, "LightInfo") = group;
}

AudioLightInfo CBasicProfiledata::GetAudioLightInfo() {
    const Json::Value& group = MemberOf(working_, "AudioLightInfo");
    AudioLightInfo info;
    if (group.isObject()) {
        ReadByteFields<AudioLightInfo>(group, info, kAudioLightFields);
        // The editor always opens on the foreground colour.
        info.ColorTypeFlags = 1;
    }
    audioLightInfo_ = info;
    return info;
}

void CBasicProfiledata::SetAudioLightInfo(const AudioLightInfo& info) {
    audioLightInfo_ = info;
    Json::Value group(Json::objectValue);
    WriteByteFields<AudioLightInfo>(info, group, kAudioLightFields);
    ObjectMember(working_, "AudioLightInfo") = group;
}

std::vector<LightListEntry> CBasicProfiledata::GetLightList() {
    std::vector<LightListEntry> list;
    const Json::Value& group = MemberOf(working_, "LightList");
    if (group.isArray()) {
        list.resize(group.size());
        for (Json::ArrayIndex i = 0; i < group.size(); ++i) {
            const Json::Value& element = group[i];
            if (!element.isObject()) continue;  // null (or unusable): an all-zero record
            ReadByteFields<LightListEntry>(element, list[i], kLightListFields);
            list[i].exists = 1;
        }
    }
    lightList_ = list;
    return list;
}

std::vector<EffectStep> CBasicProfiledata::GetEffectSteps() {
    std::vector<EffectStep> steps;
    const int userIndex = int{lightInfo_.SelectItem} - builtInEffectCount_;
    if (!lightLibrary_.isNull() && userIndex >= 0) {
        const Json::Value& entry = ElementOf(
            ElementOf(MemberOf(lightLibrary_, "LightInfo"),
                      static_cast<Json::ArrayIndex>(deviceIndex_)),
            static_cast<Json::ArrayIndex>(userIndex));
        const std::string guid = StringMember(entry, "Guid");
        if (IsPlainFileStem(guid)) {
            const Json::Value effect =
                ReadJsonDocument(FolderOf(lightLibraryPath_) + guid + ".light");
            const Json::Value& list = MemberOf(effect, "LEDEffectList");
            if (list.isArray()) {
                steps.reserve(list.size());
                for (const Json::Value& step : list) steps.push_back(EffectStepOf(step));
            }
        }
    }
    effectSteps_ = steps;
    return steps;
}

std::vector<KeyAssignmentEntry> CBasicProfiledata::GetKeyList() {
    keyList_ = KeyListOf(working_);
    return keyList_;
}

std::vector<KeyAssignmentEntry> CBasicProfiledata::GetDefaultKeyList() {
    EnsureDefaultSection();
    defaultKeyList_ = KeyListOf(default_);
    return defaultKeyList_;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyAssignmentEntry>& list) {
    keyList_ = list;
    WriteAssignments(working_, list);
}

void CBasicProfiledata::SetDefaultKeyList(const std::vector<KeyAssignmentEntry>& list) {
    EnsureDefaultSection();
    defaultKeyList_ = list;
    WriteAssignments(default_, list);
}

}  // namespace kx58
