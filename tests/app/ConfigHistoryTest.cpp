// Snapshots of the configuration a save replaces: taken only when the save
// changes the keyboard, pruned to the newest twenty in the order they were
// taken whatever the clock said, listed without the leftovers of an
// interrupted write but with the files that cannot be restored, failures told
// with their reason, and restored as unsaved changes.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/model/AppCommands.h"
#include "app/model/ConfigHistory.h"
#include "app/model/HistoryDialogModel.h"
#include "app/model/PendingChanges.h"
#include "device/Commands.h"
#include "keymap/KeymapFile.h"
#include "tests/app/TempFolder.h"

namespace vandrel {
namespace {

using test::TempFolder;

// Settings a keyboard can hold: steady lighting, every key enabled.
void makePlausible(DeviceImage& im) {
    im.ledEffect = 1;
    im.ledColor = 1;
    im.ledDirection = 1;
    im.responseTime = 1;
    std::memset(im.keyMask, 0xFF, sizeof im.keyMask);
}

// A state as start-up leaves it: the Windows-key lock carried in the key
// mask, the image equal to what the keyboard holds.
std::unique_ptr<AppState> startedState() {
    auto s = std::make_unique<AppState>();
    makePlausible(s->image);
    applyWinLock(s->image);
    s->shadow = s->image;
    return s;
}

std::unique_ptr<Snapshot> plausibleSnapshot() {
    auto snap = std::make_unique<Snapshot>();
    std::memset(static_cast<void*>(snap.get()), 0, sizeof(Snapshot));
    makePlausible(snap->image);
    return snap;
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
    auto snap = plausibleSnapshot();
    for (int i = 0; i < 25; ++i) {
        snap->image.ledSpeed = static_cast<uint8_t>(i);
        ASSERT_TRUE(store.add(*snap, 1000 + i));
    }
    // A write killed half-way and a foreign file are not listed; a snapshot
    // file cut short is, as one that cannot be read.
    test::writeAll(store.folder() / "snapshot-0000000000005000.bin.tmp123", std::vector<uint8_t>(100, 1));
    test::writeAll(store.folder() / "snapshot-000000000090-0000000000006000.bin",
                   std::vector<uint8_t>(kSnapshotFileBytes - 1, 1));
    test::writeAll(store.folder() / "notes.txt", {1, 2});
    const auto list = store.list();
    ASSERT_EQ(list.size(), 21u);
    EXPECT_FALSE(list.front().complete);
    EXPECT_EQ(list.front().takenMs, 6000);
    EXPECT_TRUE(list[1].complete);
    EXPECT_EQ(list[1].takenMs, 1024);
    EXPECT_EQ(list.back().takenMs, 1005);
    ASSERT_TRUE(store.load(list[1], *snap));
    EXPECT_EQ(snap->image.ledSpeed, 24);
    EXPECT_FALSE(store.load(list.front(), *snap));

    // Never more than the byte limit: three files' worth keeps three.
    SnapshotStore small(dir.path() / "Small", 20, 3 * kSnapshotFileBytes + 10);
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(small.add(*snap, i));
    EXPECT_EQ(small.list().size(), 3u);
    // Two saves in one millisecond keep both.
    EXPECT_TRUE(small.add(*snap, 100));
    EXPECT_TRUE(small.add(*snap, 100));
    ASSERT_EQ(small.list().size(), 3u);
    EXPECT_EQ(small.list()[0].takenMs, 100);
    EXPECT_EQ(small.list()[1].takenMs, 100);
    EXPECT_NE(small.list()[0].path, small.list()[1].path);
}

TEST(ConfigHistory, TheOrderOfTakingDecidesWhatStaysWhateverTheClockSaid) {
    constexpr int64_t kNow = 1'780'000'000'000;
    constexpr int64_t kYear = 365LL * 24 * 3600 * 1000;
    auto snap = plausibleSnapshot();
    // Snapshots taken while the clock ran a year ahead: counted ones, and
    // files named by their time alone as earlier versions wrote them.
    for (bool named : {true, false}) {
        SCOPED_TRACE(named ? "counted names" : "time-only names");
        TempFolder dir;
        SnapshotStore store(dir.path() / "History");
        for (int i = 0; i < 20; ++i) {
            snap->image.ledSpeed = static_cast<uint8_t>(i);
            if (named) {
                ASSERT_TRUE(store.add(*snap, kNow + kYear + i));
            } else {
                char name[40];
                std::snprintf(name, sizeof name, "snapshot-%016lld.bin", static_cast<long long>(kNow + kYear + i));
                std::filesystem::create_directories(store.folder());
                test::writeAll(store.folder() / name, std::vector<uint8_t>(kSnapshotFileBytes, 0));
            }
        }
        // The clock is put right; the next save's snapshot is the newest.
        snap->image.ledSpeed = 9;
        ASSERT_TRUE(store.add(*snap, kNow));
        const auto list = store.list();
        ASSERT_EQ(list.size(), 20u);
        EXPECT_EQ(list.front().takenMs, kNow);
        ASSERT_TRUE(store.load(list.front(), *snap));
        EXPECT_EQ(snap->image.ledSpeed, 9);
        // The oldest taken went, not the one just written.
        EXPECT_EQ(list.back().takenMs, kNow + kYear + 1);
    }
}

TEST(ConfigHistory, ASnapshotThatCannotBeWrittenSaysWhy) {
    TempFolder dir;
    auto state = startedState();
    auto saved = std::make_unique<MacroStore>();
    saved->clear();
    state->image.ledBrightness = 9;  // a save that changes the keyboard

    // "History" is a file, not a folder.
    test::writeAll(snapshotFolder(dir.path()), {1});
    SnapshotStore blocked(snapshotFolder(dir.path()));
    std::error_code why;
    EXPECT_FALSE(keepSnapshotBeforeSave(*state, *saved, blocked, 1000, &why));
    EXPECT_EQ(why, std::make_error_code(std::errc::not_a_directory)) << why.message();
    EXPECT_EQ(fileNoticeText({FileNotice::Kind::HistoryNotKept, snapshotFolder(dir.path()), why}),
              "无法把原有的设置存入配置历史 " + snapshotFolder(dir.path()).u8string() + "（不是文件夹）。");

    // A full disk.
    SnapshotStore store(dir.path() / "Elsewhere");
    why.clear();
    {
        test::FileSizeLimit full(1000);
        EXPECT_FALSE(keepSnapshotBeforeSave(*state, *saved, store, 1000, &why));
    }
    EXPECT_TRUE(why) << "a failed write must say why";
    EXPECT_TRUE(store.list().empty());

    // Nothing to keep is no failure.
    state->image = state->shadow;
    why.clear();
    EXPECT_FALSE(keepSnapshotBeforeSave(*state, *saved, store, 1000, &why));
    EXPECT_FALSE(why);
}

TEST(ConfigHistory, ASnapshotLikeTheNewestIsNotKeptTwice) {
    TempFolder dir;
    SnapshotStore store(dir.path() / "History");
    auto snap = plausibleSnapshot();
    ASSERT_TRUE(store.keep(*snap, 1000));
    ASSERT_TRUE(store.keep(*snap, 2000));
    EXPECT_EQ(store.list().size(), 1u);
    snap->image.ledBrightness = 3;
    ASSERT_TRUE(store.keep(*snap, 3000));
    EXPECT_EQ(store.list().size(), 2u);
}

TEST(ConfigHistory, UnreadableAndDamagedSnapshotsAreListedButNeverRestored) {
    TempFolder dir;
    SnapshotStore store(dir.path() / "History");
    auto state = startedState();
    auto good = plausibleSnapshot();
    good->image.ledEffect = 2;
    ASSERT_TRUE(store.add(*good, 1000));
    // The right size, but every byte 0xFF: effect 255 and the rest.
    test::writeAll(store.folder() / "snapshot-000000000002-0000000000002000.bin",
                   std::vector<uint8_t>(kSnapshotFileBytes, 0xFF));
    // Cut short.
    test::writeAll(store.folder() / "snapshot-000000000003-0000000000003000.bin", std::vector<uint8_t>(10, 0));

    const std::vector<HistoryRow> rows = historyRows(store, *state);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].restorable);
    EXPECT_EQ(rows[0].differs, "无法读取，不能恢复");
    EXPECT_FALSE(rows[1].restorable);
    EXPECT_EQ(rows[1].differs, "已损坏（effect），不能恢复");
    EXPECT_TRUE(rows[2].restorable);
    EXPECT_EQ(rows[2].differs, "灯光");

