#pragma once
// Everything the program holds about the keyboard and its files, in one object
// owned by the application and handed by reference to whoever works on it.

#include "device/DeviceImage.h"
#include "keymap/KeyRecord.h"
#include "macro/MacroRecord.h"
#include "update/AppVersion.h"

namespace vandrel {

struct AppState {
    DeviceImage image;              // the working copy the window edits
    ShadowImage shadow;             // the keyboard's configuration as last read or written
    KeyRecordTable keys;            // how each key was assigned
    ShadowKeyRecords shadowKeys;    // taken together with `shadow`
    ReassignedFlags reassigned;     // keys whose function differs from the factory one
    MacroStore macros;              // MacroDefine.bin
    MacroStore savedMacros;         // the macros as the last save to the keyboard left them
    FirmwareVersion firmware;       // reported by the keyboard
    AppVersion appVersion;          // from VER.bin
    bool skipImageOnNextLoad = false;
    // Data files that existed at start but could not be read: never written
    // over in this run, so that whatever they hold survives.
    bool keymapFileKept = false;
    bool macroFileKept = false;

    AppState() {
        image.clear();
        shadow.clear();
        keys.clear();
        shadowKeys.clear();
        reassigned.clear();
        macros.clear();
        savedMacros.clear();
    }
};

}  // namespace vandrel
