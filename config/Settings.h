#pragma once
// The lighting and performance settings by their English names, as the
// command line reads and prints them: "effect=breathing brightness=3
// rate=1000 winlock=on". Every value is checked before anything changes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceImage.h"

namespace vandrel {
struct ChangeFlags;  // device/Transfers.h
}

namespace vandrel::config {

// The effects in the order of the effect list: the code the keyboard takes
// and the English name the command line and the JSON use. Codes 51..55 light
// the custom colour maps.
struct Effect {
    uint8_t code;
    const char* name;
};
constexpr std::array<Effect, 16> kEffects = {{
    {1, "steady"},     {2, "breathing"}, {3, "wave"},  {4, "fade"},     {5, "snake"},  {6, "ripple"},
    {8, "neon"},       {10, "raindrops"}, {11, "ring"}, {12, "collide"}, {13, "radar"}, {51, "diy1"},
    {52, "diy2"},      {53, "diy3"},     {54, "diy4"}, {55, "diy5"},
}};
constexpr uint8_t kSteadyEffect = 1;
constexpr uint8_t kFirstDiyEffect = 51;  // code 51 + n lights custom map n

// The colour byte: a palette entry 1..7, or the multicolour mode.
constexpr int kPaletteColours = 7;
constexpr uint8_t kMulticolour = 8;

// The ranges of the other settings, as the keyboard stores them.
constexpr uint8_t kMaxSpeed = 9;
constexpr uint8_t kMaxBrightness = 50;
constexpr std::array<int, 4> kReportRatesHz = {125, 250, 500, 1000};  // by the stored index
constexpr int kDirections = 4;                                         // left, right, up, down: 1..4
constexpr int kResponseSteps = 10;                                     // 2, 4, ... 20 ms: 1..10

// Whether `code` is an effect of the list.
bool isEffect(uint8_t code);
// A custom map's effect: its keys' own colours, no palette colour, no speed.
bool isDiyEffect(uint8_t code);
// The lighting rules of the colour: the effects whose colour the user
// chooses (all but the custom maps'); steady has no multicolour mode; wave
// and neon have only that one.
bool takesColour(uint8_t effect);
bool hasMulticolour(uint8_t effect);
bool isMulticolourOnly(uint8_t effect);
// The colour an effect is shown in once chosen with `colour` set before:
// steady turns multicolour into palette entry 1, wave and neon are always
// multicolour, the rest keep it.
uint8_t colourForEffect(uint8_t effect, uint8_t colour);

// One KEY=VALUE argument after its value was checked.
struct SettingChange {
    std::string key;    // canonical name ("colour", "palette3", ...)
    std::string value;  // as typed
};

struct SettingsParse {
    bool ok = true;
    std::string error;  // what was wrong, for the user
    std::vector<SettingChange> changes;
};

// Checks every argument; nothing is applied. Unknown names, bad values and a
// setting given twice are errors.
SettingsParse parseSettings(const std::vector<std::string>& args);

// Applies checked changes to the image, with the rules the lighting panel
// keeps: "steady" has no multicolour mode, "wave" and "neon" only that one.
// Fails (image untouched) when the changes contradict those rules.
bool applySettings(const std::vector<SettingChange>& changes, DeviceImage& image, std::string& error);

// The sections of the image the changes touch (to read them before and to
// write them after).
ChangeFlags sectionsOf(const std::vector<SettingChange>& changes);

// English names of values, for show and export. Empty when the value has none.
std::string effectName(uint8_t code);
std::string directionName(uint8_t direction);
std::string colourName(uint8_t colour);  // "1".."7", "multi"
// 125, 250, 500, 1000; 0 when out of range.
int reportRateHz(uint8_t rate);
std::string onOff(uint8_t v);
std::string rgbText(const uint8_t* rgb);  // "#RRGGBB"
bool parseRgb(const std::string& text, uint8_t* rgb);

// Parsers for the same names (false when the text is none of them).
bool parseEffect(const std::string& text, uint8_t& code);
bool parseDirection(const std::string& text, uint8_t& direction);
bool parseColour(const std::string& text, uint8_t& colour);
bool parseReportRate(const std::string& text, uint8_t& rate);
bool parseOnOff(const std::string& text, uint8_t& v);
bool parseResponseMs(const std::string& text, uint8_t& responseTime);

// The help text's table of settings.
std::string settingsHelp();

}  // namespace vandrel::config
