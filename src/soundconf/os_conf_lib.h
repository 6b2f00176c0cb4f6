#pragma once
// The sound-configuration library of the headset page: fixed entry points, properties named by
// UTF-16 text, values in caller buffers, 0 for success. Over the desktop's sound server it
// touches only the headset's own sink and source (found by the USB ids of its sound card);
// what the system cannot apply answers non-zero.
#include <cstdint>
#include <memory>
#include <string_view>

namespace kx58 {

// Four 32-bit words, passed back by value as received: words 0 and 2 identify the endpoint
// for the library, word 1 is its kind, word 3 its state (1 = present).
struct ConfDeviceRecord {
    std::int32_t words[4] = {0, 0, 0, 0};
};
static_assert(sizeof(ConfDeviceRecord) == 16);

inline constexpr std::int32_t kConfKindOutput = 1;  // the headset's playback endpoint
inline constexpr std::int32_t kConfKindInput = 2;   // its microphone
inline constexpr std::int32_t kConfStatePresent = 1;
inline constexpr std::size_t kConfValueBufferSize = 1024;

// Results of every entry point.
inline constexpr int kConfOk = 0;
inline constexpr int kConfFailed = 1;           // no server, no such endpoint, bad value, timed out
inline constexpr int kConfNotSupported = 2;     // this system cannot apply it (or not on that endpoint)
inline constexpr int kConfUnknownProperty = 3;  // a property name the library does not know

// Bits of field 0 of the "GetSupportFeature" reply: what this system can apply.
enum ConfFeature : std::int32_t {
    kConfFeatureVolume = 1 << 0,      // "VolumeScalarControl", "VolumeControl", "MuteControl"
    kConfFeatureMonitor = 1 << 1,     // the "AA" properties
    kConfFeatureEqualiser = 1 << 2,   // "Enable_EQ_GFX", "EQ_Slider1".."EQ_Slider10"
    kConfFeatureSurround = 1 << 3,    // "VirtualSurroundEffectControl"
    kConfFeatureReverb = 1 << 4,      // "Enable_RFX_GFX", "RFX_ENVIRONMENT", "RFX_ROOMSIZE"
    kConfFeatureNoiseCancel = 1 << 5, // "Enable_ENC_LFX", "ENC_SELFCALIB"
    kConfFeatureVoiceChanger = 1 << 6,// "Enable_MAGICVOICE", "MagicVoice_Selection"
    kConfFeatureEcho = 1 << 7,        // "Enable_MICECHO"
};

// Called on the library's own thread when the headset's endpoints appear or go away (the
// endpoint list may be out of date from then on). Must not call back into the library, nor wait
// on a thread that may be calling it: the library's thread holds its sound-server lock while
// it calls (post a message and return).
using ConfDeviceChangeCallback = void (*)(void* context);

class COsConfLib {
public:
    virtual ~COsConfLib() = default;
    // Connects to the sound server. Non-zero when there is none; the other calls then find
    // no endpoint and change nothing. Calling it again retries.
    virtual int ConfLibInit() = 0;
    // Builds the endpoint list: the headset's sink and source when present, nothing else.
    virtual int CreateDeviceList() = 0;
    virtual int GetDeviceCount(int flow, std::uint32_t* count) = 0;
    virtual int GetDeviceById(int flow, std::uint32_t index, ConfDeviceRecord* record) = 0;
    // Get (`set` 0) or set (`set` 1) one property of an endpoint. `*value` points at a
    // kConfValueBufferSize buffer holding an int32, a float or NUL-terminated UTF-16 text
    // (replies); `channel`, when given, points at a buffer pointer holding the channel
    // (int32, -1 = all channels) or a parameter record.
    virtual int PropertyControl(ConfDeviceRecord record, std::u16string_view property, void** value,
                                void** channel, int set) = 0;
    virtual int RegisterCallbackFunction(ConfDeviceChangeCallback callback, void* context) = 0;
    // Removes what the library placed on the sound server (monitor loopback, equaliser sink)
    // and disconnects.
    virtual int ConfLibUnInit() = 0;
    virtual int ShowAsioPanel() = 0;
    virtual int PlayTestSound() = 0;
    virtual int StopTestSound() = 0;
    virtual int CloseTestSound() = 0;
};

// The library over the desktop's sound server (PulseAudio, or PipeWire's PulseAudio server).
// `vendorId` and `productId` are the USB ids of the headset's sound card.
std::unique_ptr<COsConfLib> LoadOsConfLib(std::uint16_t vendorId, std::uint16_t productId);

}  // namespace kx58
