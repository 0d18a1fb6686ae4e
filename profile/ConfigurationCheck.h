#pragma once
// What a whole configuration must hold before it may reach the keyboard, for
// every path that takes one from a file (a profile, a JSON import): each
// setting within the range the keyboard takes, which are the ranges the
// lighting panel offers and `vandrelctl set` accepts, and at least one key
// enabled unless the user confirmed otherwise.

#include <cstdint>
#include <optional>

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
