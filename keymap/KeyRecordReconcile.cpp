#include "keymap/KeyRecordReconcile.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "keymap/KeyAssignment.h"
#include "keys/KeyNameTable.h"

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

bool isEmpty(const KeyRecord& r) { return r.type == 0 && r.length == 0; }

void clearAssignment(KeyRecord& r) {
    r.type = 0;
    r.length = 0;
    std::memset(r.data, 0, sizeof r.data);
}

// Applies records again on copies, to see which entry each stands for.
class Replay {
public:
    explicit Replay(const DeviceImage& image)
        : m_image(image), m_scratch(std::make_unique<DeviceImage>(image)),
          m_records(std::make_unique<KeyRecordTable>()) {
        m_records->clear();
        m_flags.clear();
    }

    // What applying `record` leaves in the entry of `slot`; false when it
    // leaves the entry as it was.
    bool entryOf(const KeyRecord& record, int slot, uint8_t out[4]) {
        (*m_records)[slot] = record;
        uint8_t* e = &m_scratch->deviceKeyMap[SlotCellOffset[slot]];
        std::memset(e, kUntouched, 4);
        AssignmentRequest q = requestFor(record, slot);
        AssignKey(q, *m_scratch, *m_records, m_flags, {});
        std::memcpy(out, e, 4);
        return !std::all_of(e, e + 4, [](uint8_t b) { return b == kUntouched; });
    }

    bool agrees(const KeyRecord& record, int slot) {
        if (slot < 0 || slot >= kPhysicalSlots) return true;
        if (isEmpty(record)) return true;
        // Types above the launch types are never left by a finished assignment.
        if (record.type > static_cast<uint8_t>(AssignType::OpenFolder)) return false;
        uint8_t e[4];
        if (!entryOf(record, slot, e)) return true;
        return std::memcmp(e, entryIn(m_image, slot), 4) == 0;
    }

    // Whether `record` writes exactly the entry `slot` has in the image.
    bool writesEntry(const KeyRecord& record, int slot) {
        uint8_t e[4];
        return entryOf(record, slot, e) && std::memcmp(e, entryIn(m_image, slot), 4) == 0;
    }

    static const uint8_t* entryIn(const DeviceImage& image, int slot) {
        return &image.deviceKeyMap[SlotCellOffset[slot]];
    }

private:
    const DeviceImage& m_image;
    std::unique_ptr<DeviceImage> m_scratch;
    std::unique_ptr<KeyRecordTable> m_records;
    ReassignedFlags m_flags;
};

// Whether the entry is what the key does out of the box: the factory table's
// entry, or the plain key entry a restore writes.
bool isFactoryEntry(const uint8_t* e, int slot) {
    const uint8_t* f = &FactoryKeyTable[SlotCellOffset[slot]];
    if (std::memcmp(e, f, 4) == 0) return true;
    return e[0] == kEntryKeys && e[1] == 0 && e[3] == 0 && e[2] == keyNames().usage(SlotHomeVk[slot]);
}

// The virtual-key codes whose usage is `usage`, highest first: the left and
// right modifiers (0xA0 to 0xA5), which the dialog captures, come before the
// generic ones.
std::vector<uint8_t> codesFor(uint8_t usage) {
    std::vector<uint8_t> out;
    if (usage == 0) return out;
    const KeyNameTable& names = keyNames();
    for (int vk = 255; vk >= 1; --vk)
        if (names.usage(static_cast<uint8_t>(vk)) == usage) out.push_back(static_cast<uint8_t>(vk));
    return out;
}

// Candidate records for an entry, most telling first; the caller keeps the
// first one that writes the entry.
std::vector<KeyRecord> candidates(const uint8_t* e, const KeyRecord& base) {
    std::vector<KeyRecord> out;
    KeyRecord r = base;
    clearAssignment(r);
    if (e[0] == kEntryMacro && e[1] == 1 && e[3] == 0) {
        r.type = static_cast<uint8_t>(AssignType::MacroKey);
        r.data[0] = kEntryMacro, r.data[1] = 1, r.data[2] = e[2];
        out.push_back(r);
        return out;
    }
    for (const NamedFunction& f : kNamedFunctions)
        if (std::memcmp(f.entry.data(), e, 4) == 0) {
            KeyRecord n = r;
            n.type = static_cast<uint8_t>(AssignType::NamedFunction);
            std::memcpy(n.data, e, 4);
            out.push_back(n);
        }
    // One key: a plain key entry, or a media key's consumer entry.
    if ((e[0] == kEntryKeys && e[1] == 0 && e[3] == 0) || e[0] == kEntryConsumer)
        for (uint8_t vk : codesFor(e[2])) {
            KeyRecord n = r;
            n.type = static_cast<uint8_t>(AssignType::SingleKey);
            n.length = 1;
            n.data[0] = vk;
            out.push_back(n);
        }
    // Keys pressed together: the usages of bytes 1 to 3 in order, none missing
    // before the last.
    if (e[0] == kEntryKeys && e[1] != 0) {
        const auto first = [](uint8_t usage) {
            const std::vector<uint8_t> c = codesFor(usage);
            return c.empty() ? uint8_t{0} : c.front();
        };
        KeyRecord n = r;
        n.type = static_cast<uint8_t>(AssignType::KeyCombination);
        const uint8_t count = e[3] != 0 ? 3 : e[2] != 0 ? 2 : 1;
        bool known = true;
        for (uint8_t i = 0; i < count; ++i) {
            n.data[i] = first(e[1 + i]);
            known = known && n.data[i] != 0;
        }
        n.length = count;
        if (known) out.push_back(n);
    }
    return out;
}

KeyRecord describe(Replay& replay, int slot, const DeviceImage& image, const KeyRecord& base) {
    KeyRecord empty = base;
    clearAssignment(empty);
    empty.homeVk = SlotHomeVk[slot];
    const uint8_t* e = Replay::entryIn(image, slot);
    if (isFactoryEntry(e, slot)) return empty;
    for (KeyRecord& c : candidates(e, base)) {
        c.homeVk = SlotHomeVk[slot];
        if (replay.writesEntry(c, slot)) return c;
    }
    return empty;
}

}  // namespace

bool KeyRecordAgrees(const KeyRecord& record, int slot, const DeviceImage& image) {
    return Replay(image).agrees(record, slot);
}

KeyRecord DescribeKeyEntry(int slot, const DeviceImage& image, const KeyRecord& base) {
    if (slot < 0 || slot >= kPhysicalSlots) return base;
    Replay replay(image);
    return describe(replay, slot, image, base);
}

std::vector<int> ReconcileKeyRecords(const DeviceImage& image, KeyRecordTable& records) {
    std::vector<int> disagreed;
    Replay replay(image);
    for (int s = 0; s < kPhysicalSlots; ++s) {
        KeyRecord& r = records[s];
        const bool agrees = replay.agrees(r, s);
        if (agrees && !isEmpty(r)) continue;
        const KeyRecord described = describe(replay, s, image, r);
        if (agrees) {
            // An empty record claims nothing; it is filled in only where the
            // image says more than the key's own function.
            if (!isEmpty(described)) r = described;
            continue;
        }
        r = described;
        disagreed.push_back(s);
    }
    return disagreed;
}

}  // namespace vandrel
