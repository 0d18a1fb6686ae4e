#include "config/Settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "device/Transfers.h"

namespace vandrel::config {

namespace {

struct Named {
    const char* name;
    uint8_t value;
};

constexpr std::array<Named, 4> kDirectionNames = {{{"left", 1}, {"right", 2}, {"up", 3}, {"down", 4}}};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool lookupEffect(const std::string& text, uint8_t& out) {
    const std::string t = lower(text);
    for (const Effect& e : kEffects)
        if (t == e.name) {
            out = e.code;
            return true;
        }
    return false;
}

template <size_t N>
bool lookup(const std::array<Named, N>& table, const std::string& text, uint8_t& out) {
    const std::string t = lower(text);
    for (const Named& n : table)
        if (t == n.name) {
            out = n.value;
            return true;
        }
    return false;
}

template <size_t N>
std::string nameOf(const std::array<Named, N>& table, uint8_t value) {
    for (const Named& n : table)
        if (n.value == value) return n.name;
    return {};
}

// A whole decimal number in [lo, hi].
bool parseInt(const std::string& text, int lo, int hi, int& out) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    out = std::atoi(text.c_str());
    return out >= lo && out <= hi;
}

// Canonical setting names and the aliases people type.
std::string canonicalKey(const std::string& typed) {
    const std::string k = lower(typed);
    if (k == "color") return "colour";
    if (k == "game" || k == "game-mode" || k == "game_mode") return "gamemode";
    if (k == "win-lock" || k == "win_lock") return "winlock";
    if (k == "reportrate" || k == "report-rate" || k == "report_rate") return "rate";
    if (k == "responsetime" || k == "response-time" || k == "response_time") return "response";
    if (k.size() == 7 && k.compare(0, 6, "color") == 0) return "palette" + k.substr(5);
    if (k.size() == 8 && k.compare(0, 7, "palette") == 0 && k[7] >= '1' && k[7] <= '7') return k;
    if (k.size() == 7 && k.compare(0, 6, "colour") == 0 && k[6] >= '1' && k[6] <= '7') return "palette" + k.substr(6);
    static const char* const kPlain[] = {"effect", "speed", "brightness", "colour", "direction",
                                         "gamemode", "winlock", "rate", "response"};
    for (const char* p : kPlain)
        if (k == p) return k;
    return {};
}

// Checks one value; the error names what would have been accepted.
bool checkValue(const std::string& key, const std::string& value, std::string& error) {
    uint8_t b = 0;
    uint8_t rgb[3];
    int n = 0;
    bool ok = false;
    const char* expected = "";
    if (key == "effect") {
        ok = parseEffect(value, b);
        expected = "steady, breathing, wave, fade, snake, ripple, neon, raindrops, ring, collide, radar, diy1..diy5";
    } else if (key == "speed") {
        ok = parseInt(value, 0, kMaxSpeed, n);
        expected = "0..9";
    } else if (key == "brightness") {
        ok = parseInt(value, 0, kMaxBrightness, n);
        expected = "0..50";
    } else if (key == "colour") {
        ok = parseColour(value, b);
        expected = "1..7 (a palette entry) or multi";
    } else if (key == "direction") {
        ok = parseDirection(value, b);
        expected = "left, right, up, down";
    } else if (key == "gamemode" || key == "winlock") {
        ok = parseOnOff(value, b);
        expected = "on or off";
    } else if (key == "rate") {
        ok = parseReportRate(value, b);
        expected = "125, 250, 500 or 1000";
    } else if (key == "response") {
        ok = parseResponseMs(value, b);
        expected = "2, 4, ... 20 (milliseconds)";
    } else {
        ok = parseRgb(value, rgb);
        expected = "a colour #RRGGBB";
    }
    if (!ok) error = key + "=" + value + ": expected " + expected;
    return ok;
}

}  // namespace

