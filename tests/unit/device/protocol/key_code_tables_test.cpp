#include "device/protocol/key_code_tables.h"

#include <gtest/gtest.h>

#include <vector>

#include "devsim/firmware_memory.h"

namespace kx58 {
namespace {

std::vector<std::uint8_t> TableOf(const std::vector<KeyCode>& codes) {
    std::vector<std::uint8_t> table;
    for (const KeyCode& c : codes) table.insert(table.end(), {c.type, c.code1, c.code2});
    return table;
}

TEST(KeyCodeTablesTest, TablesHoldTheFactoryCodes) {
    const auto& keys = DefaultKeyCodes();
    EXPECT_EQ(keys[0], (KeyCode{0x20, 0x00, 0x29}));    // Escape
    EXPECT_EQ(keys[16], (KeyCode{0xA0, 0x1B, 0x00}));   // top-row function key
    EXPECT_EQ(keys[84], (KeyCode{0x20, 0x02, 0x00}));   // left Shift
    EXPECT_EQ(keys[104], (KeyCode{0x20, 0x00, 0x00}));  // no key
    EXPECT_EQ(keys[110], (KeyCode{0xA0, 0x01, 0x00}));  // Fn
    EXPECT_EQ(keys[124], (KeyCode{0xD0, 0xA2, 0x05}));
    EXPECT_EQ(keys[125], (KeyCode{0x20, 0x80, 0x00}));  // right GUI
    EXPECT_EQ(DefaultMouseButtonCodes()[9], (KeyCode{0x16, 0x90, 0x01}));
    EXPECT_EQ(DefaultMouseButtonCodes()[8], keys[16]);
    EXPECT_EQ(KeyCode::FromAssignment(0x71'03'04), (KeyCode{'q', 3, 4}));
    EXPECT_EQ((KeyCode{0x20, 0x02, 0x04}).Assignment(), 0x20'02'04u);
}

TEST(KeyCodeTablesTest, FactoryKeyboardMapsEveryKeyToItsPosition) {
    const devsim::FirmwareModel model = *devsim::FirmwareModelFor("kb");
    const devsim::FirmwareMemory memory = devsim::FactoryMemory(model);
    const std::vector<std::uint8_t> order = devsim::FactoryKeyOrder(model);
    const KeyMaps maps = BuildKeyMaps(memory.keyTable, memory.ledMap, model.keyPositions);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t key = order[k];
        if (DefaultKeyCodes()[key] == KeyCode{0x20, 0, 0}) continue;  // empty codes share a position
        EXPECT_EQ(maps.position[key], k) << "page key " << key;
        EXPECT_EQ(maps.led[key], memory.ledMap[k]) << "page key " << key;
    }
}

TEST(KeyCodeTablesTest, ReassignedAndSharedCodes) {
    // Positions: 0 Escape, 1 'A' reassigned to a macro, 2 Escape again, 3 F1.
    const auto& keys = DefaultKeyCodes();
    const std::vector<std::uint8_t> table = TableOf({keys[0], KeyCode{'q', 0, 0}, keys[0], keys[1]});
    const std::vector<std::uint8_t> leds = {40, 41, 42, 43};
    const KeyMaps maps = BuildKeyMaps(table, leds, 4);
    EXPECT_EQ(maps.position[0], 0);  // the lower position wins
    EXPECT_EQ(maps.led[0], 40);
    EXPECT_EQ(maps.position[1], 3);
    EXPECT_EQ(maps.led[1], 43);
    EXPECT_EQ(maps.position[64], kNoKeyPosition);  // 'A' carries another code now
    EXPECT_EQ(maps.led[64], kNoKeyPosition);
    // Positions past the count or the buffer are not looked at.
    EXPECT_EQ(BuildKeyMaps(table, leds, 0).position[0], kNoKeyPosition);
    EXPECT_EQ(BuildKeyMaps(table, leds, 200).position[1], 3);
    EXPECT_EQ(BuildKeyMaps(table, {}, 4).led[0], kNoKeyPosition);

    const auto& buttons = DefaultMouseButtonCodes();
    const std::vector<std::uint8_t> mouse = TableOf({buttons[1], buttons[0], keys[0], buttons[1]});
    const auto map = BuildButtonMap(mouse, 4);
    EXPECT_EQ(map[0], 1);
    EXPECT_EQ(map[1], 3);  // the higher position wins on the mouse
    EXPECT_EQ(map[2], kNoButtonPosition);
    EXPECT_EQ(BuildButtonMap(mouse, 2)[1], 0);
}

}  // namespace
}  // namespace kx58
