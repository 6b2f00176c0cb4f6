#include "profile/json_read.h"

#include <cmath>

namespace kx58 {
namespace {

const Json::Value& NullValue() {
    static const Json::Value null;
    return null;
}

}  // namespace

const Json::Value& MemberOf(const Json::Value& value, const char* key) {
    if (!value.isObject()) return NullValue();
    const Json::Value* found = value.find(key, key + std::char_traits<char>::length(key));
    return found ? *found : NullValue();
}

const Json::Value& ElementOf(const Json::Value& value, Json::ArrayIndex index) {
    if (!value.isArray() || index >= value.size()) return NullValue();
    return value[index];
}

bool TryReadInt(const Json::Value& value, int64_t& out) {
    if (value.isBool()) {
        out = value.asBool() ? 1 : 0;
    } else if (value.isInt64()) {
        out = value.asInt64();
    } else if (value.isUInt64()) {
        out = static_cast<int64_t>(value.asUInt64());
    } else if (value.isDouble()) {
        const double d = value.asDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) return false;
        out = static_cast<int64_t>(d);
    } else {
        return false;
    }
    return true;
}

int64_t IntOf(const Json::Value& value, int64_t fallback) {
    int64_t out = 0;
    return TryReadInt(value, out) ? out : fallback;
}

int64_t IntMember(const Json::Value& object, const char* key, int64_t fallback) {
    return IntOf(MemberOf(object, key), fallback);
}

bool BoolMember(const Json::Value& object, const char* key) {
    return IntMember(object, key) != 0;
}

std::string StringMember(const Json::Value& object, const char* key) {
    const Json::Value& value = MemberOf(object, key);
    return value.isString() ? value.asString() : std::string();
}

Json::Value& ObjectMember(Json::Value& parent, const char* key) {
    if (!parent.isObject()) parent = Json::Value(Json::objectValue);
    Json::Value& member = parent[key];
    if (!member.isObject()) member = Json::Value(Json::objectValue);
    return member;
}

Json::Value& ArrayMember(Json::Value& parent, const char* key) {
    if (!parent.isObject()) parent = Json::Value(Json::objectValue);
    Json::Value& member = parent[key];
    if (!member.isArray()) member = Json::Value(Json::arrayValue);
    return member;
}

Json::Value& ObjectElement(Json::Value& array, Json::ArrayIndex index) {
    if (!array.isArray()) array = Json::Value(Json::arrayValue);
    Json::Value& element = array[index];
    if (!element.isObject()) element = Json::Value(Json::objectValue);
    return element;
}

Json::Value& ArrayElement(Json::Value& array, Json::ArrayIndex index) {
    if (!array.isArray()) array = Json::Value(Json::arrayValue);
    Json::Value& element = array[index];
    if (!element.isArray()) element = Json::Value(Json::arrayValue);
    return element;
}

}  // namespace kx58
