#include "profile/default_light_names.h"

#include "profile/json_file.h"
#include "profile/json_read.h"

namespace kx58 {

DefaultLightNames LoadDefaultLightNames(const std::string& path, int slot) {
    DefaultLightNames names;
    if (slot < 0) return names;
    const Json::Value document = ReadJsonDocument(path);
    const auto index = static_cast<Json::ArrayIndex>(slot);
    const Json::Value& effects = ElementOf(MemberOf(document, "DefaultLightName"), index);
    if (effects.isArray()) {
        for (const Json::Value& effect : effects) {
            names.effects.push_back({StringMember(effect, "LightName"),
                                     BoolMember(effect, "visible"),
                                     static_cast<int>(IntMember(effect, "value"))});
        }
    }
    const Json::Value& areas = ElementOf(MemberOf(document, "AreaLightName"), index);
    if (areas.isArray()) {
        for (const Json::Value& area : areas) names.areas.push_back(StringMember(area, "LightName"));
    }
    return names;
}

}  // namespace kx58