    // A snapshot of a factory keyboard passes the check; impossible values do not.
    auto snap = plausibleSnapshot();
    EXPECT_EQ(snapshotProblem(*snap), "");
    for (auto [field, set] : std::vector<std::pair<const char*, std::function<void(DeviceImage&)>>>{
             {"effect", [](DeviceImage& im) { im.ledEffect = 7; }},
             {"speed", [](DeviceImage& im) { im.ledSpeed = 11; }},
             {"brightness", [](DeviceImage& im) { im.ledBrightness = 51; }},
             {"colour", [](DeviceImage& im) { im.ledColor = 0; }},
             {"direction", [](DeviceImage& im) { im.ledDirection = 5; }},
             {"rate", [](DeviceImage& im) { im.reportRate = 4; }},
             {"response", [](DeviceImage& im) { im.responseTime = 0; }},
             {"keys", [](DeviceImage& im) { std::memset(im.keyMask, 0, sizeof im.keyMask); }},
         }) {
        auto bad = plausibleSnapshot();
        set(bad->image);
        EXPECT_STREQ(firstImpossibleSnapshotValue(bad->image), field);
    }

    // The window selects the newest that can be restored; the others cannot be.
    std::vector<HistoryDialogRow> shown;
    for (const HistoryRow& r : rows) shown.push_back({"t", r.differs, r.restorable});
    HistoryDialogModel model(shown);
    EXPECT_EQ(model.selected(), 2);
    const int firstRowY = HistoryDialogModel::kListTop + 5;
    EXPECT_EQ(model.doubleClick(HistoryDialogModel::kListLeft + 5, firstRowY), HistoryDialogModel::Action::None);
    EXPECT_EQ(model.selected(), 0);
    EXPECT_EQ(model.click(HistoryDialogModel::kRestoreLeft + 5, HistoryDialogModel::kButtonsTop + 5),
              HistoryDialogModel::Action::None);
}

TEST(ConfigHistory, RestoreBecomesPendingChangesAndReachesTheFiles) {
    TempFolder dir;
    auto state = startedState();
    auto snap = plausibleSnapshot();
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
