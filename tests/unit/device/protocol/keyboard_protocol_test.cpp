#include "device/protocol/keyboard_protocol.h"

#include <gtest/gtest.h>

#include "unit/device/protocol/firmware_fixture.h"

namespace kx58 {
namespace {

namespace field = report_field;

std::vector<std::uint8_t> CommandsOf(const std::vector<CommandReport>& requests) {
    std::vector<std::uint8_t> commands;
    for (const CommandReport& r : requests) commands.push_back(r[field::kCommand]);
    return commands;
}

std::vector<std::uint32_t> DefaultAssignments() {
    std::vector<std::uint32_t> assignments;
    for (const KeyCode& code : DefaultKeyCodes()) assignments.push_back(code.Assignment());
    return assignments;
}

KeyCode StoredAt(const devsim::FirmwareMemory& memory, std::size_t position) {
    return {memory.keyTable[position * 3], memory.keyTable[position * 3 + 1], memory.keyTable[position * 3 + 2]};
}

MacroEventList Events(std::size_t count) {
    MacroEventList events;
    for (std::size_t i = 0; i < count; ++i)
        events.push_back({static_cast<std::uint16_t>(10 + i), 10, i % 2 == 0, static_cast<std::uint8_t>(4 + i)});
    return events;
}

class KeyboardProtocolTest : public kx58test::FirmwareFixture {
protected:
    void AttachAndReadBack(const std::string& name = "kb") {
        Attach(name);
        ASSERT_EQ(ReadBackKeyboard(channel, memory), kResultOk);
        product->ClearRequests();
    }
    KeyboardMemory memory;
};

TEST_F(KeyboardProtocolTest, ReadBackFindsEveryKeyOfTheDevice) {
    Attach("kb");
    ASSERT_EQ(ReadBackKeyboard(channel, memory), kResultOk);
    const devsim::FirmwareMemory device = product->Memory();
    EXPECT_EQ(memory.Positions(), 126u);
    EXPECT_EQ(channel.DataSize(), 378);
    EXPECT_TRUE(std::equal(device.keyTable.begin(), device.keyTable.begin() + 378, memory.keyTable.begin()));
    EXPECT_EQ(memory.maps.position, BuildKeyMaps(device.keyTable, device.ledMap, 126).position);
    const std::vector<std::uint8_t> expected = {0x01, 0x03, 0x07, 0x07, 0x07, 0x07, 0x07, 0x07, 0x07,
                                                0x1B, 0x1B, 0x1B, 0x02};
    EXPECT_EQ(CommandsOf(Requests()), expected);
    EXPECT_EQ(device.beginWrites, device.endWrites);
}

TEST_F(KeyboardProtocolTest, TooManyKeyPositionsLeaveTheCopiesAlone) {
    Attach("kb");
    devsim::FirmwareMemory device = product->Memory();
    device.info[5] = 171;
    product->SetMemory(device);
    memory.keyTable.fill(0x5A);
    EXPECT_EQ(ReadBackKeyboard(channel, memory), kResultFailed);
    EXPECT_EQ(memory.keyTable[0], 0x5A);
    EXPECT_EQ(memory.maps.position[0], kNoKeyPosition);
    EXPECT_EQ(CommandsOf(Requests()), (std::vector<std::uint8_t>{0x01, 0x03, 0x02}));  // no key table read
}

TEST_F(KeyboardProtocolTest, SettingsRecordGoesToTheDeviceAndComesBack) {
    AttachAndReadBack();
    KeyboardSettings settings;
    settings.modeCode = 29;
    settings.brightness = 3;
    settings.speed = 1;
    settings.fx = 2;
    settings.multiColor = 1;
    settings.red = 10;
    settings.green = 20;
    settings.blue = 30;
    settings.zzccLedMode = 4;
    settings.wFlag = 1;
    settings.key6Flag = 1;
    settings.winFlag = 1;
    settings.pollingRate = 3;
    settings.logoMode = 5;
    settings.logoModeCol = 6;
    ASSERT_EQ(WriteKeyboardSettings(channel, settings), kResultOk);
    const devsim::FirmwareMemory device = product->Memory();
    const std::vector<std::uint8_t> expected = {0, 0xFE, 3, 3, 2, 1, 10, 20, 30, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 4, 1, 1, 1, 3, 0, 0, 5, 6};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.settings.begin()));
    EXPECT_EQ(CommandsOf(Requests()), (std::vector<std::uint8_t>{0x01, 0x06, 0x02}));

