#include "platform/desktop_input_settings.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/debug_trace.h"
#include "platform/shell_execute.h"

namespace kx58 {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kKeyboardSchema = "org.gnome.desktop.peripherals.keyboard";

// Windows' bounds of the profile's values.
constexpr int kSpeedSlowest = 1, kSpeedFastest = 20;
constexpr int kDefaultDoubleClickMs = 500, kLongestDoubleClickMs = 5000;
constexpr int kRepeatDelayLongest = 3;
constexpr int kRepeatDelayStepMs = 250;
constexpr int kRepeatRateFastest = 31;
constexpr double kSlowestRepeatsPerSecond = 2.5, kFastestRepeatsPerSecond = 30.0;

struct KeyRange {
    double min;
    double max;
};

struct SchemaDeleter {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct KeyDeleter {
    void operator()(GSettingsSchemaKey* key) const { g_settings_schema_key_unref(key); }
};
struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantDeleter {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaDeleter>;
using KeyPtr = std::unique_ptr<GSettingsSchemaKey, KeyDeleter>;
using SettingsPtr = std::unique_ptr<GSettings, ObjectDeleter>;
using VariantPtr = std::unique_ptr<GVariant, VariantDeleter>;

double Clamp(double value, KeyRange range) { return std::clamp(value, range.min, range.max); }

double NumberOf(GVariant* value) {
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE)) return g_variant_get_double(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32)) return g_variant_get_int32(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) return g_variant_get_uint32(value);
    return 0;
}

GVariant* NumberVariant(const char* type, double value, KeyRange range) {
    const double clamped = Clamp(value, range);
    if (std::strcmp(type, "d") == 0) return g_variant_new_double(clamped);
    if (std::strcmp(type, "i") == 0) return g_variant_new_int32(static_cast<gint32>(std::lround(clamped)));
    return g_variant_new_uint32(static_cast<guint32>(std::lround(std::max(clamped, 0.0))));
}

// Windows 1-20 onto the key's range, linearly, ends onto ends.
GVariant* SpeedToDesktop(const DesktopInputValues& values, KeyRange range, const char* type) {
    const int speed = std::clamp(values.pointerSpeed, kSpeedSlowest, kSpeedFastest);
    const double share = double(speed - kSpeedSlowest) / (kSpeedFastest - kSpeedSlowest);
    return NumberVariant(type, range.min + share * (range.max - range.min), range);
}

void SpeedFromDesktop(GVariant* value, KeyRange range, DesktopInputValues& values) {
    if (range.max <= range.min) return;
    const double share = (Clamp(NumberOf(value), range) - range.min) / (range.max - range.min);
    values.pointerSpeed = kSpeedSlowest + static_cast<int>(std::lround(share * (kSpeedFastest - kSpeedSlowest)));
}

// Enhanced precision is the adaptive profile; off is the flat one.
GVariant* PrecisionToDesktop(const DesktopInputValues& values, KeyRange, const char*) {
    return g_variant_new_string(values.enhancedPrecision ? "adaptive" : "flat");
}

// "default" is the input driver's default for mice, which is adaptive.
void PrecisionFromDesktop(GVariant* value, KeyRange, DesktopInputValues& values) {
    values.enhancedPrecision = std::strcmp(g_variant_get_string(value, nullptr), "flat") != 0;
}

GVariant* DoubleClickToDesktop(const DesktopInputValues& values, KeyRange range, const char* type) {
    const int ms = values.doubleClickMs <= 0 ? kDefaultDoubleClickMs : std::min(values.doubleClickMs, kLongestDoubleClickMs);
    return NumberVariant(type, ms, range);
}

void DoubleClickFromDesktop(GVariant* value, KeyRange, DesktopInputValues& values) {
    values.doubleClickMs = static_cast<int>(std::lround(NumberOf(value)));
}

GVariant* RepeatDelayToDesktop(const DesktopInputValues& values, KeyRange range, const char* type) {
    const int delay = std::clamp(values.repeatDelay, 0, kRepeatDelayLongest);
    return NumberVariant(type, (delay + 1) * kRepeatDelayStepMs, range);
}

void RepeatDelayFromDesktop(GVariant* value, KeyRange, DesktopInputValues& values) {
    const long steps = std::lround(NumberOf(value) / kRepeatDelayStepMs) - 1;
    values.repeatDelay = static_cast<int>(std::clamp(steps, 0L, long(kRepeatDelayLongest)));
}

// The rate steps evenly in repeats a second; the desktop wants the interval between them.
GVariant* RepeatRateToDesktop(const DesktopInputValues& values, KeyRange range, const char* type) {
    const int rate = std::clamp(values.repeatRate, 0, kRepeatRateFastest);
    const double perSecond =
        kSlowestRepeatsPerSecond + rate * (kFastestRepeatsPerSecond - kSlowestRepeatsPerSecond) / kRepeatRateFastest;
    return NumberVariant(type, 1000.0 / perSecond, range);
}

