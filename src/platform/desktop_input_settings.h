#pragma once
// The desktop's pointer and keyboard settings, in place of the system parameters the mouse and
// keyboard pages set: values in the profile's own units go to the desktop's GSettings keys
// (org.gnome.desktop.peripherals.mouse and .keyboard) and come back in those units.
//
// Contract: each value reports whether the desktop took it (or gave it, on reading) or why it
// is stored only: the desktop has no such key, the schema or key is not installed, the key is
// not writable, or the desktop refused the value. A missing schema never aborts; ranges are
// read from the installed schema and values are clamped into them. Wheel scroll lines and page
// scrolling have no desktop key: they are always stored only.
// Thread: the UI thread (GSettings objects are made and dropped within each call).
#include <array>
#include <cstddef>

namespace kx58 {

// The values as the profile stores them, with the defaults of a Windows desktop.
struct DesktopInputValues {
    int pointerSpeed = 10;        // 1 (slowest) to 20
    bool enhancedPrecision = true;
    int doubleClickMs = 500;      // 0 means the default, 500; at most 5000
    int wheelScrollLines = 3;
    bool scrollsPage = false;
    int repeatDelay = 1;          // 0-3: about 250, 500, 750, 1000 ms before the first repeat
    int repeatRate = 31;          // 0-31: about 2.5 to 30 repeats a second
};

enum class DesktopInputValue { PointerSpeed, EnhancedPrecision, DoubleClickTime, WheelScrollLines, ScrollsPage,
                               RepeatDelay, RepeatRate };
inline constexpr std::size_t kDesktopInputValueCount = 7;

enum class DesktopInputOutcome {
    Desktop,       // the desktop took the value (apply) or gave it (read)
    NoDesktopKey,  // the desktop has no setting for it
    NoSchema,      // the settings schema is not installed
    NoKey,         // the installed schema lacks the key, or it has another type
    NotWritable,   // the key is locked down
    Refused,       // the desktop did not accept the value
};

struct DesktopInputOutcomes {
    std::array<DesktopInputOutcome, kDesktopInputValueCount> of{};

    DesktopInputOutcome operator[](DesktopInputValue value) const { return of[static_cast<std::size_t>(value)]; }
    DesktopInputOutcome& operator[](DesktopInputValue value) { return of[static_cast<std::size_t>(value)]; }
    bool StoredOnly(DesktopInputValue value) const { return (*this)[value] != DesktopInputOutcome::Desktop; }
};

struct DesktopInputReading {
    // Values the desktop does not give keep the defaults above; see `outcomes`.
    DesktopInputValues values;
    DesktopInputOutcomes outcomes;
};

DesktopInputReading ReadDesktopInputSettings();
DesktopInputOutcomes ApplyDesktopInputSettings(const DesktopInputValues& values);

// The text of an outcome for traces and messages ("desktop", "no schema", ...).
const char* DesktopInputOutcomeName(DesktopInputOutcome outcome);

enum class DesktopDeviceKind { Keyboard, Mouse };

// Starts the desktop's own keyboard or mouse settings (GNOME's or KDE's panel), not waiting
// for it. False when no panel program is available: the caller tells the user.
bool OpenDesktopDeviceSettings(DesktopDeviceKind kind);

}  // namespace kx58
