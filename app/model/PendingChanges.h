#pragma once
// What Save would send: the sections of the working image that differ from
// the keyboard's configuration, counted the way a user thinks of them (keys,
// macros, custom maps), and the text the window's bottom line shows.

#include <string>

#include "device/DeviceImage.h"
#include "device/ReadBack.h"
#include "device/Transfers.h"
#include "util/TextLookup.h"

namespace vandrel {

struct ChangeSummary {
    bool lighting = false;
    bool palette = false;
    bool gameMode = false;
    bool winLock = false;
    bool responseTime = false;
    bool reportRate = false;
    bool keySection = false;  // key map or key mask, when keys are not counted
    int keys = 0;             // keys whose entry or enable bit differs
    int macros = 0;           // macro slots
    int diyMaps = 0;          // custom colour maps

    bool any() const;
};

// The comparison the next save makes (the Windows-key lock applied to the key
// mask first), counted per key, macro slot and custom map.
ChangeSummary summarizeChanges(const DeviceImage& image, const ShadowImage& shadow);
// Per section only, for a comparison that knows no more than its flags.
ChangeSummary summarizeFlags(const ChangeFlags& flags);

// "灯光、调色板、按键 3 个、宏 2 个" (UTF-8), in the language of `tr`; empty
// when nothing differs.
std::string describeChanges(const ChangeSummary& summary, const TextLookup& tr = {});
// The bottom line's text while something is unsaved: "未保存：…"; empty otherwise.
std::string pendingChangesText(const DeviceImage& image, const ShadowImage& shadow, const TextLookup& tr = {});

// The message of a save whose read-back failed: the sections the keyboard
// holds otherwise, or the keyboard gone or silent during the check. Empty
// when the save failed before its check (the write's own message applies).
std::string saveCheckText(const WriteResult& result, const ReadBackResult& check, const TextLookup& tr = {});

}  // namespace vandrel
