#include <gtest/gtest.h>

#include <gio/gio.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/desktop_input_settings.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "unit/platform/peer_process.h"

using namespace kx58;

namespace {

// Before any settings object exists: every write stays in this process.
const bool kInMemorySettings = setenv("GSETTINGS_BACKEND", "memory", 1) == 0;

using V = DesktopInputValue;
constexpr const char* kMouse = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kKeyboard = "org.gnome.desktop.peripherals.keyboard";

class DesktopSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kInMemorySettings);
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        for (const char* id : {kMouse, kKeyboard}) {
            GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
            ASSERT_NE(schema, nullptr) << id << " is not installed (gsettings-desktop-schemas)";
            g_settings_schema_unref(schema);
        }
        mouse_ = g_settings_new(kMouse);
        keyboard_ = g_settings_new(kKeyboard);
    }
    void TearDown() override {
        for (GSettings* settings : {mouse_, keyboard_}) {
            if (!settings) continue;
            GSettingsSchema* schema = nullptr;
            g_object_get(settings, "settings-schema", &schema, nullptr);
            gchar** keys = g_settings_schema_list_keys(schema);
            for (gchar** key = keys; *key; ++key) g_settings_reset(settings, *key);
            g_strfreev(keys);
            g_settings_schema_unref(schema);
            g_object_unref(settings);
        }
    }

    GSettings* mouse_ = nullptr;
    GSettings* keyboard_ = nullptr;
};

TEST_F(DesktopSettings, AppliedValuesReadBackInTheProfilesUnits) {
    const DesktopInputValues profile{.pointerSpeed = 7, .enhancedPrecision = false, .doubleClickMs = 650,
                                     .wheelScrollLines = 5, .scrollsPage = true, .repeatDelay = 2, .repeatRate = 20};
    const DesktopInputOutcomes applied = ApplyDesktopInputSettings(profile);
    for (V value : {V::PointerSpeed, V::EnhancedPrecision, V::DoubleClickTime, V::RepeatDelay, V::RepeatRate})
        EXPECT_EQ(applied[value], DesktopInputOutcome::Desktop) << static_cast<int>(value);
    EXPECT_EQ(applied[V::WheelScrollLines], DesktopInputOutcome::NoDesktopKey);
    EXPECT_EQ(applied[V::ScrollsPage], DesktopInputOutcome::NoDesktopKey);

    const DesktopInputReading read = ReadDesktopInputSettings();
    EXPECT_EQ(read.values.pointerSpeed, 7);
    EXPECT_FALSE(read.values.enhancedPrecision);
    EXPECT_EQ(read.values.doubleClickMs, 650);
    EXPECT_EQ(read.values.repeatDelay, 2);
    EXPECT_EQ(read.values.repeatRate, 20);
    EXPECT_TRUE(read.outcomes.StoredOnly(V::WheelScrollLines));
    EXPECT_TRUE(read.outcomes.StoredOnly(V::ScrollsPage));
}

// The desktop keeps whole milliseconds; no step of a slider may come back as its neighbour.
TEST_F(DesktopSettings, EveryStepSurvivesTheDesktopsUnits) {
    for (int step = 0; step <= 31; ++step) {
        const DesktopInputValues profile{.pointerSpeed = 1 + step % 20, .repeatDelay = step % 4, .repeatRate = step};
        ApplyDesktopInputSettings(profile);
        const DesktopInputValues read = ReadDesktopInputSettings().values;
        EXPECT_EQ(read.pointerSpeed, profile.pointerSpeed);
        EXPECT_EQ(read.repeatDelay, profile.repeatDelay);
        EXPECT_EQ(read.repeatRate, profile.repeatRate);
    }
}

