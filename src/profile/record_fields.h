#pragma once
// Tables that tie a record's byte fields to their document keys, so each group is read and
// written by one loop instead of one line per member.
#include <json/value.h>

#include <cstdint>
#include <span>

#include "profile/json_read.h"

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

}  // namespace kx58
