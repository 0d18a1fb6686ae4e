#include "profile/ConfigurationCheck.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "config/Settings.h"
#include "keymap/KeyState.h"
#include "keymap/KeyTables.h"

namespace vandrel {

namespace {

constexpr Setting kSettings[] = {Setting::Effect,  Setting::Speed,   Setting::Brightness,
                                 Setting::Colour,  Setting::Direction, Setting::GameMode,
                                 Setting::WinLock, Setting::ReportRate, Setting::ResponseTime};

uint8_t valueOf(const DeviceImage& image, Setting setting) {
    switch (setting) {
    case Setting::Effect: return image.ledEffect;
    case Setting::Speed: return image.ledSpeed;
    case Setting::Brightness: return image.ledBrightness;
    case Setting::Colour: return image.ledColor;
    case Setting::Direction: return image.ledDirection;
    case Setting::GameMode: return image.gameMode;
    case Setting::WinLock: return image.winLock;
    case Setting::ReportRate: return image.reportRate;
    case Setting::ResponseTime: return image.responseTime;
    }
    return 0;
}

// Red, green, blue, yellow, cyan, magenta, white.
constexpr uint8_t kFactoryPalette[kPaletteEntries][3] = {
    {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0xFF, 0x00},
    {0x00, 0xFF, 0xFF}, {0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0xFF},
};

}  // namespace

bool IsPossibleValue(Setting setting, uint8_t v) {
    switch (setting) {
    case Setting::Effect: return config::isEffect(v);
    // The slider ends at 9; a keyboard that reports speed byte 0 is stored as
    // 10, and writing that back sends the keyboard its own byte again.
    case Setting::Speed: return v <= config::kMaxSpeed + 1;
    case Setting::Brightness: return v <= config::kMaxBrightness;
    case Setting::Colour: return v >= 1 && v <= config::kMulticolour;
    case Setting::Direction: return v >= 1 && v <= config::kDirections;
    case Setting::GameMode:
    case Setting::WinLock: return v <= 1;
    case Setting::ReportRate: return v < config::kReportRatesHz.size();
    case Setting::ResponseTime: return v >= 1 && v <= config::kResponseSteps;
    }
    return false;
}

std::optional<BadSetting> FindBadSetting(const DeviceImage& image) {
    for (Setting s : kSettings)
        if (!IsPossibleValue(s, valueOf(image, s))) return BadSetting{s, valueOf(image, s)};
    return std::nullopt;
}

const char* SettingName(Setting setting) {
    switch (setting) {
    case Setting::Effect: return "effect";
    case Setting::Speed: return "speed";
    case Setting::Brightness: return "brightness";
    case Setting::Colour: return "colour";
    case Setting::Direction: return "direction";
    case Setting::GameMode: return "gamemode";
    case Setting::WinLock: return "winlock";
    case Setting::ReportRate: return "rate";
    case Setting::ResponseTime: return "response";
    }
    return "";
}

const char* SettingRange(Setting setting) {
    switch (setting) {
    case Setting::Effect: return "1..6, 8, 10..13, 51..55";
    case Setting::Speed: return "0..9";
    case Setting::Brightness: return "0..50";
    case Setting::Colour: return "1..8";
    case Setting::Direction: return "1..4";
    case Setting::GameMode:
    case Setting::WinLock: return "0 or 1";
    case Setting::ReportRate: return "0..3";
    case Setting::ResponseTime: return "1..10";
    }
    return "";
}

bool DisablesEveryKey(const DeviceImage& image) {
    // The left Windows key's bit follows the lock whatever the mask holds,
    // and that key alone types nothing: it does not count.
    for (int slot = 0; slot < kPhysicalSlots; ++slot)
        if (!(slotMaskByte(slot) == 1 && slotMaskBit(slot) == 0x01) && IsKeyEnabled(image, slot)) return false;
    return true;
}

bool IsBlankImage(const DeviceImage& image) {
    const uint8_t* p = image.bytes();
    return std::all_of(p, p + sizeof image, [](uint8_t b) { return b == 0; });
}

ConfigurationVerdict checkConfiguration(const DeviceImage& image, bool everyKeyConfirmed,
                                        const std::function<std::string(Setting)>& fieldName, std::string& error) {
    if (IsBlankImage(image)) {
        error = "holds no configuration (every byte is 0, as in a profile made by \"new\" in an earlier "
                "version); nothing was written";
        return ConfigurationVerdict::Unwritable;
    }
    if (const std::optional<BadSetting> bad = FindBadSetting(image)) {
        error = fieldName(bad->setting) + " holds " + std::to_string(bad->value) +
                ", which the keyboard cannot take (" + SettingRange(bad->setting) + "); nothing was written";
        return ConfigurationVerdict::Unwritable;
    }
    if (DisablesEveryKey(image) && !everyKeyConfirmed) {
        error = "disables every key, so the keyboard would type nothing; add --yes to write it anyway. "
                "Nothing was written";
        return ConfigurationVerdict::EveryKeyDisabled;
    }
    return ConfigurationVerdict::Writable;
}

DeviceImage FactoryImage() {
    DeviceImage image;
    image.clear();
    std::memcpy(image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
    image.reportRate = 3;
    image.responseTime = 1;
    image.ledEffect = 1;
    image.ledSpeed = 5;
    image.ledBrightness = 50;
    image.ledColor = 1;
    image.ledDirection = 1;
    std::memcpy(image.ledPalette, kFactoryPalette, sizeof kFactoryPalette);
    image.gameMode = 0;
    std::memset(image.keyMask, 0xFF, kKeyMaskBytes);
    return image;
}

}  // namespace vandrel
