#pragma once
// The lighting and performance settings by their English names, as the
// command line reads and prints them: "effect=breathing brightness=3
// rate=1000 winlock=on". Every value is checked before anything changes.

#include <string>
#include <vector>

#include "device/DeviceImage.h"
#include "device/Transfers.h"

namespace vandrel::config {

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