void RepeatRateFromDesktop(GVariant* value, KeyRange, DesktopInputValues& values) {
    const double perSecond = 1000.0 / std::max(NumberOf(value), 1.0);
    const double share = (perSecond - kSlowestRepeatsPerSecond) / (kFastestRepeatsPerSecond - kSlowestRepeatsPerSecond);
    values.repeatRate = static_cast<int>(std::clamp(std::lround(share * kRepeatRateFastest), 0L, long(kRepeatRateFastest)));
}

struct DesktopKey {
    DesktopInputValue value;
    const char* schema;  // nullptr: the desktop has no setting for the value
    const char* key;
    const char* type;    // the key's value type
    KeyRange usual;      // bounds in the desktop's units where the schema sets none
    GVariant* (*toDesktop)(const DesktopInputValues&, KeyRange, const char* type);
    void (*fromDesktop)(GVariant*, KeyRange, DesktopInputValues&);
    const char* switchOnKey;  // a boolean key that must be on for the value to mean anything
};

using V = DesktopInputValue;
const DesktopKey kDesktopKeys[] = {
    {.value = V::PointerSpeed, .schema = kMouseSchema, .key = "speed", .type = "d", .usual = {-1, 1},
     .toDesktop = SpeedToDesktop, .fromDesktop = SpeedFromDesktop, .switchOnKey = nullptr},
    {.value = V::EnhancedPrecision, .schema = kMouseSchema, .key = "accel-profile", .type = "s", .usual = {0, 0},
     .toDesktop = PrecisionToDesktop, .fromDesktop = PrecisionFromDesktop, .switchOnKey = nullptr},
    {.value = V::DoubleClickTime, .schema = kMouseSchema, .key = "double-click", .type = "i", .usual = {1, 5000},
     .toDesktop = DoubleClickToDesktop, .fromDesktop = DoubleClickFromDesktop, .switchOnKey = nullptr},
    {.value = V::WheelScrollLines, .schema = nullptr, .key = nullptr, .type = nullptr, .usual = {0, 0},
     .toDesktop = nullptr, .fromDesktop = nullptr, .switchOnKey = nullptr},
    {.value = V::ScrollsPage, .schema = nullptr, .key = nullptr, .type = nullptr, .usual = {0, 0},
     .toDesktop = nullptr, .fromDesktop = nullptr, .switchOnKey = nullptr},
    {.value = V::RepeatDelay, .schema = kKeyboardSchema, .key = "delay", .type = "u", .usual = {1, 10000},
     .toDesktop = RepeatDelayToDesktop, .fromDesktop = RepeatDelayFromDesktop, .switchOnKey = "repeat"},
    {.value = V::RepeatRate, .schema = kKeyboardSchema, .key = "repeat-interval", .type = "u", .usual = {1, 10000},
     .toDesktop = RepeatRateToDesktop, .fromDesktop = RepeatRateFromDesktop, .switchOnKey = "repeat"},
};

// The schema's numeric range where it sets one, else the value's usual bounds.
KeyRange RangeOf(GSettingsSchemaKey* key, KeyRange usual) {
    VariantPtr range(g_settings_schema_key_get_range(key));
    const char* kind = nullptr;
    GVariant* detail = nullptr;
    g_variant_get(range.get(), "(&sv)", &kind, &detail);
    VariantPtr owned(detail);
    if (std::strcmp(kind, "range") != 0 || g_variant_n_children(detail) != 2) return usual;
    VariantPtr low(g_variant_get_child_value(detail, 0));
    VariantPtr high(g_variant_get_child_value(detail, 1));
    return {NumberOf(low.get()), NumberOf(high.get())};
}

struct OpenedKey {
    DesktopInputOutcome outcome = DesktopInputOutcome::NoDesktopKey;
    SettingsPtr settings;
    KeyPtr key;
    KeyRange range{0, 0};
};

// Looked up before any settings object is made: making one for a missing schema aborts.
SchemaPtr LookUpSchema(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    SchemaPtr schema(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr);
    if (schema && !g_settings_schema_get_path(schema.get())) return nullptr;  // relocatable: not the desktop's
    return schema;
}

KeyPtr KeyOfType(GSettingsSchema* schema, const char* name, const char* type) {
    if (!g_settings_schema_has_key(schema, name)) return nullptr;
    KeyPtr key(g_settings_schema_get_key(schema, name));
    const bool typed = std::strcmp(g_variant_type_peek_string(g_settings_schema_key_get_value_type(key.get())), type) == 0;
    return typed ? std::move(key) : nullptr;
}

OpenedKey OpenKey(const DesktopKey& row) {
    OpenedKey opened;
    if (!row.schema) return opened;
    const SchemaPtr schema = LookUpSchema(row.schema);
    opened.outcome = DesktopInputOutcome::NoSchema;
    if (!schema) return opened;
    opened.key = KeyOfType(schema.get(), row.key, row.type);
    opened.outcome = DesktopInputOutcome::NoKey;
    if (!opened.key) return opened;
    opened.range = RangeOf(opened.key.get(), row.usual);
    opened.settings.reset(g_settings_new_full(schema.get(), nullptr, nullptr));
    opened.outcome = DesktopInputOutcome::Desktop;
    return opened;
}

