#pragma once
// Painting the five custom colour maps: one key, a set of keys, a named zone,
// a gradient across keys by their place on the picture, a picture sampled
// key by key, and whole maps copied, swapped or cleared. Every function works
// on a DeviceImage (the working copy) and says how many keys it changed, so
// that a caller records an undo step only when something changed.
//
// A map cell is 4 bytes (0, R, G, B) at the key's cell offset; black is
// "no colour": the picture shows the key unpainted. The media keys above the
// keyboard have no light and are never painted.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/KeyGeometry.h"
#include "device/DeviceImage.h"
#include "keymap/KeyTables.h"

namespace vandrel {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
    bool black() const { return (r | g | b) == 0; }
};

// "#RRGGBB" (the '#' may be left out; upper or lower case), or nothing.
std::optional<Rgb> parseHexColour(std::string_view text);
// "#RRGGBB", upper case.
std::string hexColour(Rgb c);

// A key that carries a colour in the maps: a physical key but not a media key.
bool diyPaintable(int slot);
// Every paintable key, in slot order.
const std::vector<int>& diyPaintableSlots();

// The named zones of the keyboard a fill can take at once.
enum class DiyZone { Letters, Digits, FunctionRow, Wasd, Arrows, Navigation, Numpad, Modifiers, All };
constexpr int kDiyZoneCount = 9;
// The zone's name in the tool and the files ("letters", "digits", "frow",
// "wasd", "arrows", "nav", "numpad", "modifiers", "all").
const char* diyZoneName(DiyZone zone);
// A zone by its name, case-insensitive; a few spellings more are understood
// ("f-row", "fkeys", "navigation", "keypad", "mods").
std::optional<DiyZone> diyZoneByName(std::string_view name);
// The zone's keys, in slot order.
const std::vector<int>& diyZoneSlots(DiyZone zone);

// A key by the name a user types: the cap's label where it is unique ("W",
// "Esc", "F5", "Space"), the key table's name ("LShift", "RCtrl"), the name a
// user says ("Print Screen", "Num Lock") and "Keypad N"/"KPN" for the keypad.
// Case and blanks do not matter. Nothing for an unknown or a media key.
std::optional<int> diySlotByName(std::string_view name);
// The name diySlotByName takes back for the key, unique across the keyboard.
std::string diySlotName(int slot);
// Whether `name` names one of the media keys, which have no light: the key
// table's name or what a user calls it ("Mute", "Volume Up", "Play").
bool diyMediaKeyName(std::string_view name);

// The key's colour in `map` (0..4).
Rgb diyKeyColour(const DeviceImage& image, int map, int slot);
// Sets one key; false when the key cannot be painted or already has it.
bool setDiyKeyColour(DeviceImage& image, int map, int slot, Rgb colour);
// Sets every paintable key of `slots`; returns how many changed.
int fillDiyKeys(DeviceImage& image, int map, const std::vector<int>& slots, Rgb colour);

enum class GradientAxis { Horizontal, Vertical };
// Colours `slots` from `from` to `to` by the centre of each key on the
// picture along `axis`: the first key gets `from`, the last `to`, the others
// their share in between. Returns how many changed.
int gradientDiyKeys(DeviceImage& image, int map, const std::vector<int>& slots, Rgb from, Rgb to,
                    GradientAxis axis);

// The paintable keys whose rectangle meets `rect` (picture coordinates,
// both edges inclusive, either corner first), in slot order.
std::vector<int> diySlotsInRect(KeyRect rect);

// Whole maps. Each returns how many keys changed.
int copyDiyMap(DeviceImage& image, int from, int to);
int swapDiyMaps(DeviceImage& image, int a, int b);
int clearDiyMap(DeviceImage& image, int map);

// A picture laid over the keyboard picture is scaled to this area, whose
// top-left corner is at (kDiyPictureLeft, kDiyPictureTop) on the picture; it
// covers every key.
constexpr int kDiyPictureWidth = 650;
constexpr int kDiyPictureHeight = 220;
constexpr int kDiyPictureLeft = 0;
constexpr int kDiyPictureTop = 42;

// Each paintable key's mean colour under it in a picture already scaled to
// kDiyPictureWidth x kDiyPictureHeight. `pixels` holds 32-bit 0xAARRGGBB
// values (alpha ignored), `bytesPerLine` apart. Media keys get black.
std::array<Rgb, kPhysicalSlots> sampleDiyPicture(const uint32_t* pixels, int width, int height, int bytesPerLine);
// Writes sampled colours into `map`; returns how many keys changed.
int importDiyColours(DeviceImage& image, int map, const std::array<Rgb, kPhysicalSlots>& colours);

}  // namespace vandrel
