#include "keys/EvdevCodes.h"

#include <array>
#include <utility>

namespace vandrel {

namespace {

// Linux input (evdev) key codes and the virtual-key code of each. Only keys
// the key-name table can name are listed: anything else is dropped.
constexpr std::pair<uint16_t, uint8_t> kEvdevKeys[] = {
    {1, 0x1B},                                                     // Esc
    {2, 0x31}, {3, 0x32}, {4, 0x33}, {5, 0x34}, {6, 0x35},         // 1..5
    {7, 0x36}, {8, 0x37}, {9, 0x38}, {10, 0x39}, {11, 0x30},       // 6..9, 0
    {12, 0xBD}, {13, 0xBB}, {14, 0x08}, {15, 0x09},                // - = Back Tab
    {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'},
    {21, 'Y'}, {22, 'U'}, {23, 'I'}, {24, 'O'}, {25, 'P'},
    {26, 0xDB}, {27, 0xDD}, {28, 0x0D}, {29, 0xA2},                // [ ] Enter LCtrl
    {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'}, {34, 'G'},
    {35, 'H'}, {36, 'J'}, {37, 'K'}, {38, 'L'},
    {39, 0xBA}, {40, 0xDE}, {41, 0xC0}, {42, 0xA0}, {43, 0xDC},    // ; ' ` LShift backslash
    {44, 'Z'}, {45, 'X'}, {46, 'C'}, {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'},
    {51, 0xBC}, {52, 0xBE}, {53, 0xBF}, {54, 0xA1},                // , . / RShift
    {55, 0x6A}, {56, 0xA4}, {57, 0x20}, {58, 0x14},                // keypad * LAlt Space Caps
    {59, 0x70}, {60, 0x71}, {61, 0x72}, {62, 0x73}, {63, 0x74},    // F1..F5
    {64, 0x75}, {65, 0x76}, {66, 0x77}, {67, 0x78}, {68, 0x79},    // F6..F10
    {69, 0x90}, {70, 0x91},                                        // Num Scroll
    {71, 0x67}, {72, 0x68}, {73, 0x69}, {74, 0x6D},                // keypad 7 8 9 -
    {75, 0x64}, {76, 0x65}, {77, 0x66}, {78, 0x6B},                // keypad 4 5 6 +
    {79, 0x61}, {80, 0x62}, {81, 0x63}, {82, 0x60}, {83, 0x6E},    // keypad 1 2 3 0 .
    {87, 0x7A}, {88, 0x7B},                                        // F11 F12
    {96, 0x6C}, {97, 0xA3}, {98, 0x6F}, {99, 0x2C}, {100, 0xA5},   // keypad Enter RCtrl keypad / Prscr RAlt
    {102, 0x24}, {103, 0x26}, {104, 0x21}, {105, 0x25}, {106, 0x27},  // Home Up PgUp Left Right
    {107, 0x23}, {108, 0x28}, {109, 0x22}, {110, 0x2D}, {111, 0x2E},  // End Down PgDn Inst Del
    {114, 0xAE}, {115, 0xAF}, {119, 0x13},                         // Volume down, up; Pause
    {125, 0x5B}, {126, 0x5C}, {127, 0x5D},                         // LWin RWin Apps
    {164, 0xB3},                                                   // Play/Pause
    {171, 0xB5}, {226, 0xB5},                                      // media player (config, media)
};

constexpr std::array<uint8_t, 256> makeByEvdev() {
    std::array<uint8_t, 256> t{};
    for (const auto& [code, vk] : kEvdevKeys) t[code] = vk;
    return t;
}

constexpr std::array<uint16_t, 256> makeByVk() {
    std::array<uint16_t, 256> t{};
    for (const auto& [code, vk] : kEvdevKeys)
        if (t[vk] == 0) t[vk] = code;
    return t;
}

constexpr auto kByEvdev = makeByEvdev();
constexpr auto kByVk = makeByVk();

}  // namespace

uint8_t vkFromEvdev(uint16_t evdev) { return evdev < kByEvdev.size() ? kByEvdev[evdev] : 0; }

uint16_t evdevFromVk(uint8_t vk) { return kByVk[vk]; }

}  // namespace vandrel
