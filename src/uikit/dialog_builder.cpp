#include "uikit/dialog_builder.h"

#include <algorithm>
#include <cstring>

#include "platform/debug_trace.h"
#include "uikit/container.h"
#include "uikit/control_factory.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/skin_file.h"

namespace kx58::ui {

namespace {

constexpr int kMaxIncludeDepth = 8;
constexpr int kMaxIncludeCount = 256;

bool IsSettingTag(std::string_view tag) {
    return tag == "Font" || tag == "Default" || tag == "Style" || tag == "Image" || tag == "Window";
}

int LevelOf(const CControlUI* control) {
    int level = 0;
    for (; control; control = control->GetParent()) ++level;
    return level;
}

}  // namespace

void CDialogBuilder::Fail(const std::string& message) {
    m_lastError = message;
    DebugTrace("uikit: " + message);
}

bool CDialogBuilder::Load(const std::string& xml) {
    std::string error;
    bool loaded = false;
    if (!xml.empty() && xml.front() == '<') {
        m_source = "(inline XML)";
        loaded = LoadSkinText(xml, m_doc, error);
    } else {
        std::string path = CResourceManager::GetInstance()->GetXmlPath(xml);
        if (path.empty()) path = xml;
        m_source = CResourceManager::GetInstance()->ResolvePath(path);
        loaded = LoadSkinFile(m_source, m_doc, error);
    }
    if (!loaded) Fail("cannot build skin " + m_source + ": " + error);
    return loaded;
}

CControlUI* CDialogBuilder::Create(const std::string& xml, const std::string& /*type*/,
                                   IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
    if (!Load(xml)) return nullptr;
    return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
    m_callback = callback;
    const int level = std::max(m_baseLevel, LevelOf(parent)) + 1;
    pugi::xml_node top = m_doc.document_element();
    if (!top) {
        Fail("skin " + m_source + " holds no element");
        return nullptr;
    }
    if (std::strcmp(top.name(), "Window") == 0) {
        if (manager) ApplyWindow(top, manager);
        CControlUI* root = Parse(top, parent, manager, level);
        if (!root) Fail("skin " + m_source + " holds no control");
        return root;
    }
    // A file whose top element is a control (custom control trees, includes).
    CControlUI* root = Parse(m_doc, parent, manager, level);
    if (!root) Fail("skin " + m_source + " holds no control");
    return root;
}

void CDialogBuilder::ApplyWindow(pugi::xml_node window, CPaintManagerUI* manager) {
    for (pugi::xml_attribute attr : window.attributes()) {
        const std::string name = attr.name();
        const std::string value = attr.value();
        if (name == "size") {
            const SIZE size = ParseSize(value);
            manager->SetInitSize(size.cx, size.cy);
        } else if (name == "caption") {
            manager->SetCaptionRect(ParseRect(value));
        } else if (name == "mininfo") {
            const SIZE size = ParseSize(value);
            manager->SetMinInfo(size.cx, size.cy);
        } else if (name == "maxinfo") {
            const SIZE size = ParseSize(value);
            manager->SetMaxInfo(size.cx, size.cy);
        } else if (name == "sizebox") {
            manager->SetSizeBox(ParseRect(value));
        } else if (name == "defaultfontcolor") {
            manager->SetDefaultTextColor(ParseColor(value));
        } else if (name == "disabledfontcolor") {
            manager->SetDefaultDisabledColor(ParseColor(value));
        }
    }
    for (pugi::xml_node node : window.children()) {
        const std::string tag = node.name();
        const bool shared = node.attribute("shared").as_bool(false);
        if (tag == "Font") {
            const std::string face = node.attribute("name").as_string();
            const int size = node.attribute("size").as_int(14);
            const bool bold = node.attribute("bold").as_bool(false);
            const bool underline = node.attribute("underline").as_bool(false);
            const bool italic = node.attribute("italic").as_bool(false);
            if (node.attribute("id")) {
                manager->AddFont(node.attribute("id").as_int(), face, size, bold, underline, italic, shared);
            }
            if (node.attribute("default").as_bool(false) || !node.attribute("id")) {
                manager->SetDefaultFont(face, size, bold, underline, italic, shared);
            }
        } else if (tag == "Default") {
            manager->AddDefaultAttributeList(node.attribute("name").as_string(),
                                             node.attribute("value").as_string(), shared);
        } else if (tag == "Style") {
            manager->AddStyle(node.attribute("name").as_string(), node.attribute("value").as_string(),
                              shared);
        }
    }
}

CControlUI* CDialogBuilder::CreateByTag(const std::string& tag) {
    CControlFactory* factory = CControlFactory::GetInstance();
    // The standard set first, then the window's own tags, then registered program classes.
    static const char* const kStandard[] = {"Control", "Container", "VerticalLayout",
        "HorizontalLayout", "TabLayout", "Label", "Text", "Button", "Option", "CheckBox", "Edit",
        "Combo", "List", "ListLabelElement", "ListContainerElement", "Slider", "Progress",
        "ScrollBar", "ColorPalette"};
    for (const char* standard : kStandard) {
        if (EqualsNoCase(tag, standard)) return factory->CreateControl(standard);
    }
    if (m_callback) {
        if (CControlUI* control = m_callback->CreateControl(tag)) return control;
    }
    return factory->CreateControl(tag);
}

bool CDialogBuilder::Spend() {
    if (m_budget->elements < kMaxSkinElements) {
        ++m_budget->elements;
        return true;
    }
    if (!m_budget->spentTraced) {
        m_budget->spentTraced = true;
        Fail("skin " + m_source + " holds more than " + std::to_string(kMaxSkinElements) +
             " controls and includes; the rest is skipped");
    }
    return false;
}

CControlUI* CDialogBuilder::Include(pugi::xml_node include, CControlUI* parent, CPaintManagerUI* manager, int level) {
    if (m_includeDepth >= kMaxIncludeDepth) {
        Fail("includes nested too deep in " + m_source);
        return nullptr;
    }
    CControlUI* first = nullptr;
    const int count = std::clamp(include.attribute("count").as_int(1), 1, kMaxIncludeCount);
    for (int i = 0; i < count && Spend(); ++i) {
        CDialogBuilder nested;
        nested.m_includeDepth = m_includeDepth + 1;
        nested.m_baseLevel = level - 1;
        nested.m_budget = m_budget;
        CControlUI* included = nested.Create(include.attribute("source").as_string(), {}, m_callback, manager, parent);
        if (!first) first = included;
        if (!parent && first) break;  // without a parent only one root is kept
    }
    return first;
}

CControlUI* CDialogBuilder::Parse(pugi::xml_node node, CControlUI* parent, CPaintManagerUI* manager, int level) {
    CControlUI* first = nullptr;
    auto* container = parent ? static_cast<CContainerUI*>(parent->GetInterface("Container")) : nullptr;
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string tag = child.name();
        if (IsSettingTag(tag)) continue;
        if (level > kMaxSkinDepth) {
            // The elements below are never visited, so a deep file costs nothing more.
            if (!m_budget->depthTraced) {
                m_budget->depthTraced = true;
                Fail("elements of " + m_source + " nested deeper than " + std::to_string(kMaxSkinDepth) +
                     " levels are skipped");
            }
            break;
        }
        if (tag == "Include") {
            CControlUI* included = Include(child, parent, manager, level);
            if (!first) first = included;
            if (!parent && first) break;
            continue;
        }
        if (!Spend()) break;
        CControlUI* control = CreateByTag(tag);
        if (!control) {
            Fail("unknown control tag <" + tag + "> in " + m_source);
            continue;
        }
        if (manager) {
            control->SetManager(manager, nullptr, false);
            const std::string defaults = manager->GetDefaultAttributeList(tag);
            if (!defaults.empty()) control->ApplyAttributeList(defaults);
        }
        for (pugi::xml_attribute attr : child.attributes()) control->SetAttribute(attr.name(), attr.value());
        if (child.first_child()) {
            if (control->GetInterface("Container")) {
                Parse(child, control, manager, level + 1);
            } else {
                Fail("<" + tag + "> in " + m_source + " cannot hold children; they are skipped");
            }
        }
        if (container) {
            container->Add(control);
        } else if (parent) {
            Fail("<" + tag + "> in " + m_source + " has a parent that is not a container");
            delete control;
            continue;
        }
        if (!first) first = control;
        // Without a parent only one root is kept; more would leak.
        if (!parent) break;
    }
    return first;
}

}  // namespace kx58::ui
