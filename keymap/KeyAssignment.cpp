#include "keymap/KeyAssignment.h"

#include <cstring>

#include "keys/KeyNameTable.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroSlot.h"

namespace vandrel {

const std::array<NamedFunction, 23> kNamedFunctions = {{
    {u"搜索", {0x00, 0xE3, 0x09, 0x00}},         // left Windows + F
    {u"运行", {0x00, 0xE3, 0x15, 0x00}},         // left Windows + R
    {u"多媒体播放器", {0x03, 0x00, 0x83, 0x01}},  // consumer 0x0183
    {u"上一曲", {0x03, 0x00, 0xB6, 0x00}},
    {u"下一曲", {0x03, 0x00, 0xB5, 0x00}},
    {u"暂停", {0x03, 0x00, 0xB7, 0x00}},
    {u"音量+", {0x03, 0x00, 0xE9, 0x00}},
    {u"音量-", {0x03, 0x00, 0xEA, 0x00}},
    {u"静音", {0x03, 0x00, 0xE2, 0x00}},
    {u"停止-播放", {0x03, 0x00, 0xCD, 0x00}},
    {u"新建", {0x00, 0xE0, 0x11, 0x00}},         // left Control + N
    {u"剪切", {0x00, 0xE0, 0x1B, 0x00}},         // left Control + X
    {u"复制", {0x00, 0xE0, 0x06, 0x00}},         // left Control + C
    {u"粘贴", {0x00, 0xE0, 0x19, 0x00}},         // left Control + V
    {u"保存", {0x00, 0xE0, 0x16, 0x00}},         // left Control + S
    {u"打印", {0x00, 0xE0, 0x13, 0x00}},         // left Control + P
    {u"全选", {0x00, 0xE0, 0x04, 0x00}},         // left Control + A
    {u"最大化", {0x00, 0xE2, 0x2C, 0x1B}},       // left Alt + Space + X
    {u"最小化", {0x00, 0xE2, 0x2C, 0x11}},       // left Alt + Space + N
    {u"我的电脑", {0x03, 0x00, 0x94, 0x01}},     // consumer 0x0194
    {u"任务管理器", {0x00, 0xE0, 0xE2, 0x4C}},   // left Control + left Alt + Delete
    {u"浏览器-主页", {0x03, 0x00, 0x23, 0x02}},  // consumer 0x0223
    {u"关闭窗口", {0x00, 0xE2, 0x3D, 0x00}},     // left Alt + F4
}};

const NamedFunction* FindNamedFunction(const std::u16string& label) {
    for (const NamedFunction& f : kNamedFunctions)
        if (label == f.label) return &f;
    return nullptr;
}

KeymapSaver KeymapFileSaver(std::filesystem::path dataFolder) {
    return [folder = std::move(dataFolder)](const DeviceImage& image, const KeyRecordTable& records) {
        return SaveKeymapFile(folder, image, records);
    };
}

MacroSlotSync MacroSlotSyncFor(const MacroStore& store) {
    return [&store](DeviceImage& image) { SyncMacroSlots(store, image); };
}

namespace {

void setEntry(uint8_t* e, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    e[0] = b0;
    e[1] = b1;
    e[2] = b2;
    e[3] = b3;
}

void clearRecord(KeyRecord& r) {
    r.type = 0;
    r.length = 0;
    std::memset(r.data, 0, sizeof r.data);
}

// The factory function as the key-name table gives it: the usage of the key's
// own legend, as a plain key entry.
void restoreEntry(uint8_t* e, int slot) { setEntry(e, kEntryKeys, 0, keyNames().usage(SlotHomeVk[slot]), 0); }

uint8_t storedLength(uint32_t codeCount) {
    return static_cast<uint8_t>(codeCount < kRestoreCodeCount ? codeCount : kRestoreCodeCount - 1);
}

// Stores the path and its terminating zero; the rest of the field keeps what it held.
void storePath(KeyRecord& r, const std::u16string& path) {
    size_t i = 0;
    for (; i < path.size(); ++i) {
        r.path[2 * i] = static_cast<uint8_t>(path[i] & 0xFF);
        r.path[2 * i + 1] = static_cast<uint8_t>(path[i] >> 8);
    }
    r.path[2 * i] = 0;
    r.path[2 * i + 1] = 0;
}

}  // namespace

AssignResult AssignResultAfterSave(AssignChange change, bool saved) {
    switch (change) {
        case AssignChange::Applied: break;
        case AssignChange::NoSuchKey: return AssignResult::NoSuchKey;
        case AssignChange::PathTooLong: return AssignResult::PathTooLong;
    }
    return saved ? AssignResult::Saved : AssignResult::SaveFailed;
}

AssignChange AssignKey(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                       ReassignedFlags& flags, const MacroSlotSync& syncMacroSlots) {
    const int slot = request.slot;
    if (slot >= kPhysicalSlots) return AssignChange::NoSuchKey;
    const bool restore = request.codeCount == kRestoreCodeCount;
    if (!restore && isLaunchType(request.assignType) && request.launchPath.size() > kMaxLaunchPathChars)
        return AssignChange::PathTooLong;

    uint8_t* e = &image.deviceKeyMap[SlotCellOffset[slot]];
    KeyRecord& r = records[slot];
    r.homeVk = SlotHomeVk[slot];
    const KeyNameTable& names = keyNames();

    if (restore) {
        clearRecord(r);
        restoreEntry(e, slot);
        request.keyEnabled = true;
        SetKeyEnabled(image, slot, true);
        return AssignChange::Applied;
    }
    if (request.assignType > static_cast<uint8_t>(AssignType::RestoreDefault)) return AssignChange::Applied;

    switch (static_cast<AssignType>(request.assignType)) {
        case AssignType::SingleKey: {
            r.type = 0;
            std::memcpy(r.data, request.codes.data(), sizeof r.data);
            r.length = storedLength(request.codeCount);
            if (request.codeCount != 1) break;  // the dialog holds no single key: entry unchanged
            const uint8_t code = request.codes[0];
            if (code == SlotHomeVk[slot]) {
                clearRecord(r);  // mapped to itself: no assignment
                flags[slot] = 0;
            } else {
                flags[slot] = 1;
            }
            const uint8_t usage = names.usage(code);
            setEntry(e, kEntryKeys, 0, usage, 0);
            // The media keys carry the low byte of a consumer usage.
            if (usage == 0x83) {
                e[0] = kEntryConsumer;
                e[3] = 0x01;
            } else if (usage == 0xCD || usage == 0xE9 || usage == 0xEA) {
                e[0] = kEntryConsumer;
            }
            break;
        }
        case AssignType::KeyCombination:
            r.type = 1;
            std::memcpy(r.data, request.codes.data(), sizeof r.data);
            r.length = storedLength(request.codeCount);
        {
            // Up to three keys pressed together; a code beyond the count is no key.
            auto usageAt = [&](size_t i) { return i < request.codeCount ? names.usage(request.codes[i]) : uint8_t{0}; };
            setEntry(e, kEntryKeys, usageAt(0), usageAt(1), usageAt(2));
        }
            if (request.codeCount > 1) flags[slot] = 1;
            break;
        case AssignType::MacroKey: {
            const uint8_t m = static_cast<uint8_t>(request.macroIndex & 0xFF);
            r.type = 2;
            setEntry(r.data, kEntryMacro, 1, m, 0);
            // The keyboard holds 32 macro slots; an index outside them would make
            // the key play a slot that does not exist, so it counts as no macro.
            if (request.macroIndex < 0 || request.macroIndex >= static_cast<int32_t>(kMacroSlotCount)) break;
            setEntry(e, kEntryMacro, 1, m, 0);
            flags[slot] = 1;
            if (syncMacroSlots) syncMacroSlots(image);
            break;
        }
        case AssignType::NamedFunction:
            r.type = 3;
            flags[slot] = 1;
            if (const NamedFunction* f = FindNamedFunction(request.functionName)) {
                std::memcpy(e, f->entry.data(), 4);
                std::memcpy(r.data, f->entry.data(), 4);
            }
            break;
        case AssignType::LaunchMusicFile:
        case AssignType::LaunchProgram:
        case AssignType::LaunchTextFile:
        case AssignType::OpenFolder:
            // The keyboard reports the key's home code; the desktop then starts the path.
            flags[slot] = 1;
            r.type = request.assignType;
            setEntry(e, kEntryLaunch, 0, SlotHomeVk[slot], 0);
            setEntry(r.data, 3, 0, 0x23, 2);
            storePath(r, request.launchPath);
            break;
        case AssignType::RestoreDefault:
            clearRecord(r);
            restoreEntry(e, slot);
            SetKeyEnabled(image, slot, true);
            break;
    }
    return AssignChange::Applied;
}

AssignChange CommitKeyEdit(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                           ReassignedFlags& flags, const MacroSlotSync& syncMacroSlots) {
    if (request.slot >= kPhysicalSlots) return AssignChange::NoSuchKey;
    const uint8_t oldFlag = flags[request.slot];
    flags[request.slot] = 0;
    const AssignChange applied = AssignKey(request, image, records, flags, syncMacroSlots);
    if (applied != AssignChange::Applied) {
        flags[request.slot] = oldFlag;
        return applied;
    }
    // A combination of one key writes its entry but leaves the mark to the
    // caller: its record is a combination, which the next read marks too.
    if (request.assignType == static_cast<uint8_t>(AssignType::KeyCombination) && request.codeCount == 1)
        flags[request.slot] = 1;
    if (request.keyEnabled) {
        SetKeyEnabled(image, request.slot, true);
    } else {
        flags[request.slot] = 1;
        SetKeyEnabled(image, request.slot, false);
    }
    // A kept assignment keeps its mark, as far as the switch leaves it.
    if (request.assignType == kKeepAssignment && request.codeCount != kRestoreCodeCount)
        flags[request.slot] = DeriveReassignedFlag(image, records, request.slot) ? 1 : 0;
    return AssignChange::Applied;
}

AssignResult ApplyKeyAssignment(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                                ReassignedFlags& flags, const KeymapSaver& save,
                                const MacroSlotSync& syncMacroSlots) {
    const AssignChange change = AssignKey(request, image, records, flags, syncMacroSlots);
    return AssignResultAfterSave(change, change == AssignChange::Applied && save(image, records));
}

AssignResult CommitKeyAssignment(AssignmentRequest& request, DeviceImage& image, KeyRecordTable& records,
                                 ReassignedFlags& flags, const KeymapSaver& save,
                                 const MacroSlotSync& syncMacroSlots) {
    const AssignChange change = CommitKeyEdit(request, image, records, flags, syncMacroSlots);
    return AssignResultAfterSave(change, change == AssignChange::Applied && save(image, records));
}

int FollowMacroRenumbering(const MacroRenumbering& to, DeviceImage& image, KeyRecordTable& records,
                           ReassignedFlags& flags) {
    // Where a binding to macro `index` goes: its new index, or kMacroDeleted,
    // or kNoMacroHere for an index that named no macro (left as it is).
    const auto target = [&to](uint8_t index) { return index < kMacroRecords ? to[index] : kNoMacroHere; };
    const auto boundTo = [](const uint8_t* b) { return b[0] == kEntryMacro && b[1] == 1; };
    int restored = 0;
    for (int s = 0; s < kPhysicalSlots; ++s) {
        uint8_t* e = &image.deviceKeyMap[SlotCellOffset[s]];
        KeyRecord& r = records[s];
        const bool entryBound = boundTo(e);
        const bool recordBound = r.type == static_cast<uint8_t>(AssignType::MacroKey) && boundTo(r.data);
        const int16_t entryTo = entryBound ? target(e[2]) : kNoMacroHere;
        const int16_t recordTo = recordBound ? target(r.data[2]) : kNoMacroHere;
        if (entryTo == kMacroDeleted || recordTo == kMacroDeleted) {
            clearRecord(r);
            std::memcpy(e, &FactoryKeyTable[SlotCellOffset[s]], 4);
            flags[s] = s != kFnSlot && !IsKeyEnabled(image, s) ? 1 : 0;
            ++restored;
            continue;
        }
        if (entryTo >= 0) e[2] = static_cast<uint8_t>(entryTo);
        if (recordTo >= 0) r.data[2] = static_cast<uint8_t>(recordTo);
    }
    return restored;
}

}  // namespace vandrel