void SwitchOn(GSettings* settings, const char* name) {
    GSettingsSchema* schema = nullptr;
    g_object_get(settings, "settings-schema", &schema, nullptr);
    const SchemaPtr owned(schema);
    if (schema && KeyOfType(schema, name, "b") && g_settings_is_writable(settings, name))
        g_settings_set_boolean(settings, name, TRUE);
}

DesktopInputOutcome ApplyKey(const DesktopKey& row, const DesktopInputValues& values) {
    OpenedKey opened = OpenKey(row);
    if (opened.outcome != DesktopInputOutcome::Desktop) return opened.outcome;
    if (!g_settings_is_writable(opened.settings.get(), row.key)) return DesktopInputOutcome::NotWritable;
    VariantPtr value(g_variant_ref_sink(row.toDesktop(values, opened.range, row.type)));
    if (!g_settings_schema_key_range_check(opened.key.get(), value.get()) ||
        !g_settings_set_value(opened.settings.get(), row.key, value.get()))
        return DesktopInputOutcome::Refused;
    if (row.switchOnKey) SwitchOn(opened.settings.get(), row.switchOnKey);
    return DesktopInputOutcome::Desktop;
}

DesktopInputOutcome ReadKey(const DesktopKey& row, DesktopInputValues& values) {
    OpenedKey opened = OpenKey(row);
    if (opened.outcome != DesktopInputOutcome::Desktop) return opened.outcome;
    VariantPtr value(g_settings_get_value(opened.settings.get(), row.key));
    row.fromDesktop(value.get(), opened.range, values);
    return DesktopInputOutcome::Desktop;
}

void TraceStoredOnly(const DesktopKey& row, DesktopInputOutcome outcome) {
    if (outcome != DesktopInputOutcome::Desktop && row.schema)
        DebugTraceF("desktop input: %s %s stored only (%s)", row.schema, row.key, DesktopInputOutcomeName(outcome));
}

struct DesktopPanel {
    const char* program;
    const char* keyboard;
    const char* mouse;
    bool needsGnome;  // the program refuses to run on other desktops
};

const DesktopPanel kDesktopPanels[] = {
    {.program = "gnome-control-center", .keyboard = "keyboard", .mouse = "mouse", .needsGnome = true},
    {.program = "kcmshell6", .keyboard = "kcm_keyboard", .mouse = "kcm_mouse", .needsGnome = false},
    {.program = "kcmshell5", .keyboard = "kcm_keyboard", .mouse = "kcm_mouse", .needsGnome = false},
    {.program = "systemsettings", .keyboard = "kcm_keyboard", .mouse = "kcm_mouse", .needsGnome = false},
    {.program = "systemsettings5", .keyboard = "kcm_keyboard", .mouse = "kcm_mouse", .needsGnome = false},
};

// XDG_CURRENT_DESKTOP is a colon-separated list, e.g. "ubuntu:GNOME" or "GNOME-Flashback:GNOME".
bool GnomeLikeDesktop() {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    std::string_view rest = desktops ? desktops : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view name = rest.substr(0, colon);
        if (name == "GNOME" || name == "Unity" || name.starts_with("GNOME-")) return true;
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return false;
}

}  // namespace

const char* DesktopInputOutcomeName(DesktopInputOutcome outcome) {
    switch (outcome) {
        case DesktopInputOutcome::Desktop: return "desktop";
        case DesktopInputOutcome::NoDesktopKey: return "no desktop key";
        case DesktopInputOutcome::NoSchema: return "no schema";
        case DesktopInputOutcome::NoKey: return "no key";
        case DesktopInputOutcome::NotWritable: return "not writable";
        case DesktopInputOutcome::Refused: return "refused";
    }
    return "unknown";
}

DesktopInputReading ReadDesktopInputSettings() {
    DesktopInputReading reading;
    for (const DesktopKey& row : kDesktopKeys) reading.outcomes[row.value] = ReadKey(row, reading.values);
    return reading;
}

DesktopInputOutcomes ApplyDesktopInputSettings(const DesktopInputValues& values) {
    DesktopInputOutcomes outcomes;
    for (const DesktopKey& row : kDesktopKeys) {
        outcomes[row.value] = ApplyKey(row, values);
        TraceStoredOnly(row, outcomes[row.value]);
    }
    g_settings_sync();  // the desktop sees the whole set together, before the caller goes on
    return outcomes;
}

bool OpenDesktopDeviceSettings(DesktopDeviceKind kind) {
    const bool gnome = GnomeLikeDesktop();
    for (const DesktopPanel& panel : kDesktopPanels) {
        if (panel.needsGnome && !gnome) continue;
        const char* page = kind == DesktopDeviceKind::Keyboard ? panel.keyboard : panel.mouse;
        if (ShellExecute("open", panel.program, page, "", 1)) return true;
    }
    DebugTrace("desktop input: no keyboard or mouse settings program found");
    return false;
}

}  // namespace kx58
