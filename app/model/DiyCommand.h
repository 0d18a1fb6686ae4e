#pragma once
// The tool's commands on the five custom colour maps ("diy show 2",
// "diy set 1 W=#FF0000 Esc=none", "diy fill 3 wasd #00FF00", ...): read from
// their words and checked before anything is touched, then carried out on an
// image by the tool itself or by the running program, which therefore accept
// and refuse exactly the same commands.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "app/model/DiyPaint.h"
#include "device/DeviceImage.h"

namespace vandrel {

enum class DiyAction { Show, Set, Fill, Import, Export, Copy };

struct DiyRequest {
    DiyAction action = DiyAction::Show;
    int map = 0;                             // 0..4: the map of DIY1..DIY5
    int target = 0;                          // copy: the map that is written
    std::vector<std::pair<int, Rgb>> keys;   // set: each key's slot and colour
    std::vector<int> zone;                   // fill: the zone's keys
    Rgb colour;                              // fill
    std::string path;                        // import, export: the picture file
};

struct DiyParse {
    DiyRequest request;
    std::string error;  // empty when the words make a command
    bool ok() const { return error.empty(); }
};

// The words after "diy": the action, the map number (1..5) and its arguments.
// A wrong command comes back with a message that names what is wrong.
DiyParse parseDiyCommand(const std::vector<std::string>& words);

// The command's name ("set"), as typed.
const char* diyActionName(DiyAction action);
// Whether the action changes a map (set, fill, import, copy).
bool diyChangesMaps(DiyAction action);

// Carries out set, fill and copy on `image`, and import with the colours
// `picture` gives; returns how many keys changed. Show and export change
// nothing.
int paintDiyRequest(DeviceImage& image, const DiyRequest& request,
                    const std::array<Rgb, kPhysicalSlots>* picture = nullptr);

// What a change did, for the user: "DIY2: 5 keys changed." or
// "DIY2: nothing changed."
std::string diyChangeSummary(const DiyRequest& request, int changed);

// Each paintable key of `map` with its colour or "none", one a line.
std::string diyMapText(const DeviceImage& image, int map);
// The same as a JSON object: key name -> "#RRGGBB" or null.
std::string diyMapJson(const DeviceImage& image, int map);

}  // namespace vandrel