bool isEffect(uint8_t code) {
    for (const Effect& e : kEffects)
        if (e.code == code) return true;
    return false;
}
bool isDiyEffect(uint8_t code) { return code >= kFirstDiyEffect; }
bool takesColour(uint8_t effect) { return !isDiyEffect(effect); }
bool hasMulticolour(uint8_t effect) { return effect != kSteadyEffect; }
bool isMulticolourOnly(uint8_t effect) { return effect == 3 || effect == 8; }

uint8_t colourForEffect(uint8_t effect, uint8_t colour) {
    if (!hasMulticolour(effect) && colour == kMulticolour) return 1;
    if (isMulticolourOnly(effect)) return kMulticolour;
    return colour;
}

bool parseEffect(const std::string& text, uint8_t& code) { return lookupEffect(text, code); }
bool parseDirection(const std::string& text, uint8_t& direction) { return lookup(kDirectionNames, text, direction); }

bool parseColour(const std::string& text, uint8_t& colour) {
    if (lower(text) == "multi") {
        colour = kMulticolour;
        return true;
    }
    int n = 0;
    if (!parseInt(text, 1, kPaletteColours, n)) return false;
    colour = static_cast<uint8_t>(n);
    return true;
}

bool parseReportRate(const std::string& text, uint8_t& rate) {
    std::string t = lower(text);
    if (t.size() > 2 && t.compare(t.size() - 2, 2, "hz") == 0) t.resize(t.size() - 2);
    int hz = 0;
    if (!parseInt(t, 0, 100000, hz)) return false;
    for (size_t i = 0; i < kReportRatesHz.size(); ++i)
        if (kReportRatesHz[i] == hz) {
            rate = static_cast<uint8_t>(i);
            return true;
        }
    return false;
}

bool parseOnOff(const std::string& text, uint8_t& v) {
    const std::string t = lower(text);
    if (t == "on" || t == "1" || t == "true" || t == "yes") v = 1;
    else if (t == "off" || t == "0" || t == "false" || t == "no") v = 0;
    else return false;
    return true;
}

bool parseResponseMs(const std::string& text, uint8_t& responseTime) {
    std::string t = lower(text);
    if (t.size() > 2 && t.compare(t.size() - 2, 2, "ms") == 0) t.resize(t.size() - 2);
    int ms = 0;
    if (!parseInt(t, 2, 2 * kResponseSteps, ms) || ms % 2 != 0) return false;
    responseTime = static_cast<uint8_t>(ms / 2);
    return true;
}

bool parseRgb(const std::string& text, uint8_t* rgb) {
    std::string t = text;
    if (!t.empty() && t[0] == '#') t.erase(0, 1);
    if (t.size() != 6) return false;
    for (char c : t)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<uint8_t>(std::strtoul(t.substr(2 * i, 2).c_str(), nullptr, 16));
    return true;
}

std::string effectName(uint8_t code) {
    for (const Effect& e : kEffects)
        if (e.code == code) return e.name;
    return {};
}
std::string directionName(uint8_t direction) { return nameOf(kDirectionNames, direction); }
std::string colourName(uint8_t colour) {
    if (colour == kMulticolour) return "multi";
    if (colour >= 1 && colour <= kPaletteColours) return std::to_string(colour);
    return {};
}
int reportRateHz(uint8_t rate) { return rate < kReportRatesHz.size() ? kReportRatesHz[rate] : 0; }
std::string onOff(uint8_t v) { return v ? "on" : "off"; }
std::string rgbText(const uint8_t* rgb) {
    char b[8];
    std::snprintf(b, sizeof b, "#%02X%02X%02X", rgb[0], rgb[1], rgb[2]);
    return b;
}

