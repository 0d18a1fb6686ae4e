#include <gtest/gtest.h>

#include <set>

#include "keys/KeyNameTable.h"
#include "keymap/KeyTables.h"

using namespace vandrel;

namespace {

struct NameCase {
    uint8_t vk;
    uint8_t usage;
    const char16_t* name;
};

// Entries whose spelling or usage is easy to get wrong.
const NameCase kNameCases[] = {
    {0x30, 0x27, u"0"},           // only the digit 0 has no trailing blank
    {0x39, 0x26, u"9 "},
    {0x41, 0x04, u"A "},
    {0x5A, 0x1D, u"Z "},
    {0x70, 0x3A, u"F1 "},
    {0x7B, 0x45, u"F12 "},
    {0x10, 0x00, u""},            // generic Shift, Control, Alt: nothing
    {0x11, 0x00, u""},
    {0x12, 0x00, u""},
    {0xA2, 0xE0, u"LCtrl "},
    {0xA5, 0xE6, u"RAlt "},
    {0x0D, 0x28, u"Enter "},
    {0x6C, 0x58, u"Enter "},      // keypad Enter has its own code
    {0x6D, 0x56, u"- "},
    {0xBD, 0x2D, u"- "},
    {0xDC, 0x32, u"\\ "},
    {0xAE, 0xEA, u"Volume DOWN "},  // consumer usages cut to their low byte
    {0xAF, 0xE9, u"Volume UP "},
    {0xB3, 0xCD, u"Play/Pause"},
    {0xB5, 0x83, u"Media "},
    {0xF0, 0xF0, u"MsLB"},
    {0xF3, 0xF3, u""},
    {0xF5, 0xF5, u"Mouse Pointer Right"},
    {0xF6, 0xF6, u"Mouse Pointer Up"},
    {0xF7, 0xF7, u"Mouse pointer Down"},
    {0xF9, 0xF9, u"Mouse Wheel Down"},
    {0x07, 0x00, u""},            // codes without a row
    {0xFA, 0x00, u""},
    {0xFF, 0x00, u""},
};

}  // namespace

TEST(KeyNameTable, EntriesCarryTheirUsageAndName) {
    const KeyNameTable& t = keyNames();
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(testing::Message() << "vk 0x" << std::hex << int(c.vk));
        EXPECT_EQ(t[c.vk].vk, c.vk);
        EXPECT_EQ(t.usage(c.vk), c.usage);
        EXPECT_EQ(t.name(c.vk), std::u16string(c.name));
    }
}

TEST(KeyNameTable, EveryEntryKnowsItsCodeAndNoUsageIsGivenTwice) {
    const KeyNameTable& t = keyNames();
    std::set<uint8_t> seen;
    for (int vk = 0; vk < 256; ++vk) {
        EXPECT_EQ(t[static_cast<uint8_t>(vk)].vk, vk);
        const uint8_t u = t.usage(static_cast<uint8_t>(vk));
        if (u == 0) continue;
        EXPECT_TRUE(seen.insert(u).second) << "usage 0x" << std::hex << int(u) << " given twice";
    }
}

TEST(KeyTables, PhysicalSlotsSitOnDistinctMatrixCells) {
    std::set<int> cells;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        EXPECT_EQ(SlotCellOffset[s] % 4, 0);
        EXPECT_LT(slotCell(s), 126) << "slot " << s;
        EXPECT_TRUE(cells.insert(slotCell(s)).second) << "slot " << s << " shares a cell";
        EXPECT_NE(keyNames().usage(SlotHomeVk[s]), 0) << "slot " << s << " has no usage";
    }
    EXPECT_EQ(cells.size(), 108u);
}

TEST(KeyTables, SlotsLandOnTheirColumnAndRow) {
    struct Case {
        int slot;
        uint8_t vk;
        int column;
        int row;
    };
    const Case cases[] = {
        {0, 0x1B, 0, 5},   {1, 0x70, 2, 5},   {19, 0xAF, 20, 5}, {20, 0xC0, 0, 4},  {30, 0x30, 10, 4},
        {40, 0x6D, 20, 4}, {41, 0x09, 0, 3},  {54, 0xDC, 13, 3}, {60, 0x69, 19, 3}, {61, 0x6B, 20, 2},
        {62, 0x14, 0, 2},  {74, 0x0D, 13, 2}, {78, 0xA0, 0, 1},  {89, 0xA1, 12, 1}, {93, 0x63, 19, 1},
        {94, 0x6C, 20, 0}, {96, 0x5B, 1, 0},  {98, 0x20, 5, 0},  {100, 0x5D, 10, 0}, {101, 0x5D, 11, 0},
        {107, 0x6E, 19, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(SlotHomeVk[c.slot], c.vk);
        EXPECT_EQ(slotCell(c.slot) / 6, c.column);
        EXPECT_EQ(slotCell(c.slot) % 6, c.row);
        EXPECT_EQ(slotMaskByte(c.slot), c.column);
        EXPECT_EQ(slotMaskBit(c.slot), 1 << c.row);
    }
}

TEST(KeyTables, FactoryTableHoldsHomeUsagesWithItsExceptions) {
    struct Entry {
        int cell;
        uint8_t b[4];
    };
    std::vector<Entry> expected;
    auto slotEntry = [](int slot, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
        return Entry{slotCell(slot), {b0, b1, b2, b3}};
    };
    for (int s = 0; s < kPhysicalSlots; ++s) expected.push_back(slotEntry(s, 0, 0, keyNames().usage(SlotHomeVk[s]), 0));
    const Entry exceptions[] = {
        slotEntry(16, 3, 0, 0xEA, 0x00), slotEntry(17, 3, 0, 0x83, 0x01), slotEntry(18, 3, 0, 0xCD, 0x00),
        slotEntry(19, 3, 0, 0xE9, 0x00), slotEntry(54, 0, 0, 0x31, 0),   slotEntry(100, 2, 0, 0, 0),
        {11, {0, 0, 0x32, 0}}, {18, {0, 0, 0x91, 0}}, {48, {0, 0, 0x90, 0}}, {79, {0, 0, 0x28, 0}},
        {126, {0, 0xE0, 0, 0}}, {127, {0, 0xE1, 0, 0}},
    };
    uint8_t table[kKeyMapBytes] = {};
    for (const Entry& e : expected) std::copy(e.b, e.b + 4, table + 4 * e.cell);
    for (const Entry& e : exceptions) std::copy(e.b, e.b + 4, table + 4 * e.cell);
    for (size_t i = 0; i < kKeyMapBytes; ++i)
        EXPECT_EQ(FactoryKeyTable[i], table[i]) << "cell " << i / 4 << " byte " << i % 4;
}
