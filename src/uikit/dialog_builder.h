#pragma once
// Builds control trees from skin XML: <Window> settings, fonts, <Default> and <Style>
// attribute sets, <Include>, and one control per element, created by tag.
//
// Whatever a skin holds, the tree stays within bounds every recursive walk of it (layout,
// paint, search, destruction) can take: elements deeper than kMaxSkinDepth levels of the
// whole tree (includes and the parent built into count) are skipped with a trace, and one
// build makes at most kMaxSkinElements controls and includes.
#include <pugixml.hpp>

#include <string>

namespace kx58::ui {

class CControlUI;
class CPaintManagerUI;

inline constexpr int kMaxSkinDepth = 64;
inline constexpr int kMaxSkinElements = 200000;

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
    // Builds the children of `node`, which sit at `level` of the tree (the root is level 1).
    CControlUI* Parse(pugi::xml_node node, CControlUI* parent, CPaintManagerUI* manager, int level);
    CControlUI* Include(pugi::xml_node include, CControlUI* parent, CPaintManagerUI* manager, int level);
    CControlUI* CreateByTag(const std::string& tag);
    // Counts one element against the build's budget; false (traced once) when it is spent.
    bool Spend();
    void Fail(const std::string& message);

    // Shared by a build and the builders of its includes.
    struct Budget {
        int elements = 0;
        bool depthTraced = false;
        bool spentTraced = false;
    };

    pugi::xml_document m_doc;
    std::string m_source;
    std::string m_lastError;
    IDialogBuilderCallback* m_callback = nullptr;
    int m_includeDepth = 0;
    // The level of the tree the build starts below (includes continue their includer's).
    int m_baseLevel = 0;
    Budget m_ownBudget;
    Budget* m_budget = &m_ownBudget;
};

}  // namespace kx58::ui