    KeyboardSettingsReadBack read;
    ASSERT_EQ(ReadKeyboardSettings(channel, read), kResultOk);
    KeyboardSettings decoded = DecodeKeyboardSettingsRecord(read.record);
    EXPECT_EQ(decoded.modeCode, kHostRenderedModeByte);  // the page keeps its mode
    decoded.modeCode = 29;
    EXPECT_EQ(decoded, settings);

    // The active record is the one byte 0 names.
    devsim::FirmwareMemory changed = device;
    changed.settings[0] = 2;
    changed.settings[2 * 27 + 1] = 7;
    changed.settings[2 * 27 + 3] = 0;
    product->SetMemory(changed);
    ASSERT_EQ(ReadKeyboardSettings(channel, read), kResultOk);
    EXPECT_EQ(read.activeIndex, 2);
    EXPECT_EQ(DecodeKeyboardSettingsRecord(read.record).modeCode, 7);
    EXPECT_EQ(DecodeKeyboardSettingsRecord(read.record).speed, 4);

    const std::vector<int> modeCodes = {1, 2, 7, 20};
    EXPECT_EQ(ModeIndexFromCode(modeCodes, 7), 2);
    EXPECT_EQ(ModeIndexFromCode(modeCodes, 33), 33);  // unknown codes pass through
    EXPECT_EQ(BuildKeyboardSettingsRecord({.modeCode = 30})[1], 0xFE);
    EXPECT_EQ(BuildKeyboardSettingsRecord({.modeCode = 28, .speed = 9})[3], 0);
}

TEST_F(KeyboardProtocolTest, KeyTableWriteNumbersMacroSlotsInOrderOfFirstUse) {
    AttachAndReadBack();
    std::vector<std::uint32_t> assignments = DefaultAssignments();
    assignments[64] = KeyCode{'q', 5, 1}.Assignment();
    assignments[65] = KeyCode{'p', 2, 0}.Assignment();
    assignments[66] = KeyCode{'q', 5, 3}.Assignment();
    assignments[67] = KeyCode{'q', 9, 0}.Assignment();  // no such macro any more
    assignments[1] = KeyCode{0x20, 0x02, 0x04}.Assignment();
    EXPECT_EQ(CollectUsedMacros(memory.maps, assignments, 6), (std::vector<int>{5, 2}));

    ASSERT_EQ(WriteKeyboardKeyTable(channel, memory, assignments, 6, 0), kResultOk);
    const devsim::FirmwareMemory device = product->Memory();
    EXPECT_EQ(StoredAt(device, memory.maps.position[64]), (KeyCode{'q', 0, 1}));
    EXPECT_EQ(StoredAt(device, memory.maps.position[65]), (KeyCode{'p', 1, 0}));
    EXPECT_EQ(StoredAt(device, memory.maps.position[66]), (KeyCode{'q', 0, 3}));
    EXPECT_EQ(StoredAt(device, memory.maps.position[67]), DefaultKeyCodes()[67]);
    EXPECT_EQ(assignments[67], DefaultKeyCodes()[67].Assignment());  // the profile falls back too
    EXPECT_EQ(StoredAt(device, memory.maps.position[1]), (KeyCode{0x20, 0x02, 0x04}));
    const std::vector<std::uint8_t> expected = {0x03, 0x01, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x02};
    EXPECT_EQ(CommandsOf(Requests()), expected);
    EXPECT_EQ(WriteKeyboardKeyTable(channel, memory, assignments, 6, 1), kResultBadBank);
}

