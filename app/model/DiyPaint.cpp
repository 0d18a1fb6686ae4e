#include "app/model/DiyPaint.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "keys/KeyNameTable.h"
#include "util/Utf16.h"

namespace vandrel {

namespace {

uint8_t* cellOf(DeviceImage& image, int map, int slot) { return image.diyMaps[map] + SlotCellOffset[slot]; }
const uint8_t* cellOf(const DeviceImage& image, int map, int slot) {
    return image.diyMaps[map] + SlotCellOffset[slot];
}

bool validMap(int map) { return map >= 0 && map < static_cast<int>(kDiyMapCount); }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lower case without blanks and underscores: "Print Screen", "print_screen"
// and "PRINTSCREEN" are one name. Dashes stay: "-" is a key.
std::string folded(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == ' ' || c == '_' || c == '\t') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::vector<int> slots(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<int> out;
    for (auto [first, last] : ranges)
        for (int s = first; s <= last; ++s) out.push_back(s);
    std::sort(out.begin(), out.end());
    return out;
}

// The key table's name of a slot without its trailing blank.
std::string tableName(int slot) {
    std::string s = utf16ToUtf8(keyNames().name(SlotHomeVk[slot]));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool isKeypadSlot(int slot) {
    static const std::vector<int> keypad = diyZoneSlots(DiyZone::Numpad);
    return std::binary_search(keypad.begin(), keypad.end(), slot);
}

// Every name a slot answers to, folded. The first is the one diySlotName gives.
std::vector<std::string> namesOf(int slot) {
    std::vector<std::string> names;
    const std::string label = KeyGeometry[slot].label;
    if (slot == 37) return {"Num Lock", "Num", "NumLk"};
    if (isKeypadSlot(slot)) {
        const std::string cap = label == "Ent" ? std::string("Enter") : label;
        return {"Keypad " + cap, "KP" + cap};
    }
    switch (slot) {
    case 13: names = {"Print Screen", "Prnt", "PrtSc"}; break;
    case 14: names = {"Scroll Lock", "Scrl", "Scrol"}; break;
    case 34: names = {"Insert", "Ins"}; break;
    case 55: names = {"Delete", "Del"}; break;
    case 36: names = {"Page Up", "PgUp"}; break;
    case 57: names = {"Page Down", "PgDn"}; break;
    case 33: names = {"Backspace", "Back"}; break;
    case 74: names = {"Enter", "Ent", "Return"}; break;
    case 20: names = {"~", "`", "Tilde", "Grave"}; break;
    case 78: names = {"LShift", "Shift"}; break;
    case 89: names = {"RShift"}; break;
    case 95: names = {"LCtrl", "Ctrl"}; break;
    case 102: names = {"RCtrl"}; break;
    case 97: names = {"LAlt", "Alt"}; break;
    case 99: names = {"RAlt", "AltGr"}; break;
    case 96: names = {"Win", "LWin", "Super"}; break;
    case 100: names = {"Fn"}; break;
    case 101: names = {"App", "Apps", "Menu"}; break;
    case 31: names = {"-", "Minus"}; break;
    case 88: names = {"/", "Slash"}; break;
    case 87: names = {".", "Period"}; break;
    default: names = {label}; break;
    }
    const std::string table = tableName(slot);
    if (!table.empty() && std::find(names.begin(), names.end(), table) == names.end()) names.push_back(table);
    return names;
}

}  // namespace

std::optional<Rgb> parseHexColour(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    uint8_t v[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        v[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return Rgb{v[0], v[1], v[2]};
}

std::string hexColour(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
    return buf;
}

bool diyPaintable(int slot) { return slot >= 0 && slot < kPhysicalSlots && !isMediaSlot(slot); }

const std::vector<int>& diyPaintableSlots() {
    static const std::vector<int> all = [] {
        std::vector<int> v;
        for (int s = 0; s < kPhysicalSlots; ++s)
            if (diyPaintable(s)) v.push_back(s);
        return v;
    }();
    return all;
}

const char* diyZoneName(DiyZone zone) {
    switch (zone) {
    case DiyZone::Letters: return "letters";
    case DiyZone::Digits: return "digits";
    case DiyZone::FunctionRow: return "frow";
    case DiyZone::Wasd: return "wasd";
    case DiyZone::Arrows: return "arrows";
    case DiyZone::Navigation: return "nav";
    case DiyZone::Numpad: return "numpad";
    case DiyZone::Modifiers: return "modifiers";
    case DiyZone::All: return "all";
    }
    return "";
}

std::optional<DiyZone> diyZoneByName(std::string_view name) {
    std::string n = folded(name);
    n.erase(std::remove(n.begin(), n.end(), '-'), n.end());
    for (int i = 0; i < kDiyZoneCount; ++i)
        if (n == diyZoneName(static_cast<DiyZone>(i))) return static_cast<DiyZone>(i);
    if (n == "fkeys" || n == "functionrow" || n == "function") return DiyZone::FunctionRow;
    if (n == "navigation") return DiyZone::Navigation;
    if (n == "keypad") return DiyZone::Numpad;
    if (n == "mods") return DiyZone::Modifiers;
    if (n == "letter") return DiyZone::Letters;
    if (n == "arrow") return DiyZone::Arrows;
    return std::nullopt;
}

const std::vector<int>& diyZoneSlots(DiyZone zone) {
    static const std::array<std::vector<int>, kDiyZoneCount> zones = {
        slots({{42, 51}, {63, 71}, {79, 85}}),                                   // Q..P, A..L, Z..M
        slots({{21, 30}}),                                                       // 1..0 above the letters
        slots({{1, 12}}),                                                        // F1..F12
        slots({{43, 43}, {63, 65}}),                                             // W, A, S, D
        slots({{90, 90}, {103, 105}}),                                           // the four arrows
        slots({{13, 15}, {34, 36}, {55, 57}}),                                   // Print..Pause, Ins..PgDn
        slots({{37, 40}, {58, 61}, {75, 77}, {91, 94}, {106, 107}}),             // the keypad
        slots({{78, 78}, {89, 89}, {95, 97}, {99, 100}, {102, 102}}),            // Shift, Ctrl, Win, Alt, Fn
        {},
    };
    if (zone == DiyZone::All) return diyPaintableSlots();
    return zones[static_cast<size_t>(zone)];
}

std::optional<int> diySlotByName(std::string_view name) {
    static const std::vector<std::vector<std::string>> table = [] {
        std::vector<std::vector<std::string>> t(kPhysicalSlots);
        for (int s : diyPaintableSlots())
            for (const std::string& n : namesOf(s)) t[s].push_back(folded(n));
        return t;
    }();
    const std::string n = folded(name);
    if (n.empty()) return std::nullopt;
    // The first slot that answers to the name: the main block comes before
    // the keypad in slot order wherever both show the same cap.
    for (int s : diyPaintableSlots())
        if (std::find(table[s].begin(), table[s].end(), n) != table[s].end()) return s;
    return std::nullopt;
}

std::string diySlotName(int slot) {
    if (!diyPaintable(slot)) return {};
    return namesOf(slot).front();
}

bool diyMediaKeyName(std::string_view name) {
    const std::string n = folded(name);
    if (n.empty()) return false;
    for (int s = kFirstMediaSlot; s <= kLastMediaSlot; ++s)
        if (n == folded(tableName(s))) return true;
    static const char* const spoken[] = {"mute",      "volumeup",  "volumedown", "volup", "voldown", "vol+",
                                         "vol-",      "play",      "pause",      "playpause", "next", "prev",
                                         "previous",  "stop",      "media"};
    return std::find(std::begin(spoken), std::end(spoken), n) != std::end(spoken);
}

Rgb diyKeyColour(const DeviceImage& image, int map, int slot) {
    if (!validMap(map) || slot < 0 || slot >= kPhysicalSlots) return {};
    const uint8_t* c = cellOf(image, map, slot);
    return {c[1], c[2], c[3]};
}

bool setDiyKeyColour(DeviceImage& image, int map, int slot, Rgb colour) {
    if (!validMap(map) || !diyPaintable(slot)) return false;
    uint8_t* c = cellOf(image, map, slot);
    if (c[0] == 0 && c[1] == colour.r && c[2] == colour.g && c[3] == colour.b) return false;
    c[0] = 0;
    c[1] = colour.r;
    c[2] = colour.g;
    c[3] = colour.b;
    return true;
}

int fillDiyKeys(DeviceImage& image, int map, const std::vector<int>& keys, Rgb colour) {
    int changed = 0;
    for (int s : keys) changed += setDiyKeyColour(image, map, s, colour) ? 1 : 0;
    return changed;
}

int gradientDiyKeys(DeviceImage& image, int map, const std::vector<int>& keys, Rgb from, Rgb to,
                    GradientAxis axis) {
    // Twice the centre, so that it stays a whole number.
    auto centre2 = [axis](int s) {
        const KeyRect& r = KeyGeometry[s].rect;
        return axis == GradientAxis::Horizontal ? r.left + r.right : r.top + r.bottom;
    };
    int lo = 0, hi = 0;
    bool any = false;
    for (int s : keys) {
        if (!diyPaintable(s)) continue;
        const int c = centre2(s);
        lo = any ? std::min(lo, c) : c;
        hi = any ? std::max(hi, c) : c;
        any = true;
    }
    if (!any) return 0;
    auto mix = [](uint8_t a, uint8_t b, int num, int den) {
        return static_cast<uint8_t>((a * (den - num) + b * num + den / 2) / den);
    };
    int changed = 0;
    for (int s : keys) {
        if (!diyPaintable(s)) continue;
        const int den = hi - lo, num = centre2(s) - lo;
        const Rgb c = den == 0 ? from
                               : Rgb{mix(from.r, to.r, num, den), mix(from.g, to.g, num, den),
                                     mix(from.b, to.b, num, den)};
        changed += setDiyKeyColour(image, map, s, c) ? 1 : 0;
    }
    return changed;
}

std::vector<int> diySlotsInRect(KeyRect rect) {
    const int left = std::min(rect.left, rect.right), right = std::max(rect.left, rect.right);
    const int top = std::min(rect.top, rect.bottom), bottom = std::max(rect.top, rect.bottom);
    std::vector<int> out;
    for (int s : diyPaintableSlots()) {
        const KeyRect& k = KeyGeometry[s].rect;
        if (k.right >= left && k.left <= right && k.bottom >= top && k.top <= bottom) out.push_back(s);
    }
    return out;
}

int copyDiyMap(DeviceImage& image, int from, int to) {
    if (!validMap(from) || !validMap(to) || from == to) return 0;
    int changed = 0;
    for (int s : diyPaintableSlots()) changed += setDiyKeyColour(image, to, s, diyKeyColour(image, from, s)) ? 1 : 0;
    return changed;
}

int swapDiyMaps(DeviceImage& image, int a, int b) {
    if (!validMap(a) || !validMap(b) || a == b) return 0;
    int changed = 0;
    for (int s : diyPaintableSlots()) {
        const Rgb ca = diyKeyColour(image, a, s), cb = diyKeyColour(image, b, s);
        changed += setDiyKeyColour(image, a, s, cb) ? 1 : 0;
        changed += setDiyKeyColour(image, b, s, ca) ? 1 : 0;
    }
    return changed;
}

int clearDiyMap(DeviceImage& image, int map) { return fillDiyKeys(image, map, diyPaintableSlots(), Rgb{}); }

std::array<Rgb, kPhysicalSlots> sampleDiyPicture(const uint32_t* pixels, int width, int height, int bytesPerLine) {
    std::array<Rgb, kPhysicalSlots> out{};
    if (!pixels || width <= 0 || height <= 0 || bytesPerLine < width * 4) return out;
    const auto* base = reinterpret_cast<const uint8_t*>(pixels);
    for (int s : diyPaintableSlots()) {
        const KeyRect& k = KeyGeometry[s].rect;
        // The key's rectangle in the picture's coordinates, cut to the picture.
        const int x0 = std::max(0, k.left - kDiyPictureLeft), x1 = std::min(width - 1, k.right - kDiyPictureLeft);
        const int y0 = std::max(0, k.top - kDiyPictureTop), y1 = std::min(height - 1, k.bottom - kDiyPictureTop);
        if (x0 > x1 || y0 > y1) continue;
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (int y = y0; y <= y1; ++y) {
            uint32_t px;
            for (int x = x0; x <= x1; ++x) {
                std::memcpy(&px, base + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(x) * 4, 4);
                r += (px >> 16) & 0xFF;
                g += (px >> 8) & 0xFF;
                b += px & 0xFF;
                ++n;
            }
        }
        out[s] = Rgb{static_cast<uint8_t>((r + n / 2) / n), static_cast<uint8_t>((g + n / 2) / n),
                     static_cast<uint8_t>((b + n / 2) / n)};
    }
    return out;
}

int importDiyColours(DeviceImage& image, int map, const std::array<Rgb, kPhysicalSlots>& colours) {
    int changed = 0;
    for (int s : diyPaintableSlots()) changed += setDiyKeyColour(image, map, s, colours[s]) ? 1 : 0;
    return changed;
}

}  // namespace vandrel
