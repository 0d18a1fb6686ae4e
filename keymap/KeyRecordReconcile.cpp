#include "keymap/KeyRecordReconcile.h"

#include <cstring>
#include <memory>

#include "keymap/KeyAssignment.h"

namespace vandrel {

namespace {

// A device entry no assignment writes: an entry still holding it after the
// record was applied was left as it was.
constexpr uint8_t kUntouched = 0xEE;

// The request that made `r`, as far as the record tells.
AssignmentRequest requestFor(const KeyRecord& r, int slot) {
    AssignmentRequest q;
    q.slot = static_cast<uint8_t>(slot);
    q.assignType = r.type;
    std::memcpy(q.codes.data(), r.data, q.codes.size());
    q.codeCount = r.length;
    if (r.data[0] == kEntryMacro && r.data[1] == 1) q.macroIndex = r.data[2];
    for (const NamedFunction& f : kNamedFunctions)
        if (std::memcmp(f.entry.data(), r.data, 4) == 0) {
            q.functionName = f.label;
            break;
        }
    return q;
}

// Applies records again on copies, to see which entry each stands for.
class Replay {
public:
    explicit Replay(const DeviceImage& keyboard)
        : m_keyboard(keyboard), m_image(std::make_unique<DeviceImage>(keyboard)),
          m_records(std::make_unique<KeyRecordTable>()) {
        m_records->clear();
        m_flags.clear();
    }

    bool agrees(const KeyRecord& record, int slot) {
        if (slot < 0 || slot >= kPhysicalSlots) return true;
        if (record.type == 0 && record.length == 0) return true;
        // Types above the launch types are never left by a finished assignment.
        if (record.type > static_cast<uint8_t>(AssignType::OpenFolder)) return false;
        (*m_records)[slot] = record;
        uint8_t* e = &m_image->deviceKeyMap[SlotCellOffset[slot]];
        std::memset(e, kUntouched, 4);
        AssignmentRequest q = requestFor(record, slot);
        const KeymapSaver noFile = [](const DeviceImage&, const KeyRecordTable&) { return true; };
        ApplyKeyAssignment(q, *m_image, *m_records, m_flags, noFile, {});
        const uint8_t untouched[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
        if (std::memcmp(e, untouched, 4) == 0) return true;
        return std::memcmp(e, &m_keyboard.deviceKeyMap[SlotCellOffset[slot]], 4) == 0;
    }

private:
    const DeviceImage& m_keyboard;
    std::unique_ptr<DeviceImage> m_image;
    std::unique_ptr<KeyRecordTable> m_records;
    ReassignedFlags m_flags;
};

}  // namespace

bool KeyRecordAgrees(const KeyRecord& record, int slot, const DeviceImage& keyboard) {
    return Replay(keyboard).agrees(record, slot);
}

std::vector<int> ReconcileKeyRecords(const DeviceImage& keyboard, KeyRecordTable& records) {
    std::vector<int> putBack;
    Replay replay(keyboard);
    for (int s = 0; s < kPhysicalSlots; ++s) {
        KeyRecord& r = records[s];
        if (replay.agrees(r, s)) continue;
        r.type = 0;
        r.length = 0;
        std::memset(r.data, 0, sizeof r.data);
        putBack.push_back(s);
    }
    return putBack;
}

}  // namespace vandrel
