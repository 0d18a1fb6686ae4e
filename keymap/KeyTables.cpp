#include "keymap/KeyTables.h"

#include "keys/KeyNameTable.h"

namespace vandrel {

namespace {

struct SlotDef {
    uint8_t vk;
    uint8_t column;
    uint8_t row;
};

// Slot by slot: home virtual-key code, matrix column, matrix row.
constexpr SlotDef kSlots[kPhysicalSlots] = {
    // Row 5: Esc, F1..F12, Prscr, Scrol, Pause, the four media keys.
    {0x1B, 0, 5}, {0x70, 2, 5}, {0x71, 3, 5}, {0x72, 4, 5}, {0x73, 5, 5}, {0x74, 6, 5},
    {0x75, 7, 5}, {0x76, 8, 5}, {0x77, 9, 5}, {0x78, 10, 5}, {0x79, 11, 5}, {0x7A, 12, 5},
    {0x7B, 13, 5}, {0x2C, 14, 5}, {0x91, 15, 5}, {0x13, 16, 5}, {0xAE, 17, 5}, {0xB5, 18, 5},
    {0xB3, 19, 5}, {0xAF, 20, 5},
    // Row 4: ` 1..9 0 - = Back Inst Home PgUp Num kp/ kp* kp-.
    {0xC0, 0, 4}, {0x31, 1, 4}, {0x32, 2, 4}, {0x33, 3, 4}, {0x34, 4, 4}, {0x35, 5, 4},
    {0x36, 6, 4}, {0x37, 7, 4}, {0x38, 8, 4}, {0x39, 9, 4}, {0x30, 10, 4}, {0xBD, 11, 4},
    {0xBB, 12, 4}, {0x08, 13, 4}, {0x2D, 14, 4}, {0x24, 15, 4}, {0x21, 16, 4}, {0x90, 17, 4},
    {0x6F, 18, 4}, {0x6A, 19, 4}, {0x6D, 20, 4},
    // Row 3: Tab Q..P [ ] \ Del End PgDn kp7 kp8 kp9.
    {0x09, 0, 3}, {0x51, 1, 3}, {0x57, 2, 3}, {0x45, 3, 3}, {0x52, 4, 3}, {0x54, 5, 3},
    {0x59, 6, 3}, {0x55, 7, 3}, {0x49, 8, 3}, {0x4F, 9, 3}, {0x50, 10, 3}, {0xDB, 11, 3},
    {0xDD, 12, 3}, {0xDC, 13, 3}, {0x2E, 14, 3}, {0x23, 15, 3}, {0x22, 16, 3}, {0x67, 17, 3},
    {0x68, 18, 3}, {0x69, 19, 3},
    // Row 2: kp+ (column 20), Caps A..L ; ' Enter kp4 kp5 kp6.
    {0x6B, 20, 2}, {0x14, 0, 2}, {0x41, 1, 2}, {0x53, 2, 2}, {0x44, 3, 2}, {0x46, 4, 2},
    {0x47, 5, 2}, {0x48, 6, 2}, {0x4A, 7, 2}, {0x4B, 8, 2}, {0x4C, 9, 2}, {0xBA, 10, 2},
    {0xDE, 11, 2}, {0x0D, 13, 2}, {0x64, 17, 2}, {0x65, 18, 2}, {0x66, 19, 2},
    // Row 1: LShift Z..M , . / RShift Up kp1 kp2 kp3.
    {0xA0, 0, 1}, {0x5A, 1, 1}, {0x58, 2, 1}, {0x43, 3, 1}, {0x56, 4, 1}, {0x42, 5, 1},
    {0x4E, 6, 1}, {0x4D, 7, 1}, {0xBC, 8, 1}, {0xBE, 9, 1}, {0xBF, 10, 1}, {0xA1, 12, 1},
    {0x26, 15, 1}, {0x61, 17, 1}, {0x62, 18, 1}, {0x63, 19, 1},
    // Row 0: kp Enter (column 20), LCtrl LWin LAlt Space RAlt Apps(Fn) Apps RCtrl
    // Left Down Right kp0 kp.
    {0x6C, 20, 0}, {0xA2, 0, 0}, {0x5B, 1, 0}, {0xA4, 2, 0}, {0x20, 5, 0}, {0xA5, 9, 0},
    {0x5D, 10, 0}, {0x5D, 11, 0}, {0xA3, 13, 0}, {0x25, 14, 0}, {0x28, 15, 0}, {0x27, 16, 0},
    {0x60, 17, 0}, {0x6E, 19, 0},
};

constexpr std::array<uint8_t, kPhysicalSlots> makeHomeVk() {
    std::array<uint8_t, kPhysicalSlots> a{};
    for (int s = 0; s < kPhysicalSlots; ++s) a[s] = kSlots[s].vk;
    return a;
}

constexpr std::array<uint16_t, kPhysicalSlots> makeCellOffsets() {
    std::array<uint16_t, kPhysicalSlots> a{};
    for (int s = 0; s < kPhysicalSlots; ++s) a[s] = static_cast<uint16_t>((kSlots[s].column * 6 + kSlots[s].row) * 4);
    return a;
}

std::array<uint8_t, kKeyMapBytes> makeFactoryTable() {
    std::array<uint8_t, kKeyMapBytes> t{};
    const KeyNameTable& names = keyNames();
    const auto offsets = makeCellOffsets();
    for (int s = 0; s < kPhysicalSlots; ++s) t[offsets[s] + 2] = names.usage(kSlots[s].vk);
    auto entry = [&](int slot, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
        uint8_t* e = &t[offsets[slot]];
        e[0] = b0, e[1] = b1, e[2] = b2, e[3] = b3;
    };
    entry(16, 3, 0, 0xEA, 0x00);  // volume down
    entry(17, 3, 0, 0x83, 0x01);  // media player
    entry(18, 3, 0, 0xCD, 0x00);  // play/pause
    entry(19, 3, 0, 0xE9, 0x00);  // volume up
    entry(54, 0, 0, 0x31, 0);     // backslash: the keyboard uses the non-US hash usage
    entry(100, 2, 0, 0, 0);       // Fn
    // Matrix cells that are not key slots.
    t[11 * 4 + 2] = 0x32;
    t[18 * 4 + 2] = 0x91;
    t[48 * 4 + 2] = 0x90;
    t[79 * 4 + 2] = 0x28;
    t[126 * 4 + 1] = 0xE0;
    t[127 * 4 + 1] = 0xE1;
    return t;
}

}  // namespace

const std::array<uint8_t, kPhysicalSlots> SlotHomeVk = makeHomeVk();
const std::array<uint16_t, kPhysicalSlots> SlotCellOffset = makeCellOffsets();
const std::array<uint8_t, kKeyMapBytes> FactoryKeyTable = makeFactoryTable();

}  // namespace vandrel
