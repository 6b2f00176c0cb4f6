#pragma once
// The properties of the sound-configuration library by name: which endpoint each belongs to
// and how it is read and written. Values travel in the caller's kConfValueBufferSize buffer
// (int32, float, or NUL-terminated UTF-16 text for replies).
#include <cstdint>
#include <string_view>

#include "soundconf/headset_sound.h"

namespace kx58::soundconf {

// One call of a property on an endpoint that was found; the connection's lock is held.
struct PropertyCall {
    HeadsetSound& sound;
    const ResolvedEndpoint& endpoint;
    void* value;
    std::int32_t channel;  // -1 (all) when the caller gave none
    Deadline deadline;
};

enum class PropertyEndpoint { Output, Input, Either };
using PropertyHandler = int (*)(PropertyCall& call);

struct ConfProperty {
    std::u16string_view name;
    PropertyEndpoint endpoint;
    bool applicable;        // false: this system has nothing that does it
    PropertyHandler get;
    PropertyHandler set;    // null: read-only
};

const ConfProperty* FindProperty(std::u16string_view name);
bool PropertyFitsKind(const ConfProperty& property, std::int32_t kind);

}  // namespace kx58::soundconf
