#pragma once
// The interface language: the shipped list ("Language.config"), the choice remembered in the
// registry, and switching the texts and the main window's fonts.
#include <string>
#include <vector>

namespace kx58::ui {
class CPaintManagerUI;
}

namespace kx58 {

struct LanguageEntry {
    int id = 0;             // "Language_ID": what the registry stores
    std::string name;       // "Language_name"
    std::string file;       // "Language_file"
    std::string text;       // "Language_text": the settings window's list text
};

inline constexpr const char* kLanguageConfigFile = "Language.config";
inline constexpr const char* kLanguageRegistryKey = "SOFTWARE\\KX58RGBVs Device";
inline constexpr const char* kLanguageRegistryValue = "LANGUAGE";
inline constexpr const char* kMainFontFace = "Verdana Unicode MS";

// The "Language" array of the defaults folder's list; empty when it is missing or broken.
// Elements that are not objects keep their place (empty names) so indexes stay the file's.
std::vector<LanguageEntry> ReadLanguageList(const std::string& defaultsFolder);

// The index (position in the list) of the language stored in the registry; 0 when nothing
// is stored, the list cannot be read or no element carries the stored identifier.
int ReadStoredLanguageIndex(const std::string& defaultsFolder);

// True when a switch from `currentIndex` to `newIndex` rebuilds the fonts.
bool LanguageSwitchRebuildsFonts(int newIndex, int currentIndex);

// Replaces every font of the manager (and the shared ones) with the main window's table.
void BuildMainWindowFonts(ui::CPaintManagerUI& manager, const std::string& face = kMainFontFace);

// The main window's current language.
class CLanguageState {
public:
    explicit CLanguageState(std::string defaultsFolder) : defaultsFolder_(std::move(defaultsFolder)) {}
    int Current() const { return current_; }
    // Switches texts (and fonts when the switch calls for it) and stores the choice; false
    // when `index` is the current one and nothing was done.
    bool Apply(int index, ui::CPaintManagerUI& manager);

private:
    std::string defaultsFolder_;
    int current_ = -1;
};

}  // namespace kx58
