// Snapshots of the configuration a save replaces: taken only when the save
// changes the keyboard, pruned to the newest twenty, listed without the
// leftovers of an interrupted write, and restored as unsaved changes.

#include <gtest/gtest.h>

#include <memory>

#include "app/model/ConfigHistory.h"
#include "app/model/PendingChanges.h"
#include "device/Commands.h"
#include "keymap/KeymapFile.h"
#include "tests/app/TempFolder.h"

namespace vandrel {
namespace {

using test::TempFolder;

// A state as start-up leaves it: the Windows-key lock carried in the key
// mask, the image equal to what the keyboard holds.
std::unique_ptr<AppState> startedState() {
    auto s = std::make_unique<AppState>();
    applyWinLock(s->image);
    s->shadow = s->image;
    return s;
}

TEST(ConfigHistory, SnapshotOnlyWhenTheSaveChangesTheKeyboard) {
    TempFolder dir;
    SnapshotStore store(snapshotFolder(dir.path()));
    auto state = startedState();
    auto saved = std::make_unique<MacroStore>();
    saved->clear();
    EXPECT_FALSE(keepSnapshotBeforeSave(*state, *saved, store, 1000));
    EXPECT_TRUE(store.list().empty());

    state->shadow.ledEffect = 2;  // what the keyboard holds
    state->image.ledEffect = 7;   // the edit about to be saved
    saved->records[0].macroName[0] = 'M';
    ASSERT_TRUE(keepSnapshotBeforeSave(*state, *saved, store, 2000));
    const auto rows = historyRows(store, *state);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].entry.takenMs, 2000);
    EXPECT_EQ(rows[0].differs, "灯光");
    auto snap = std::make_unique<Snapshot>();
    ASSERT_TRUE(store.load(rows[0].entry, *snap));
    EXPECT_EQ(snap->image.ledEffect, 2);  // the replaced configuration, not the edit
    EXPECT_EQ(snap->macros.records[0].macroName[0], 'M');
}

TEST(ConfigHistory, PrunesToTheNewestAndIgnoresLeftovers) {
    TempFolder dir;
    SnapshotStore store(dir.path() / "History");
    auto snap = std::make_unique<Snapshot>();
    std::memset(static_cast<void*>(snap.get()), 0, sizeof(Snapshot));
    for (int i = 0; i < 25; ++i) {
        snap->image.ledSpeed = static_cast<uint8_t>(i);
        ASSERT_TRUE(store.add(*snap, 1000 + i));
    }
    // A write killed half-way, a truncated file and a foreign file.
    test::writeAll(store.folder() / "snapshot-0000000000005000.bin.tmp123", std::vector<uint8_t>(100, 1));
    test::writeAll(store.folder() / "snapshot-0000000000006000.bin", std::vector<uint8_t>(kSnapshotFileBytes - 1, 1));
    test::writeAll(store.folder() / "notes.txt", {1, 2});
    const auto list = store.list();
    ASSERT_EQ(list.size(), 20u);
    EXPECT_EQ(list.front().takenMs, 1024);
    EXPECT_EQ(list.back().takenMs, 1005);
    ASSERT_TRUE(store.load(list.front(), *snap));
    EXPECT_EQ(snap->image.ledSpeed, 24);

    // Never more than the byte limit: three files' worth keeps three.
    SnapshotStore small(dir.path() / "Small", 20, 3 * kSnapshotFileBytes + 10);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(small.add(*snap, i));
    EXPECT_EQ(small.list().size(), 3u);
    // Two saves in one millisecond keep both.
    EXPECT_TRUE(small.add(*snap, 100));
    EXPECT_TRUE(small.add(*snap, 100));
    EXPECT_EQ(small.list()[0].takenMs, 101);
}

TEST(ConfigHistory, RestoreBecomesPendingChangesAndReachesTheFiles) {
    TempFolder dir;
    auto state = startedState();
    auto snap = std::make_unique<Snapshot>();
    std::memset(static_cast<void*>(snap.get()), 0, sizeof(Snapshot));
    snap->image = state->image;
    snap->image.responseTime = 6;
    snap->image.macroSlots[1][0] = 0x42;
    snap->macros.records[1].macroName[0] = 'X';
    applySnapshot(*state, *snap, dir.path());
    EXPECT_EQ(pendingChangesText(state->image, state->shadow), "未保存：按键响应时间、宏 1 个");
    EXPECT_EQ(state->macros.records[1].macroName[0], 'X');
    // keymap.bin now carries the restored image.
    const std::vector<uint8_t> file = test::readAll(dir.path() / "keymap.bin");
    ASSERT_GE(file.size(), sizeof(DeviceImage));
    EXPECT_EQ(file[offsetof(DeviceImage, responseTime)], 6);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "MacroDefine.bin"));
}

}  // namespace
}  // namespace vandrel
