#pragma once
// Creates controls by class name. The standard classes are known from the start; the
// program registers its own ("CDeviceKeyButtonUI" answers the tag "DeviceKeyButton").
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace kx58::ui {

class CControlUI;

class CControlFactory {
public:
    using Creator = std::function<CControlUI*()>;
    static CControlFactory* GetInstance();

    // `className` may be given as "CNameUI" or as the tag "Name".
    void RegistControl(const std::string& className, Creator creator);
    // A new control for a skin tag (or class name), or nullptr when none is known.
    CControlUI* CreateControl(const std::string& tagOrClass) const;
    bool IsRegistered(const std::string& tagOrClass) const;
    // "CDeviceKeyButtonUI" -> "DeviceKeyButton"; a tag stays as it is.
    static std::string TagFromClassName(const std::string& className);

private:
    CControlFactory();
    mutable std::mutex m_mutex;
    std::map<std::string, Creator> m_creators;  // by lower-case tag
};

}  // namespace kx58::ui
