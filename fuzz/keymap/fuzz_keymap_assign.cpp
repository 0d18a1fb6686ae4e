// Builds an assignment request from the input and applies it to records loaded
// from the rest of the input. Only the edited key's entry may change.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "keymap/KeyAssignment.h"
#include "keymap/KeymapFile.h"
#include "keymap/LaunchAssignment.h"

using namespace vandrel;

namespace {

struct NullShell : Shell {
    void startFile(const std::u16string&, const std::u16string&) override {}
};

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    uint32_t u32() { return byte() | (byte() << 8) | (byte() << 16) | (uint32_t(byte()) << 24); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    AssignmentRequest req;
    req.slot = in.byte();
    req.assignType = in.byte();
    const uint8_t countSel = in.byte();
    req.codeCount = countSel == 0xFE ? in.u32() : countSel;
    for (size_t i = 0; i < 4; ++i) req.codes[i] = in.byte();
    req.macroIndex = static_cast<int32_t>(in.u32());
    req.keyEnabled = in.byte() & 1;
    const uint8_t fn = in.byte();
    if (fn < kNamedFunctions.size()) req.functionName = kNamedFunctions[fn].label;
    const size_t pathLen = in.byte() * 2u;  // up to 510 units, past the field
    for (size_t i = 0; i < pathLen; ++i) req.launchPath.push_back(static_cast<char16_t>(in.byte() | 0x20));

    static DeviceImage image;
    static KeyRecordTable records;
    static ReassignedFlags flags;
    image.clear();
    records.clear();
    ApplyConfigurationBytes(in.p, in.n, &image, records);
    records.restoreHomeCodes();
    static DeviceImage before;
    before = image;

    auto saver = [](const DeviceImage&, const KeyRecordTable&) { return true; };
    auto sync = [](DeviceImage&) {};
    const AssignResult r = CommitKeyAssignment(req, image, records, flags, saver, sync);
    if (req.slot >= kPhysicalSlots && r != AssignResult::NoSuchKey) std::abort();

    for (int s = 0; s < kPhysicalSlots; ++s) {
        if (s == req.slot) continue;
        if (std::memcmp(&image.deviceKeyMap[SlotCellOffset[s]], &before.deviceKeyMap[SlotCellOffset[s]], 4)) std::abort();
    }
    NullShell shell;
    RunLaunchAssignment(SlotHomeVk[req.slot % kPhysicalSlots], records, shell);
    return 0;
}
