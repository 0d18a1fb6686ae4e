// A macro record followed by a sequence of operations of the macro dialog: the
// recorder, every event-list command and the record operations. The buffers,
// the rows and the working copy are checked after each operation.

#include <cstring>
#include <memory>

#include "fuzz/macro/MacroInvariants.h"

using namespace vandrel;

namespace {

constexpr size_t kOpBytes = 3;
constexpr size_t kMaxOps = 200;  // every check walks the whole list; keep runs short

void run(MacroManager& mgr, fuzz::FuzzHook& hook, fuzz::FuzzClock& clock, uint8_t op, uint8_t a, uint8_t b) {
    const int rows = static_cast<int>(mgr.events().rows().size());
    switch (op % 16) {
    case 0: mgr.selectEventRow(static_cast<int>(a) - 1); break;
    case 1: mgr.InsertDelay(); break;
    case 2: mgr.DeleteEventRow(); break;
    case 3: mgr.InsertMouseEvent(static_cast<MouseAction>(a % 3), static_cast<uint8_t>(0xF0 + b % 4)); break;
    case 4: {
        const int row = mgr.events().selectedRow() >= 0 ? mgr.events().selectedRow() : (rows ? a % rows : 0);
        mgr.SetEventDelay(row, static_cast<int64_t>(a) * 300 + b - 2);
        break;
    }
    case 5: mgr.ArmCaptureBefore(); break;
    case 6: mgr.ArmCaptureAfter(); break;
    case 7:
    case 8:
        clock.now += static_cast<int64_t>(b) * b * 3;
        mgr.OnHookKey(a, op % 16 == 8);
        break;
    case 9: mgr.ToggleRecording(); break;
    case 10: mgr.toggleRecordDelays(); break;
    case 11: mgr.newMacro(); break;
    case 12: mgr.deleteMacro(); break;
    case 13: mgr.selectMacro(a % 40); break;
    case 14: {
        std::u16string name(a % 4, static_cast<char16_t>(u'A' + b % 40));
        mgr.renameMacro(mgr.selectedMacro(), name);
        break;
    }
    default:
        if (a & 1) {
            mgr.toggleLoop();
        } else if (a & 2) {
            hook.result = !hook.result;
        } else {
            mgr.StopHook();
        }
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto store = std::make_unique<MacroStore>();
    store->clear();
    MacroRecord& rec = (*store)[0];
    std::memcpy(&rec, data, std::min(size, sizeof(MacroRecord)));
    if (!recordInUse(rec)) setRecordName(rec, u"M");
    size_t pos = std::min(size, sizeof(MacroRecord));

    fuzz::FuzzHook hook;
    fuzz::FuzzClock clock;
    auto mgr = std::make_unique<MacroManager>(hook, clock);
    mgr->open(*store);
    fuzz::checkManager(*mgr, hook);
    for (size_t ops = 0; pos + kOpBytes <= size && ops < kMaxOps; pos += kOpBytes, ++ops) {
        run(*mgr, hook, clock, data[pos], data[pos + 1], data[pos + 2]);
        fuzz::checkManager(*mgr, hook);
    }
    mgr->accept(*store);
    fuzz::check(!hook.installed, "key capture left installed after OK");
    return 0;
}
