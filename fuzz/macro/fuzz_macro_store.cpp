// MacroDefine.bin of any length and content: loading it, syncing the slots and
// opening every macro in the manager stay inside every field.

#include <cstring>
#include <memory>

#include "fuzz/macro/MacroInvariants.h"
#include "macro/MacroSlot.h"
#include "macro/MacroStoreFile.h"

using namespace vandrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto store = std::make_unique<MacroStore>();
    loadMacroStoreBytes(*store, data, size);
    auto image = std::make_unique<DeviceImage>();
    image->clear();
    SyncMacroSlots(*store, *image);

    fuzz::FuzzHook hook;
    fuzz::FuzzClock clock;
    auto mgr = std::make_unique<MacroManager>(hook, clock);
    mgr->open(*store);
    fuzz::checkManager(*mgr, hook);
    for (size_t i = 0; i < mgr->macroRows().size(); ++i) {
        mgr->selectMacro(static_cast<int>(i));
        fuzz::checkManager(*mgr, hook);
    }
    return 0;
}
