#pragma once
// The skin folder, the "res.xml" identifiers of skin files, and the language texts.
#include <map>
#include <mutex>
#include <string>

namespace kx58::ui {

class CResourceManager {
public:
    static CResourceManager* GetInstance();
    // Forgets identifiers and texts (end of the program, or tests).
    void Release();

    void SetResourcePath(const std::string& folder);
    std::string GetResourcePath() const;
    // Reads the resource index (a file of the skin folder); false (and a trace) when it is
    // missing or broken.
    bool LoadResource(const std::string& resFile);
    // The path of a skin file named by identifier, or "" when unknown.
    std::string GetXmlPath(const std::string& id) const;
    // A skin-relative path made absolute; absolute paths stay as they are.
    std::string ResolvePath(const std::string& path) const;

    // Language: the name is informational; the file holds <Text id= value=> entries.
    void SetLanguage(const std::string& name);
    std::string GetLanguage() const;
    // Loads a language file (skin-relative, also looked up under "lang/"); the texts replace
    // the current ones. False (and a trace) when it cannot be read.
    bool LoadLanguage(const std::string& file);
    // The translation of an identifier, or nothing.
    bool FindText(const std::string& id, std::string& out) const;
    // Every window shows its texts anew.
    void ReloadText();
    void AddText(const std::string& id, const std::string& value);

private:
    CResourceManager() = default;
    mutable std::mutex m_mutex;
    std::string m_path;
    std::string m_language;
    std::map<std::string, std::string> m_files;
    std::map<std::string, std::string> m_texts;
};

}  // namespace kx58::ui