TEST_F(KeyboardProtocolTest, UnmappedKeysAreNotWritten) {
    Attach("kb");
    // The device holds a reassigned code where 'A' was: 'A' is nowhere on the device.
    devsim::FirmwareMemory device = product->Memory();
    const KeyMaps factory = BuildKeyMaps(device.keyTable, device.ledMap, 126);
    const std::size_t positionOfA = factory.position[64];
    device.keyTable[positionOfA * 3] = 'q';
    product->SetMemory(device);
    ASSERT_EQ(ReadBackKeyboard(channel, memory), kResultOk);
    EXPECT_EQ(memory.maps.position[64], kNoKeyPosition);
    EXPECT_EQ(memory.maps.led[64], kNoKeyPosition);

    std::vector<std::uint32_t> assignments = DefaultAssignments();
    assignments[64] = KeyCode{0x20, 0, 0x05}.Assignment();
    ASSERT_EQ(WriteKeyboardKeyTable(channel, memory, assignments, 0, 0), kResultOk);
    EXPECT_EQ(StoredAt(product->Memory(), positionOfA).type, 'q');  // left as the device had it
    std::array<Rgba, kPageKeyCount> colours;
    colours.fill({1, 2, 3, 255});
    const ColourImage image = BuildLedColourImage(memory.maps, colours);
    // 121 keys besides 'A', and one LED that the four keyless page entries share.
    EXPECT_EQ(std::count(image.begin(), image.end(), 1), 122);
}

TEST_F(KeyboardProtocolTest, MacroImageAtCapacityIsWrittenAndLargerOnesAreRefused) {
    Attach("kb");
    devsim::FirmwareMemory device = product->Memory();
    device.info[6] = 2;  // 256 bytes
    product->SetMemory(device);
    ASSERT_EQ(ReadBackKeyboard(channel, memory), kResultOk);
    product->ClearRequests();

    // 16 + 6 x 2 + 4 x 57 = 256
    const std::vector<MacroEventList> exact = {Events(20), Events(37)};
    ASSERT_EQ(MacroImageSize(exact), 256u);
    ASSERT_EQ(WriteKeyboardMacroImage(channel, memory, exact), 0);
    const std::vector<std::uint8_t> stored = product->Memory().macro;
    EXPECT_EQ(stored[0], 0xAA);
    EXPECT_EQ(stored[1], 0x55);
    EXPECT_EQ(stored[2] | (stored[3] << 8), 256);
    EXPECT_EQ(stored[4], 2);
    EXPECT_EQ(stored[16] | (stored[17] << 8), 20);             // first block after the offset table
    EXPECT_EQ(stored[18] | (stored[19] << 8), 20 + 4 + 80);    // second block
    EXPECT_EQ(stored[20], 20);                                  // event count
    EXPECT_EQ(stored[24], 10);                                  // first event: delay 10
    EXPECT_EQ(stored[26], 0x8A);                                // key down
    EXPECT_EQ(stored[27], 4);
    EXPECT_EQ(stored[30], 0x0A);                                // key up
    EXPECT_EQ(product->Requests().size(), 2u + 5u);             // bracket and 5 chunks

    product->ClearRequests();
    EXPECT_EQ(WriteKeyboardMacroImage(channel, memory, std::vector<MacroEventList>{Events(20), Events(38)}), 2);
    EXPECT_EQ(WriteKeyboardMacroImage(channel, memory, std::vector<MacroEventList>{Events(20), Events(39)}), 3);
    EXPECT_EQ(WriteKeyboardMacroImage(channel, memory, std::vector<MacroEventList>{}), 0);
    EXPECT_EQ(product->RequestCount(), 0u);

    product->ArmFault({devsim::FaultKind::StatusRejected, 0x15, 2});
    EXPECT_EQ(WriteKeyboardMacroImage(channel, memory, exact), kResultStatusRejected);  // not success
}

