#pragma once
// The whole configuration as readable JSON: the keyboard's image, the key
// records of keymap.bin and the macros of MacroDefine.bin. Every part is
// written in readable fields; a part whose bytes those fields cannot give back
// exactly (bytes outside any field, garbage, an ambiguous key name) also
// carries its bytes in hex, so that reading the JSON back gives every byte
// it was made from. Readable fields are applied over those bytes, so editing
// them works either way.
//
// Reading back, a readable field left out or null is refused by its path,
// unless the part's bytes travel in hex, which then hold its value; nothing
// is ever read as 0. What a key sends is its `sends`: when it no longer
// describes the key's `entry`, the key is assigned what `sends` says, as the
// key-map dialog would, and its record with it. A key record must describe
// what its key sends; written out, records that claim an assignment their key
// does not have are emptied.

#include <string>

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "macro/MacroRecord.h"
#include "profile/ConfigurationCheck.h"
#include "util/TextLookup.h"

namespace vandrel::config {

struct Configuration {
    DeviceImage image;
    KeyRecordTable records;
    MacroStore macros;
    FirmwareVersion firmware;  // informative; never written to the keyboard

    Configuration() {
        image.clear();
        records.clear();
        macros.clear();
    }
};

// Indented UTF-8 JSON, ending in a newline. The same configuration always
// gives the same text.
std::string configurationToJson(const Configuration& config);

// Parses JSON written by configurationToJson (possibly edited). On failure
// `error` says where and `config` is unchanged.
bool configurationFromJson(const std::string& text, Configuration& config, std::string& error);

// Whether `text` is JSON of this format (of any version), such as an earlier
// export, whatever its values.
bool isConfigurationJson(const std::string& text);

// Where a setting lives in the JSON: "lighting.brightness", "performance.reportRateHz", ...
std::string jsonPathOf(Setting setting);

// The description of one key's device entry: "B", "LCtrl + C",
// "macro 3 (Macro_003)", "launch /usr/bin/foo", "disabled", ...
// With `functionNames`, a named function (the key-map dialog's tree) is given
// in the language it translates to; without, by its Chinese name.
std::string describeKey(const Configuration& config, int slot, const TextLookup& functionNames = {});
// The key's name on the keyboard picture.
std::string slotName(int slot);
// A macro event as text: "A down", "A up", with " after 120 ms" when delayed.
std::string describeMacro(const MacroRecord& record);

}  // namespace vandrel::config
