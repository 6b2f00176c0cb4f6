// A second process for the desktop input tests: GIO keeps its schema list for the life of a
// process, so a test that needs other installed schemas runs this with its own schema folder.
// Usage: desktop_input_peer SCHEMA_FOLDER SPEED PRECISION DOUBLECLICK LINES PAGE DELAY RATE
// Applies the values with the in-memory settings store, reads them back and prints one line per
// value, "NAME APPLY-OUTCOME|READ-OUTCOME|READ-VALUE", then "raw KEY VALUE" for each desktop
// key the folder's schemas hold, as the desktop stores it.
#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/desktop_input_settings.h"

using namespace kx58;

namespace {

struct PeerValue {
    const char* name;
    DesktopInputValue value;
    int DesktopInputValues::*number;
    bool DesktopInputValues::*flag;
};

const PeerValue kPeerValues[] = {
    {"speed", DesktopInputValue::PointerSpeed, &DesktopInputValues::pointerSpeed, nullptr},
    {"precision", DesktopInputValue::EnhancedPrecision, nullptr, &DesktopInputValues::enhancedPrecision},
    {"doubleclick", DesktopInputValue::DoubleClickTime, &DesktopInputValues::doubleClickMs, nullptr},
    {"lines", DesktopInputValue::WheelScrollLines, &DesktopInputValues::wheelScrollLines, nullptr},
    {"page", DesktopInputValue::ScrollsPage, nullptr, &DesktopInputValues::scrollsPage},
    {"delay", DesktopInputValue::RepeatDelay, &DesktopInputValues::repeatDelay, nullptr},
    {"rate", DesktopInputValue::RepeatRate, &DesktopInputValues::repeatRate, nullptr},
};

// Only the given folder is searched for schemas, and nothing reaches the user's settings.
void UseOnly(const char* schemaFolder) {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("GSETTINGS_SCHEMA_DIR", schemaFolder, 1);
    setenv("XDG_DATA_DIRS", schemaFolder, 1);
    setenv("XDG_DATA_HOME", schemaFolder, 1);
}

int ValueOf(const DesktopInputValues& values, const PeerValue& row) {
    return row.number ? values.*row.number : int(values.*row.flag);
}

void PrintRaw(const char* schemaId, const char* key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema) return;
    if (g_settings_schema_has_key(schema, key)) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        GVariant* value = g_settings_get_value(settings, key);
        gchar* text = g_variant_print(value, FALSE);
        std::printf("raw %s %s\n", key, text);
        g_free(text);
        g_variant_unref(value);
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 + int(std::size(kPeerValues))) return 2;
    UseOnly(argv[1]);
    DesktopInputValues values;
    for (size_t i = 0; i < std::size(kPeerValues); ++i) {
        const int given = std::atoi(argv[2 + i]);
        if (kPeerValues[i].number) values.*kPeerValues[i].number = given;
        else values.*kPeerValues[i].flag = given != 0;
    }
    const DesktopInputOutcomes applied = ApplyDesktopInputSettings(values);
    const DesktopInputReading read = ReadDesktopInputSettings();
    for (const PeerValue& row : kPeerValues)
        std::printf("%s %s|%s|%d\n", row.name, DesktopInputOutcomeName(applied[row.value]),
                    DesktopInputOutcomeName(read.outcomes[row.value]), ValueOf(read.values, row));
    for (const char* key : {"speed", "accel-profile", "double-click"}) PrintRaw("org.gnome.desktop.peripherals.mouse", key);
    for (const char* key : {"delay", "repeat-interval"}) PrintRaw("org.gnome.desktop.peripherals.keyboard", key);
    std::fflush(stdout);
    return 0;
}
