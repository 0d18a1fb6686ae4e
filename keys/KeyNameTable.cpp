#include "keys/KeyNameTable.h"

#include <cstdio>

namespace vandrel {

namespace {

void setName(KeyNameEntry& e, const char16_t* text) {
    size_t i = 0;
    for (; text[i] && i < 99; ++i) e.name[i] = text[i];
    for (; i < 100; ++i) e.name[i] = 0;
}

void setAscii(KeyNameEntry& e, const char* text) {
    size_t i = 0;
    for (; text[i] && i < 99; ++i) e.name[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    for (; i < 100; ++i) e.name[i] = 0;
}

struct FixedEntry {
    uint8_t vk;
    uint8_t usage;
    const char16_t* name;
};

// Keys set one by one, after the letters, digits and function keys.
constexpr FixedEntry kFixed[] = {
    {0x08, 0x2A, u"Back "},   {0x09, 0x2B, u"Tab "},    {0x0D, 0x28, u"Enter "},
    {0x13, 0x48, u"Pause "},  {0x14, 0x39, u"Caps "},   {0x1B, 0x29, u"Esc "},
    {0x20, 0x2C, u"Space "},  {0x21, 0x4B, u"PgUp "},   {0x22, 0x4E, u"PgDn "},
    {0x23, 0x4D, u"End "},    {0x24, 0x4A, u"Home "},   {0x25, 0x50, u"Left "},
    {0x26, 0x52, u"Up "},     {0x27, 0x4F, u"Right "},  {0x28, 0x51, u"Down "},
    {0x2C, 0x46, u"Prscr "},  {0x2D, 0x49, u"Inst "},   {0x2E, 0x4C, u"Del "},
    {0x5B, 0xE3, u"LWin "},   {0x5C, 0xE7, u"RWin "},   {0x5D, 0x65, u"Apps "},
    {0x60, 0x62, u"0-num "},  {0x61, 0x59, u"1-num "},  {0x62, 0x5A, u"2-num "},
    {0x63, 0x5B, u"3-num "},  {0x64, 0x5C, u"4-num "},  {0x65, 0x5D, u"5-num "},
    {0x66, 0x5E, u"6-num "},  {0x67, 0x5F, u"7-num "},  {0x68, 0x60, u"8-num "},
    {0x69, 0x61, u"9-num "},  {0x6A, 0x55, u"* "},      {0x6B, 0x57, u"+ "},
    {0x6C, 0x58, u"Enter "},  {0x6D, 0x56, u"- "},      {0x6E, 0x63, u". "},
    {0x6F, 0x54, u"/ "},      {0x90, 0x53, u"Num "},    {0x91, 0x47, u"Scrol "},
    {0xA0, 0xE1, u"LShift "}, {0xA1, 0xE5, u"RShift "}, {0xA2, 0xE0, u"LCtrl "},
    {0xA3, 0xE4, u"RCtrl "},  {0xA4, 0xE2, u"LAlt "},   {0xA5, 0xE6, u"RAlt "},
    {0xAE, 0xEA, u"Volume DOWN "}, {0xAF, 0xE9, u"Volume UP "},
    {0xB3, 0xCD, u"Play/Pause"},   {0xB5, 0x83, u"Media "},
    {0xBA, 0x33, u"; "},      {0xBB, 0x2E, u"= "},      {0xBC, 0x36, u", "},
    {0xBD, 0x2D, u"- "},      {0xBE, 0x37, u". "},      {0xBF, 0x38, u"/ "},
    {0xC0, 0x35, u"` "},      {0xDB, 0x2F, u"[ "},      {0xDC, 0x32, u"\\ "},
    {0xDD, 0x30, u"] "},      {0xDE, 0x34, u"' "},
    {0xF0, 0xF0, u"MsLB"},    {0xF1, 0xF1, u"MsRB"},    {0xF2, 0xF2, u"MsMB"},
    {0xF3, 0xF3, u""},        {0xF4, 0xF4, u""},
    {0xF5, 0xF5, u"Mouse Pointer Right"}, {0xF6, 0xF6, u"Mouse Pointer Up"},
    {0xF7, 0xF7, u"Mouse pointer Down"},  {0xF8, 0xF8, u"Mouse Wheel Up"},
    {0xF9, 0xF9, u"Mouse Wheel Down"},
};

}  // namespace

void BuildKeyNameTable(KeyNameTable& table) {
    for (int i = 0; i < 256; ++i) {
        table.entries[i] = KeyNameEntry{};
        table.entries[i].vk = static_cast<uint8_t>(i);
    }
    char buf[16];
    for (int c = 0x41; c <= 0x5A; ++c) {  // letters: "%c%c" with the letter and a blank
        table.entries[c].usage = static_cast<uint8_t>(c - 0x3D);
        std::snprintf(buf, sizeof buf, "%c%c", c, 0x20);
        setAscii(table.entries[c], buf);
    }
    table.entries[0x30].usage = 0x27;  // digit 0 has no trailing blank
    setAscii(table.entries[0x30], "0");
    for (int c = 0x31; c <= 0x39; ++c) {
        table.entries[c].usage = static_cast<uint8_t>(c - 0x13);
        std::snprintf(buf, sizeof buf, "%c ", c);
        setAscii(table.entries[c], buf);
    }
    for (int c = 0x70; c <= 0x7B; ++c) {  // F1..F12
        table.entries[c].usage = static_cast<uint8_t>(c - 0x36);
        std::snprintf(buf, sizeof buf, "F%d ", c - 0x6F);
        setAscii(table.entries[c], buf);
    }
    for (const FixedEntry& f : kFixed) {
        table.entries[f.vk].usage = f.usage;
        setName(table.entries[f.vk], f.name);
    }
}

const KeyNameTable& keyNames() {
    static const KeyNameTable table = [] {
        KeyNameTable t;
        BuildKeyNameTable(t);
        return t;
    }();
    return table;
}

}  // namespace vandrel
