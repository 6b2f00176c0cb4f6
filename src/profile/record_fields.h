#pragma once
// Tables that tie a record's byte fields to their document keys, so each group is read and
// written by one loop instead of one line per member.
#include <json/value.h>

#include <cstdint>
#include <span>

#include "profile/json_read.h"
#include "profile/profile_records.h"

namespace kx58 {

template <typename Record>
struct ByteField {
    const char* key;
    uint8_t Record::*member;
    bool truthValue = false;  // read as true/false, written as 0/1
};

// Missing members read as 0; integers are cut to 8 bits.
template <typename Record>
void ReadByteFields(const Json::Value& object, Record& record,
                    std::span<const ByteField<Record>> fields) {
    for (const ByteField<Record>& field : fields) {
        record.*field.member = field.truthValue ? (BoolMember(object, field.key) ? 1 : 0)
                                                : static_cast<uint8_t>(IntMember(object, field.key));
    }
}

template <typename Record>
void WriteByteFields(const Record& record, Json::Value& object,
                     std::span<const ByteField<Record>> fields) {
    for (const ByteField<Record>& field : fields) {
        const uint8_t value = record.*field.member;
        object[field.key] = field.truthValue ? (value ? 1 : 0) : int{value};
    }
}

// Settings kept two to a 32-bit word, low half first: keys[i] names the members of word i; a
// null key has no member in the document (its half reads as 0 and is not written).
using StageKeys = const char* const[3][2];

inline PackedStages ReadStageHalves(const Json::Value& group, StageKeys& keys) {
    const auto half = [&](const char* key) { return key ? static_cast<uint16_t>(IntMember(group, key)) : uint16_t{0}; };
    PackedStages words{};
    for (size_t i = 0; i < words.size(); ++i) words[i] = PackHalves(half(keys[i][0]), half(keys[i][1]));
    return words;
}

inline void WriteStageHalves(Json::Value& group, const PackedStages& words, StageKeys& keys) {
    for (size_t i = 0; i < words.size(); ++i) {
        if (keys[i][0]) group[keys[i][0]] = LowHalf(words[i]);
        if (keys[i][1]) group[keys[i][1]] = HighHalf(words[i]);
    }
}

}  // namespace kx58