TEST_F(KeyboardProtocolTest, LedColoursRoundTripThroughTheDevice) {
    AttachAndReadBack();
    std::array<Rgba, kPageKeyCount> colours;
    for (std::size_t j = 0; j < colours.size(); ++j)
        colours[j] = {static_cast<std::uint8_t>(j), static_cast<std::uint8_t>(j * 2), 7, 0xFF};
    const ColourImage image = BuildLedColourImage(memory.maps, colours);
    ASSERT_EQ(WriteLedColourImage(channel, memory.Positions(), image), kResultOk);
    const std::vector<std::uint8_t> stored = product->Memory().ledColours;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 378, stored.begin()));
    const std::size_t led = memory.maps.led[64];
    EXPECT_EQ(stored[led * 3], 64);

    std::array<Rgba, kPageKeyCount> restored{};
    ColourImage read{};
    ASSERT_EQ(ReadLedColourImage(channel, memory.Positions(), read), kResultOk);
    ApplyLedColourImage(memory.maps, read, restored);
    for (std::size_t j = 0; j < restored.size(); ++j)
        if (memory.maps.led[j] != kNoKeyPosition && !(DefaultKeyCodes()[j] == KeyCode{0x20, 0, 0})) {
            EXPECT_EQ(restored[j], colours[j]) << j;
        }

    // An LED index whose three bytes would end past the image is left out.
    KeyMaps edge;
    edge.led[0] = 170;
    edge.led[1] = 169;
    const ColourImage edgeImage = BuildLedColourImage(edge, colours);
    EXPECT_EQ(edgeImage[507], 1);
    EXPECT_EQ(std::count(edgeImage.begin(), edgeImage.end(), 0), 509);
}

TEST_F(KeyboardProtocolTest, StreamFrameScalesByAlphaAndGoesOutOnlyForHostRenderedModes) {
    AttachAndReadBack();
    std::array<Rgba, kPageKeyCount> colours;
    colours.fill({200, 100, 50, 128});
    const ColourImage frame = BuildStreamFrame(memory.maps, colours);
    const std::size_t led = memory.maps.led[0];
    EXPECT_EQ(frame[led * 3], 100);
    EXPECT_EQ(frame[led * 3 + 1], 50);
    EXPECT_EQ(frame[led * 3 + 2], 25);

    EXPECT_EQ(SendKeyboardStreamFrame(channel, memory.Positions(), 20, frame), kResultOk);
    EXPECT_EQ(product->RequestCount(), 0u);
    ASSERT_EQ(SendKeyboardStreamFrame(channel, memory.Positions(), kMusicModeCode, frame), kResultOk);
    EXPECT_EQ(CommandsOf(Requests()), std::vector<std::uint8_t>(7, 0x12));
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 378, product->Memory().stream.begin()));
}

TEST_F(KeyboardProtocolTest, ReceiverKeyboardWritesInSmallChunksAndReportsAnUnreachableDevice) {
    AttachAndReadBack("kb-rx");
    std::vector<std::uint32_t> assignments = DefaultAssignments();
    ASSERT_EQ(WriteKeyboardKeyTable(channel, memory, assignments, 0, 0), kResultOk);
    // 378 bytes in 24-byte chunks: 16 requests, plus info (2) and the bracket.
    EXPECT_EQ(Requests().size(), 2u + 2u + 16u);
    product->SetLinkUp(false);
    EXPECT_EQ(WriteKeyboardSettings(channel, KeyboardSettings{}), kResultUnreachable);
    const std::array<Rgba, kPageKeyCount> colours{};
    product->ClearRequests();
    EXPECT_EQ(SendKeyboardStreamFrame(channel, 126, kMusicModeCode, BuildStreamFrame(memory.maps, colours)),
              kResultOk);
    EXPECT_EQ(product->RequestCount(), 0u);  // no stream through the receiver
}

}  // namespace
}  // namespace kx58
