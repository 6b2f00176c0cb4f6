#include "uikit/resource_manager.h"

#include <pugixml.hpp>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "uikit/paint_manager.h"
#include "uikit/skin_file.h"

namespace kx58::ui {

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager instance;
    return &instance;
}

void CResourceManager::Release() {
    std::lock_guard lock(m_mutex);
    m_files.clear();
    m_texts.clear();
    m_language.clear();
}

void CResourceManager::SetResourcePath(const std::string& folder) {
    std::lock_guard lock(m_mutex);
    m_path = NormalizePath(folder);
    if (!m_path.empty() && m_path.back() != '/') m_path += '/';
}

std::string CResourceManager::GetResourcePath() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::string CResourceManager::ResolvePath(const std::string& path) const {
    std::string normal = NormalizePath(path);
    if (normal.empty() || normal.front() == '/') return normal;
    return GetResourcePath() + normal;
}

bool CResourceManager::LoadResource(const std::string& resFile) {
    const std::string path = ResolvePath(resFile);
    pugi::xml_document doc;
    std::string error;
    if (!LoadSkinFile(path, doc, error)) {
        DebugTraceF("uikit: cannot read resource index %s: %s", path.c_str(), error.c_str());
        return false;
    }
    std::lock_guard lock(m_mutex);
    for (pugi::xml_node file : doc.child("Res").children("File")) {
        const std::string id = file.attribute("id").as_string();
        if (!id.empty()) m_files[id] = NormalizePath(file.attribute("path").as_string());
    }
    return true;
}

std::string CResourceManager::GetXmlPath(const std::string& id) const {
    std::lock_guard lock(m_mutex);
    auto it = m_files.find(id);
    return it == m_files.end() ? std::string() : it->second;
}

void CResourceManager::SetLanguage(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_language = name;
}

std::string CResourceManager::GetLanguage() const {
    std::lock_guard lock(m_mutex);
    return m_language;
}

bool CResourceManager::LoadLanguage(const std::string& file) {
    if (file.empty()) return false;
    pugi::xml_document doc;
    std::string path = ResolvePath(file);
    std::string error;
    bool loaded = LoadSkinFile(path, doc, error);
    if (!loaded && file.find('/') == std::string::npos && file.find('\\') == std::string::npos) {
        path = ResolvePath("lang/" + file);
        loaded = LoadSkinFile(path, doc, error);
    }
    if (!loaded) {
        DebugTraceF("uikit: cannot read language file %s: %s", path.c_str(), error.c_str());
        return false;
    }
    std::map<std::string, std::string> texts;
    for (pugi::xml_node text : doc.child("Language").children("Text")) {
        const std::string id = text.attribute("id").as_string();
        if (!id.empty()) texts[id] = text.attribute("value").as_string();
    }
    std::lock_guard lock(m_mutex);
    m_texts = std::move(texts);
    return true;
}

bool CResourceManager::FindText(const std::string& id, std::string& out) const {
    if (id.empty()) return false;
    std::lock_guard lock(m_mutex);
    auto it = m_texts.find(id);
    if (it == m_texts.end()) return false;
    out = it->second;
    return true;
}

void CResourceManager::AddText(const std::string& id, const std::string& value) {
    std::lock_guard lock(m_mutex);
    m_texts[id] = value;
}

void CResourceManager::ReloadText() {
    for (CPaintManagerUI* manager : CPaintManagerUI::AllManagers()) manager->ReloadText();
}

}  // namespace kx58::ui
