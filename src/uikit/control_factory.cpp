#include "uikit/control_factory.h"

#include <algorithm>
#include <cctype>

#include "uikit/button.h"
#include "uikit/color_palette.h"
#include "uikit/container.h"
#include "uikit/edit.h"
#include "uikit/label.h"
#include "uikit/list.h"
#include "uikit/scrollbar.h"
#include "uikit/slider.h"

namespace kx58::ui {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

template <typename T>
CControlUI* Make() {
    return new T();
}

}  // namespace

CControlFactory* CControlFactory::GetInstance() {
    static CControlFactory factory;
    return &factory;
}

CControlFactory::CControlFactory() {
    const std::pair<const char*, Creator> standard[] = {
        {"Control", &Make<CControlUI>},
        {"Container", &Make<CContainerUI>},
        {"VerticalLayout", &Make<CVerticalLayoutUI>},
        {"HorizontalLayout", &Make<CHorizontalLayoutUI>},
        {"TabLayout", &Make<CTabLayoutUI>},
        {"Label", &Make<CLabelUI>},
        {"Text", &Make<CTextUI>},
        {"Button", &Make<CButtonUI>},
        {"Option", &Make<COptionUI>},
        {"CheckBox", &Make<COptionUI>},
        {"Edit", &Make<CEditUI>},
        {"Combo", &Make<CComboUI>},
        {"List", &Make<CListUI>},
        {"ListLabelElement", &Make<CListLabelElementUI>},
        {"ListContainerElement", &Make<CListContainerElementUI>},
        {"Slider", &Make<CSliderUI>},
        {"Progress", &Make<CProgressUI>},
        {"ScrollBar", &Make<CScrollBarUI>},
        {"ColorPalette", &Make<CColorPaletteUI>},
    };
    for (const auto& [tag, creator] : standard) m_creators[Lower(tag)] = creator;
}

std::string CControlFactory::TagFromClassName(const std::string& className) {
    // Only a class name ("C" + capital) loses its prefix and its "UI" ending; tags stay.
    std::string tag = className;
    if (tag.size() > 2 && tag.front() == 'C' && std::isupper(static_cast<unsigned char>(tag[1]))) {
        tag.erase(0, 1);
        if (tag.size() > 2 && tag.ends_with("UI")) tag.resize(tag.size() - 2);
    }
    return tag;
}

void CControlFactory::RegistControl(const std::string& className, Creator creator) {
    std::lock_guard lock(m_mutex);
    m_creators[Lower(TagFromClassName(className))] = std::move(creator);
}

CControlUI* CControlFactory::CreateControl(const std::string& tagOrClass) const {
    Creator creator;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_creators.find(Lower(TagFromClassName(tagOrClass)));
        if (it == m_creators.end()) return nullptr;
        creator = it->second;
    }
    return creator ? creator() : nullptr;
}

bool CControlFactory::IsRegistered(const std::string& tagOrClass) const {
    std::lock_guard lock(m_mutex);
    return m_creators.count(Lower(TagFromClassName(tagOrClass))) > 0;
}

}  // namespace kx58::ui