TEST_F(DesktopSettings, SpeedEndsAreTheEndsOfTheDesktopsRange) {
    ASSERT_EQ(ApplyDesktopInputSettings({.pointerSpeed = 1})[V::PointerSpeed], DesktopInputOutcome::Desktop);
    EXPECT_DOUBLE_EQ(g_settings_get_double(mouse_, "speed"), -1.0);
    ASSERT_EQ(ApplyDesktopInputSettings({.pointerSpeed = 20})[V::PointerSpeed], DesktopInputOutcome::Desktop);
    EXPECT_DOUBLE_EQ(g_settings_get_double(mouse_, "speed"), 1.0);
}

TEST_F(DesktopSettings, ValuesBeyondTheRangesAreClamped) {
    ApplyDesktopInputSettings({.pointerSpeed = 45, .doubleClickMs = 90000, .repeatDelay = 9, .repeatRate = 99});
    EXPECT_DOUBLE_EQ(g_settings_get_double(mouse_, "speed"), 1.0);
    EXPECT_EQ(g_settings_get_int(mouse_, "double-click"), 5000);
    EXPECT_EQ(g_settings_get_uint(keyboard_, "delay"), 1000u);
    const DesktopInputReading fastest = ReadDesktopInputSettings();
    EXPECT_EQ(fastest.values.pointerSpeed, 20);
    EXPECT_EQ(fastest.values.repeatDelay, 3);
    EXPECT_EQ(fastest.values.repeatRate, 31);

    ApplyDesktopInputSettings({.pointerSpeed = -3, .repeatDelay = -1, .repeatRate = -5});
    EXPECT_DOUBLE_EQ(g_settings_get_double(mouse_, "speed"), -1.0);
    EXPECT_EQ(g_settings_get_uint(keyboard_, "delay"), 250u);
    const DesktopInputReading slowest = ReadDesktopInputSettings();
    EXPECT_EQ(slowest.values.pointerSpeed, 1);
    EXPECT_EQ(slowest.values.repeatRate, 0);
}

TEST_F(DesktopSettings, DesktopsDefaultProfileReadsAsEnhancedPrecision) {
    g_settings_set_string(mouse_, "accel-profile", "flat");
    EXPECT_FALSE(ReadDesktopInputSettings().values.enhancedPrecision);
    g_settings_set_string(mouse_, "accel-profile", "default");
    EXPECT_TRUE(ReadDesktopInputSettings().values.enhancedPrecision);
}

TEST_F(DesktopSettings, ApplyingARepeatRateSwitchesRepeatOn) {
    g_settings_set_boolean(keyboard_, "repeat", FALSE);
    ApplyDesktopInputSettings({});
    EXPECT_TRUE(g_settings_get_boolean(keyboard_, "repeat"));
}

// The peer's report: value name -> "APPLY|READ|VALUE", and "raw KEY" -> the desktop's value.
std::map<std::string, std::string> RunPeer(const std::string& schemaFolder, const std::vector<std::string>& values) {
    std::vector<std::string> args = {schemaFolder};
    args.insert(args.end(), values.begin(), values.end());
    PeerProcess peer(args, "desktop_input_peer");
    std::map<std::string, std::string> report;
    while (auto line = peer.ReadLine()) {
        const bool raw = line->starts_with("raw ");
        const size_t blank = line->find(' ', raw ? 4 : 0);
        if (blank != std::string::npos) report[line->substr(0, blank)] = line->substr(blank + 1);
    }
    const int status = peer.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "peer status " << status;
    return report;
}

TEST(DesktopSettingsWithoutSchemas, EveryValueIsStoredOnly) {
    kx58test::TempDir empty;
    const auto report = RunPeer(empty.Path(), {"20", "1", "600", "3", "0", "1", "31"});
    ASSERT_EQ(report.size(), 7u);
    for (const char* name : {"speed", "precision", "doubleclick", "delay", "rate"})
        EXPECT_EQ(report.at(name).substr(0, 20), "no schema|no schema|") << name;
    EXPECT_EQ(report.at("lines").substr(0, 30), "no desktop key|no desktop key|");
}

