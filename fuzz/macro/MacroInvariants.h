#pragma once
// Checks shared by the macro fuzz targets; a broken rule aborts the run.

#include <cstdio>
#include <cstdlib>

#include "keys/KeyNameTable.h"
#include "macro/MacroManager.h"

namespace vandrel::fuzz {

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "macro invariant broken: %s\n", what);
    std::abort();
}
inline void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

struct FuzzHook : MacroKeyHook {
    bool installed = false;
    bool result = true;
    bool install() override { return installed = result; }
    void remove() override { installed = false; }
};

struct FuzzClock : PerfClock {
    int64_t now = 0;
    int64_t counter() override { return now; }
    int64_t frequency() override { return 1000; }
};

// The edit buffers and the rows of the event list.
inline void checkEventList(const EventListModel& m) {
    const EditBuffers& b = m.buffers();
    size_t offset = 0;
    int row = 0;
    RawEvent u, v;
    const std::vector<std::u16string>& rows = m.rows();
    while (decodeMacroEvent(b.usage, offset, u)) {
        check(decodeMacroEvent(b.vk, offset, v), "display form ends before the device form");
        check(u.type == v.type && u.size == v.size, "type bytes differ");
        if (u.size == 4) check(u.delayMs == v.delayMs, "delay bytes differ");
        check(u.delayField() != 0, "delay field 0");
        if (offset == 0) check(u.delayField() == 1, "first event has a delay");
        if (u.size == 4) check(u.delayMs >= 127 && u.delayMs <= kMaxDelayMs, "long delay out of range");
        check(RowToOffset(b.vk, row) == offset, "row does not map to its event");
        const int n = u.delayField() == 1 ? 1 : 2;
        check(row + n <= static_cast<int>(rows.size()), "fewer rows than events");
        if (n == 2) check(rows[row] == delayRowText(u.delayMs), "delay row text");
        check(rows[row + n - 1] == keyRowText(keyNames(), v.code, v.released()), "key row text");
        row += n;
        offset += u.size;
    }
    check(!decodeMacroEvent(b.vk, offset, v), "display form runs past the device form");
    check(offset <= kMacroEventBytes, "event straddles the end");
    for (size_t i = offset; i < kMacroEventBytes; ++i) check(b.usage[i] == 0 && b.vk[i] == 0, "bytes after the end");
    check(row == static_cast<int>(rows.size()), "more rows than events");
    check(RowToOffset(b.vk, row) == offset, "row past the end does not map to the end");
    check(m.writePos() == offset, "append offset is not the end");
    check(m.selectedRow() < static_cast<int>(rows.size()), "selection outside the rows");
    check(!m.singleInsertPending() || m.hookInstalled(), "capture armed without key capture");
}

inline void checkManager(const MacroManager& mgr, const FuzzHook& hook) {
    const MacroStore& w = mgr.workingCopy();
    const auto& rows = mgr.macroRows();
    check(macrosInUse(w) == rows.size(), "rows and records in use differ");
    for (size_t i = rows.size(); i < kMacroRecords; ++i) check(!recordInUse(w[i]), "named record after the run");
    for (size_t i = 0; i < rows.size(); ++i) {
        check(!rows[i].empty() && rows[i].size() <= kMaxMacroNameChars, "row name length");
        check(recordName(w[i]) == rows[i], "record name differs from its row");
    }
    // Every macro of the opened store is at one row or deleted, never two at one row.
    std::vector<bool> taken(rows.size(), false);
    for (int16_t to : mgr.renumbering()) {
        check(to >= kNoMacroHere && to < static_cast<int>(rows.size()), "macro moved outside the list");
        if (to < 0) continue;
        check(!taken[static_cast<size_t>(to)], "two macros moved to one row");
        taken[static_cast<size_t>(to)] = true;
    }
    check(mgr.selectedMacro() < static_cast<int>(rows.size()), "selected macro outside the list");
    check(rows.size() > 0 || mgr.events().rows().empty(), "events shown without a macro");
    check(hook.installed == mgr.events().hookInstalled(), "key capture state");
    checkEventList(mgr.events());
}

}  // namespace vandrel::fuzz
