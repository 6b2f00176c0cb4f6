#include "ui/language.h"

#include <algorithm>
#include <array>

#include "platform/debug_trace.h"
#include "platform/registry.h"
#include "profile/json_file.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

struct FontRow {
    int id;  // -1: the default font
    int size;
    bool bold;
    bool underline;
};

constexpr std::array<FontRow, 15> kMainFonts = {{
    {0, 10, false, false}, {-1, 14, false, false}, {1, 14, false, true}, {2, 18, false, false},
    {3, 30, false, false}, {4, 16, false, false},  {5, 20, false, false}, {6, 22, false, false},
    {7, 14, false, false}, {8, 12, false, false},  {9, 11, false, false}, {10, 10, false, false},
    {11, 28, false, false}, {50, 18, true, false},
    {12, 8, false, false},  // the long legends of the keyboard picture
}};

bool OneOf(int value, std::initializer_list<int> values) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string MemberText(const Json::Value& element, const char* member) {
    const Json::Value& value = element[member];
    return value.isString() ? value.asString() : std::string();
}

void StoreLanguageId(int id) {
    // The installer of other systems creates the key; here nobody does, so the first store
    // creates it, or the choice would never be remembered.
    std::optional<RegistryKey> key = RegistryKey::Create(kLanguageRegistryKey);
    if (key && key->SetDword(kLanguageRegistryValue, static_cast<std::uint32_t>(id))) DebugTrace("写成功！");
}

}  // namespace

std::vector<LanguageEntry> ReadLanguageList(const std::string& defaultsFolder) {
    const Json::Value document = ReadJsonDocument(defaultsFolder + kLanguageConfigFile, kMaxSettingsFileBytes);
    std::vector<LanguageEntry> list;
    if (!document.isObject() || !document["Language"].isArray()) return list;
    for (const Json::Value& element : document["Language"]) {
        LanguageEntry entry;
        if (element.isObject()) {
            entry.id = element["Language_ID"].isInt() ? element["Language_ID"].asInt() : 0;
            entry.name = MemberText(element, "Language_name");
            entry.file = MemberText(element, "Language_file");
            entry.text = MemberText(element, "Language_text");
        }
        list.push_back(std::move(entry));
    }
    return list;
}

int ReadStoredLanguageIndex(const std::string& defaultsFolder) {
    const std::optional<RegistryKey> key = RegistryKey::Open(kLanguageRegistryKey);
    if (!key) return 0;
    const std::optional<std::uint32_t> stored = key->QueryDword(kLanguageRegistryValue);
    if (!stored) return 0;
    const std::vector<LanguageEntry> list = ReadLanguageList(defaultsFolder);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (static_cast<std::uint32_t>(list[i].id) == *stored) return static_cast<int>(i);
    return 0;
}

bool LanguageSwitchRebuildsFonts(int newIndex, int currentIndex) {
    return OneOf(newIndex, {15, 0, 2}) || OneOf(currentIndex, {15, -1, 2, 0});
}

void BuildMainWindowFonts(ui::CPaintManagerUI& manager, const std::string& face) {
    manager.RemoveAllFonts();
    ui::CPaintManagerUI::RemoveAllSharedFonts();
    for (const FontRow& row : kMainFonts) {
        if (row.id < 0) manager.SetDefaultFont(face, row.size, row.bold, row.underline, false, true);
        else manager.AddFont(row.id, face, row.size, row.bold, row.underline, false, true);
    }
}

bool CLanguageState::Apply(int index, ui::CPaintManagerUI& manager) {
    if (index == current_) return false;
    if (LanguageSwitchRebuildsFonts(index, current_)) BuildMainWindowFonts(manager);
    current_ = index;
    const std::vector<LanguageEntry> list = ReadLanguageList(defaultsFolder_);
    // An index beyond the list gives empty names: the current texts stay.
    const LanguageEntry entry = index >= 0 && static_cast<std::size_t>(index) < list.size() ? list[index] : LanguageEntry{};
    ui::CResourceManager* resources = ui::CResourceManager::GetInstance();
    if (!entry.name.empty()) resources->SetLanguage(entry.name);
    if (!entry.file.empty()) resources->LoadLanguage(entry.file);
    resources->ReloadText();
    if (!entry.file.empty()) StoreLanguageId(entry.id);
    manager.NeedUpdate();
    return true;
}

}  // namespace kx58
