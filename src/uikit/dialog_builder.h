#pragma once
// Builds control trees from skin XML: <Window> settings, fonts, <Default> and <Style>
// attribute sets, <Include>, and one control per element, created by tag.
#include <pugixml.hpp>

#include <string>

namespace kx58::ui {

class CControlUI;
class CPaintManagerUI;

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // A control for a tag the standard set does not know, or nullptr.
    virtual CControlUI* CreateControl(const std::string& className) = 0;
};

class CDialogBuilder {
public:
    // `xml` is XML text (starting with '<'), a "res.xml" identifier or a skin-relative path.
    // The tree is added to `parent` (a container) when given; returns its root, or nullptr
    // (with a trace) when the file is missing, malformed or holds no control.
    CControlUI* Create(const std::string& xml, const std::string& type = {},
                       IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                       CControlUI* parent = nullptr);
    // Builds again from the document loaded by the last Create.
    CControlUI* Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                       CControlUI* parent = nullptr);
    const std::string& GetLastError() const { return m_lastError; }

private:
    bool Load(const std::string& xml);
    void ApplyWindow(pugi::xml_node window, CPaintManagerUI* manager);
    CControlUI* Parse(pugi::xml_node node, CControlUI* parent, CPaintManagerUI* manager);
    CControlUI* CreateByTag(const std::string& tag);
    void Fail(const std::string& message);

    pugi::xml_document m_doc;
    std::string m_source;
    std::string m_lastError;
    IDialogBuilderCallback* m_callback = nullptr;
    int m_includeDepth = 0;
};

}  // namespace kx58::ui
