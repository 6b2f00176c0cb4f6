#pragma once
// Key assignments after a macro is deleted. Keys refer to a macro by its number (the first
// parameter of a 'p' or 'q' assignment); deleting macro n moves the later macros up, so a key
// on macro n goes back to its default assignment and a key on a later macro is lowered by one.
#include <json/value.h>

#include <vector>

#include "profile/profile_records.h"

namespace kx58 {

// True when some key of `keys` is assigned to macro `number`.
bool AssignsMacro(const std::vector<KeyAssignmentEntry>& keys, int number);
// Renumbers the in-memory key list; true when a key changed.
bool RenumberMacroKeys(std::vector<KeyAssignmentEntry>& keys, int deletedNumber);
// The same on every device section's `KeyList` of a profile document; true when it changed.
bool RenumberMacroKeysInDocument(Json::Value& document, int deletedNumber);

}  // namespace kx58
