#pragma once
// Type-safe access to documents that come from disk. A member of the wrong type reads as
// missing, and writing through a value of the wrong type replaces it, so no jsoncpp
// exception can escape.
#include <json/value.h>

#include <cstdint>
#include <string>

namespace kx58 {

// Member `key` of an object, or a null value when `value` is not an object or lacks it.
const Json::Value& MemberOf(const Json::Value& value, const char* key);
// Element `index` of an array, or a null value.
const Json::Value& ElementOf(const Json::Value& value, Json::ArrayIndex index);

// Integer reading: numbers (integral part), booleans as 0/1; anything else gives `fallback`.
bool TryReadInt(const Json::Value& value, int64_t& out);
int64_t IntOf(const Json::Value& value, int64_t fallback = 0);
int64_t IntMember(const Json::Value& object, const char* key, int64_t fallback = 0);
// Truth values: booleans, or numbers other than 0.
bool BoolMember(const Json::Value& object, const char* key);
std::string StringMember(const Json::Value& object, const char* key);

// The member `key` of `parent`, made an object (parent too) when it is not one already.
Json::Value& ObjectMember(Json::Value& parent, const char* key);
// The member `key` of `parent`, made an array when it is not one already.
Json::Value& ArrayMember(Json::Value& parent, const char* key);
// Element `index` of `array` (made an array, extended with nulls), made an object.
Json::Value& ObjectElement(Json::Value& array, Json::ArrayIndex index);
// Element `index` of `array` (made an array, extended with nulls), made an array.
Json::Value& ArrayElement(Json::Value& array, Json::ArrayIndex index);

}  // namespace kx58
