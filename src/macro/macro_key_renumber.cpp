#include "macro/macro_key_renumber.h"

#include <algorithm>

#include "device/protocol/key_code_tables.h"
#include "profile/json_read.h"

namespace kx58 {
namespace {

bool IsOnMacro(const AssignmentBytes& assignment, int number) {
    return IsMacroType(assignment.category) && assignment.first == number;
}

// The assignment after macro `deletedNumber` is gone; `fallback` replaces one that used it.
AssignmentBytes Renumbered(AssignmentBytes assignment, const AssignmentBytes& fallback, int deletedNumber) {
    if (!IsMacroType(assignment.category) || assignment.first < deletedNumber) return assignment;
    if (assignment.first == deletedNumber) return fallback;
    --assignment.first;
    return assignment;
}

bool RenumberKeyElement(Json::Value& element, int deletedNumber) {
    const auto current = AssignmentBytes::FromCode(static_cast<uint32_t>(IntMember(element, "Assignment")));
    const auto fallback =
        AssignmentBytes::FromCode(static_cast<uint32_t>(IntMember(element, "DefaultAssignment")));
    const AssignmentBytes renumbered = Renumbered(current, fallback, deletedNumber);
    if (renumbered == current) return false;
    element["Assignment"] = static_cast<Json::UInt>(renumbered.Code());
    return true;
}

bool RenumberSection(Json::Value& section, int deletedNumber) {
    if (!section.isObject() || !MemberOf(section, "KeyList").isArray()) return false;
    bool changed = false;
    for (Json::Value& element : section["KeyList"]) {
        if (element.isObject()) changed = RenumberKeyElement(element, deletedNumber) || changed;
    }
    return changed;
}

}  // namespace

bool AssignsMacro(const std::vector<KeyAssignmentEntry>& keys, int number) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const KeyAssignmentEntry& key) { return IsOnMacro(key.assignment, number); });
}

bool RenumberMacroKeys(std::vector<KeyAssignmentEntry>& keys, int deletedNumber) {
    bool changed = false;
    for (KeyAssignmentEntry& key : keys) {
        const AssignmentBytes renumbered = Renumbered(key.assignment, key.defaultAssignment, deletedNumber);
        changed = changed || renumbered != key.assignment;
        key.assignment = renumbered;
    }
    return changed;
}

bool RenumberMacroKeysInDocument(Json::Value& document, int deletedNumber) {
    if (!document.isObject() || !MemberOf(document, "Device").isArray()) return false;
    bool changed = false;
    for (Json::Value& section : document["Device"]) changed = RenumberSection(section, deletedNumber) || changed;
    return changed;
}

}  // namespace kx58
