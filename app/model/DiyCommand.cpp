#include "app/model/DiyCommand.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vandrel {

namespace {

constexpr const char* kUsage =
    "usage: vandrelctl diy show N [--json] | set N KEY=#RRGGBB ... | fill N ZONE|all #RRGGBB | "
    "import N PICTURE | export N PICTURE | copy N M   (N, M: 1..5)";

struct ActionName {
    const char* name;
    DiyAction action;
    const char* usage;
};
constexpr ActionName kActions[] = {
    {"show", DiyAction::Show, "diy show N [--json]"},
    {"set", DiyAction::Set, "diy set N KEY=#RRGGBB ..."},
    {"fill", DiyAction::Fill, "diy fill N ZONE|all #RRGGBB"},
    {"import", DiyAction::Import, "diy import N PICTURE"},
    {"export", DiyAction::Export, "diy export N PICTURE"},
    {"copy", DiyAction::Copy, "diy copy N M"},
};

// "1".."5" as the map's index 0..4.
bool mapNumber(const std::string& word, int& map, std::string& error) {
    if (word.size() == 1 && word[0] >= '1' && word[0] <= '5') {
        map = word[0] - '1';
        return true;
    }
    error = "'" + word + "' is not a custom map; the maps are numbered 1 to 5 (DIY1..DIY5)";
    return false;
}

// A colour as typed: #RRGGBB, or "none" for a key without a colour.
bool colourWord(const std::string& word, Rgb& colour, std::string& error) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "none") {
        colour = Rgb{};
        return true;
    }
    if (const std::optional<Rgb> c = parseHexColour(word)) {
        colour = *c;
        return true;
    }
    error = "'" + word + "' is not a colour; write #RRGGBB (six hex digits) or none";
    return false;
}

bool keyWord(const std::string& name, int& slot, std::string& error) {
    if (const std::optional<int> s = diySlotByName(name)) {
        slot = *s;
        return true;
    }
    if (diyMediaKeyName(name))
        error = "'" + name + "' is a media key; the media keys have no light";
    else
        error = "unknown key '" + name + "' (key names as 'vandrelctl diy show' lists them: W, Esc, F5, LShift, Keypad 1)";
    return false;
}

std::string zoneList() {
    std::string list;
    for (int i = 0; i < kDiyZoneCount; ++i) list += (i ? ", " : "") + std::string(diyZoneName(static_cast<DiyZone>(i)));
    return list;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

const char* diyActionName(DiyAction action) {
    for (const ActionName& a : kActions)
        if (a.action == action) return a.name;
    return "";
}

bool diyChangesMaps(DiyAction action) {
    return action == DiyAction::Set || action == DiyAction::Fill || action == DiyAction::Import ||
           action == DiyAction::Copy;
}

DiyParse parseDiyCommand(const std::vector<std::string>& words) {
    DiyParse r;
    DiyRequest& q = r.request;
    const ActionName* action = nullptr;
    if (!words.empty())
        for (const ActionName& a : kActions)
            if (words[0] == a.name) action = &a;
    if (!action) {
        r.error = kUsage;
        return r;
    }
    q.action = action->action;
    const std::string usage = std::string("usage: vandrelctl ") + action->usage;
    const size_t n = words.size();
    const bool counted = q.action == DiyAction::Set      ? n >= 3
                         : q.action == DiyAction::Show   ? n == 2
                         : q.action == DiyAction::Fill   ? n == 4
                                                         : n == 3;
    if (!counted) {
        r.error = usage;
        return r;
    }
    if (!mapNumber(words[1], q.map, r.error)) return r;
    switch (q.action) {
    case DiyAction::Show: break;
    case DiyAction::Set:
        for (size_t i = 2; i < n; ++i) {
            const std::string& w = words[i];
            const size_t eq = w.rfind('=');
            if (eq == std::string::npos || eq == 0) {
                r.error = "'" + w + "' is not KEY=#RRGGBB; " + usage;
                return r;
            }
            int slot = -1;
            Rgb colour;
            if (!keyWord(w.substr(0, eq), slot, r.error) || !colourWord(w.substr(eq + 1), colour, r.error)) return r;
            q.keys.emplace_back(slot, colour);
        }
        break;
    case DiyAction::Fill: {
        const std::optional<DiyZone> zone = diyZoneByName(words[2]);
        if (!zone) {
            r.error = "unknown zone '" + words[2] + "'; the zones are " + zoneList();
            return r;
        }
        q.zone = diyZoneSlots(*zone);
        if (!colourWord(words[3], q.colour, r.error)) return r;
        break;
    }
    case DiyAction::Import:
    case DiyAction::Export:
        q.path = words[2];
        if (q.path.empty()) r.error = usage;
        break;
    case DiyAction::Copy: mapNumber(words[2], q.target, r.error); break;
    }
    return r;
}

int paintDiyRequest(DeviceImage& image, const DiyRequest& request, const std::array<Rgb, kPhysicalSlots>* picture) {
    switch (request.action) {
    case DiyAction::Set: {
        int changed = 0;
        for (const auto& [slot, colour] : request.keys) changed += setDiyKeyColour(image, request.map, slot, colour);
        return changed;
    }
    case DiyAction::Fill: return fillDiyKeys(image, request.map, request.zone, request.colour);
    case DiyAction::Import: return picture ? importDiyColours(image, request.map, *picture) : 0;
    case DiyAction::Copy: return copyDiyMap(image, request.map, request.target);
    case DiyAction::Show:
    case DiyAction::Export: break;
    }
    return 0;
}

std::string diyChangeSummary(const DiyRequest& request, int changed) {
    const int map = (request.action == DiyAction::Copy ? request.target : request.map) + 1;
    const std::string name = "DIY" + std::to_string(map) + ": ";
    if (changed <= 0) return name + "nothing changed.";
    return name + std::to_string(changed) + (changed == 1 ? " key changed." : " keys changed.");
}

std::string diyMapText(const DeviceImage& image, int map) {
    std::string text = "DIY" + std::to_string(map + 1) + "\n";
    for (int slot : diyPaintableSlots()) {
        const Rgb c = diyKeyColour(image, map, slot);
        std::string name = diySlotName(slot);
        if (name.size() < 14) name.resize(14, ' ');
        text += "  " + name + " " + (c.black() ? std::string("none") : hexColour(c)) + "\n";
    }
    return text;
}

std::string diyMapJson(const DeviceImage& image, int map) {
    std::string json = "{";
    bool first = true;
    for (int slot : diyPaintableSlots()) {
        const Rgb c = diyKeyColour(image, map, slot);
        json += (first ? "\n  " : ",\n  ") + jsonString(diySlotName(slot)) + ": " +
                (c.black() ? std::string("null") : jsonString(hexColour(c)));
        first = false;
    }
    return json + "\n}\n";
}

}  // namespace vandrel
