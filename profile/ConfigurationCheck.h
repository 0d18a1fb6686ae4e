#pragma once
// What a whole configuration must hold before it may reach the keyboard, for
// every path that takes one from a file (a profile, a JSON import): each
// setting within the range the keyboard takes, which are the ranges the
// lighting panel offers and `vandrelctl set` accepts, and at least one key
// enabled unless the user confirmed otherwise.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "device/DeviceImage.h"

namespace vandrel {

// The single-byte settings, in the order they are checked (and shown).
enum class Setting : uint8_t {
    Effect,
    Speed,
    Brightness,
    Colour,
    Direction,
    GameMode,
    WinLock,
    ReportRate,
    ResponseTime,
};

struct BadSetting {
    Setting setting;
    uint8_t value;  // as the image holds it
};

// Whether the keyboard takes `value` for the setting, as the image stores it.
bool IsPossibleValue(Setting setting, uint8_t value);
// The first setting whose value the keyboard cannot take, or nothing.
std::optional<BadSetting> FindBadSetting(const DeviceImage& image);
// The setting's name as the command line spells it: "effect", "rate", ...
const char* SettingName(Setting setting);
// The values the image may hold, for messages: "0..50", "1..4", ...
const char* SettingRange(Setting setting);

// No key of the keyboard is enabled but perhaps the left Windows key: the
// keyboard would type nothing.
bool DisablesEveryKey(const DeviceImage& image);

// Whether a configuration taken from a file may be written.
enum class ConfigurationVerdict {
    Writable,
    Unwritable,        // a blank image, or a setting the keyboard cannot take
    EveryKeyDisabled,  // every key disabled, and the user did not confirm it
};
// Checks a configuration from a file before it is written: `fieldName` names
// a bad setting as the file does; `error` says why it may not be written,
// without naming the file.
ConfigurationVerdict checkConfiguration(const DeviceImage& image, bool everyKeyConfirmed,
                                        const std::function<std::string(Setting)>& fieldName, std::string& error);

// Every byte zero: no configuration at all. Earlier versions stored this for
// a profile made by "new".
bool IsBlankImage(const DeviceImage& image);

// The configuration of a keyboard fresh from the factory: the factory key
// table with every key enabled, steady lighting in palette colour 1 at full
// brightness, the seven primary palette colours, 1000 Hz, 2 ms, game mode off.
// The simulated keyboard starts in it, and a new profile holds it when no
// configuration was read.
DeviceImage FactoryImage();

}  // namespace vandrel