// A desktop whose mouse schema has narrower ranges and no acceleration profile.
constexpr const char* kNarrowMouseSchema = R"(<schemalist>
  <schema id="org.gnome.desktop.peripherals.mouse" path="/org/gnome/desktop/peripherals/mouse/">
    <key name="speed" type="d"><default>0</default><range min="-0.5" max="0.5"/></key>
    <key name="double-click" type="i"><default>400</default><range min="200" max="900"/></key>
  </schema>
</schemalist>
)";

TEST(DesktopSettingsWithOtherSchemas, RangesComeFromTheInstalledSchema) {
    kx58test::TempDir folder;
    kx58test::WriteWholeFile(folder / "narrow.gschema.xml", kNarrowMouseSchema);
    const std::string compile = "glib-compile-schemas '" + folder.Path() + "'";
    ASSERT_EQ(std::system(compile.c_str()), 0) << "glib-compile-schemas (libglib2.0-bin) is needed";

    const auto fastest = RunPeer(folder.Path(), {"20", "1", "1200", "3", "0", "1", "31"});
    EXPECT_EQ(fastest.at("raw speed"), "0.5");
    EXPECT_EQ(fastest.at("raw double-click"), "900");
    EXPECT_EQ(fastest.at("speed"), "desktop|desktop|20");
    EXPECT_EQ(fastest.at("precision").substr(0, 14), "no key|no key|");
    EXPECT_EQ(fastest.at("rate").substr(0, 20), "no schema|no schema|");

    const auto slowest = RunPeer(folder.Path(), {"1", "1", "50", "3", "0", "1", "31"});
    EXPECT_EQ(slowest.at("raw speed"), "-0.5");
    EXPECT_EQ(slowest.at("raw double-click"), "200");
}

// Fake panel programs that record how they were started.
class DesktopPanels : public ::testing::Test {
protected:
    void AddProgram(const std::string& name) {
        const std::string path = bin_ / name;
        kx58test::WriteWholeFile(path, "#!/bin/sh\necho \"" + name + " $*\" > '" + ran_ + "'\n");
        chmod(path.c_str(), 0755);
    }
    std::string WhatRan() {
        std::string text;
        kx58test::WaitUntil([&] {
            struct stat info {};
            if (stat(ran_.c_str(), &info) != 0) return false;
            text = kx58test::ReadWholeFile(ran_);
            return text.ends_with('\n');
        });
        return text;
    }

    kx58test::TempDir bin_;
    kx58test::TempDir out_;
    std::string ran_ = out_ / "ran";
    kx58test::ScopedEnv path_{"PATH", bin_.Path()};
};

TEST_F(DesktopPanels, GnomeOpensItsMousePanel) {
    AddProgram("gnome-control-center");
    AddProgram("kcmshell6");
    kx58test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    ASSERT_TRUE(OpenDesktopDeviceSettings(DesktopDeviceKind::Mouse));
    EXPECT_EQ(WhatRan(), "gnome-control-center mouse\n");
}

TEST_F(DesktopPanels, OtherDesktopsOpenKdesKeyboardModule) {
    AddProgram("gnome-control-center");
    AddProgram("kcmshell6");
    kx58test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "KDE");
    ASSERT_TRUE(OpenDesktopDeviceSettings(DesktopDeviceKind::Keyboard));
    EXPECT_EQ(WhatRan(), "kcmshell6 kcm_keyboard\n");
}

TEST_F(DesktopPanels, NoPanelProgramGivesFalse) {
    kx58test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "GNOME");
    EXPECT_FALSE(OpenDesktopDeviceSettings(DesktopDeviceKind::Keyboard));
}

TEST_F(DesktopPanels, GnomesPanelIsNotStartedOnOtherDesktops) {
    AddProgram("gnome-control-center");
    kx58test::ScopedEnv desktop("XDG_CURRENT_DESKTOP", "XFCE");
    EXPECT_FALSE(OpenDesktopDeviceSettings(DesktopDeviceKind::Mouse));
    struct stat info {};
    EXPECT_NE(stat(ran_.c_str(), &info), 0);
}

}  // namespace