SettingsParse parseSettings(const std::vector<std::string>& args) {
    SettingsParse out;
    auto fail = [&out](std::string why) {
        out.ok = false;
        out.error = std::move(why);
        out.changes.clear();
        return out;
    };
    if (args.empty()) return fail("set needs at least one KEY=VALUE");
    for (const std::string& a : args) {
        const size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) return fail("'" + a + "' is not KEY=VALUE");
        const std::string key = canonicalKey(a.substr(0, eq));
        const std::string value = a.substr(eq + 1);
        if (key.empty()) return fail("unknown setting '" + a.substr(0, eq) + "' (see --help)");
        for (const SettingChange& c : out.changes)
            if (c.key == key) return fail("'" + key + "' is given twice");
        std::string error;
        if (!checkValue(key, value, error)) return fail(error);
        out.changes.push_back({key, value});
    }
    return out;
}

bool applySettings(const std::vector<SettingChange>& changes, DeviceImage& image, std::string& error) {
    DeviceImage next = image;
    bool colourGiven = false;
    for (const SettingChange& c : changes) {
        int n = 0;
        if (c.key == "effect") parseEffect(c.value, next.ledEffect);
        else if (c.key == "speed" && parseInt(c.value, 0, kMaxSpeed, n)) next.ledSpeed = static_cast<uint8_t>(n);
        else if (c.key == "brightness" && parseInt(c.value, 0, kMaxBrightness, n))
            next.ledBrightness = static_cast<uint8_t>(n);
        else if (c.key == "colour") colourGiven = parseColour(c.value, next.ledColor);
        else if (c.key == "direction") parseDirection(c.value, next.ledDirection);
        else if (c.key == "gamemode") parseOnOff(c.value, next.gameMode);
        else if (c.key == "winlock") parseOnOff(c.value, next.winLock);
        else if (c.key == "rate") parseReportRate(c.value, next.reportRate);
        else if (c.key == "response") parseResponseMs(c.value, next.responseTime);
        else if (c.key.compare(0, 7, "palette") == 0) parseRgb(c.value, next.ledPalette[c.key[7] - '1']);
    }
    // The effect's own colour rules, as choosing it in the window applies
    // them; a colour given with it must already follow them.
    const uint8_t effect = next.ledEffect;
    const uint8_t shown = colourForEffect(effect, next.ledColor);
    if (colourGiven && shown != next.ledColor) {
        error = hasMulticolour(effect) ? "colour: the " + effectName(effect) + " effect is always multicolour"
                                       : "colour=multi: the steady effect has no multicolour mode";
        return false;
    }
    next.ledColor = shown;
    image = next;
    return true;
}

ChangeFlags sectionsOf(const std::vector<SettingChange>& changes) {
    ChangeFlags f;
    for (const SettingChange& c : changes) {
        if (c.key == "effect" || c.key == "speed" || c.key == "brightness" || c.key == "colour" || c.key == "direction")
            f.lighting = true;
        else if (c.key == "gamemode") f.gameMode = true;
        else if (c.key == "winlock") f.keyMask = true;
        else if (c.key == "rate") f.reportRate = true;
        else if (c.key == "response") f.responseTime = true;
        else f.palette = true;
    }
    return f;
}

std::string settingsHelp() {
    return "  effect=NAME         steady, breathing, wave, fade, snake, ripple, neon,\n"
           "                      raindrops, ring, collide, radar, diy1 .. diy5\n"
           "  speed=0..9          effect speed, 9 the fastest\n"
           "  brightness=0..50    brightness, 0 dark\n"
           "  colour=1..7|multi   palette entry, or the multicolour mode (also color=)\n"
           "  direction=DIR       left, right, up or down (wave and radar)\n"
           "  palette1..palette7=#RRGGBB\n"
           "                      the seven palette colours\n"
           "  gamemode=on|off     game mode\n"
           "  winlock=on|off      the Windows-key lock\n"
           "  rate=HZ             USB report rate: 125, 250, 500 or 1000\n"
           "  response=MS         key response time: 2, 4, ... 20 ms\n";
}

}  // namespace vandrel::config
