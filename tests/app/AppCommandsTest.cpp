// What start-up, save, cancel, factory reset and close leave in memory and in
// keymap.bin.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include <sys/stat.h>

#include "app/model/AppCommands.h"
#include "keymap/KeyAssignment.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroStoreFile.h"
#include "tests/macro/MacroTestSupport.h"
#include "tests/support/TempFolder.h"

namespace vandrel {
namespace {

using test::readAll;
using test::TempFolder;

// The image part and the record part of a keymap.bin.
struct KeymapContents {
    DeviceImage image{};
    KeyRecordTable keys{};
};

KeymapContents readKeymap(const std::filesystem::path& folder) {
    const std::vector<uint8_t> bytes = readAll(KeymapFilePath(folder));
    EXPECT_EQ(bytes.size(), kKeymapFileBytes);
    KeymapContents c;
    if (bytes.size() == kKeymapFileBytes) {
        std::memcpy(c.image.bytes(), bytes.data(), sizeof(DeviceImage));
        std::memcpy(c.keys.bytes(), bytes.data() + sizeof(DeviceImage), sizeof(KeyRecordTable));
    }
    return c;
}

// A state whose live buffers differ from its shadow copies.
std::unique_ptr<AppState> editedState() {
    auto s = std::make_unique<AppState>();
    s->shadow.ledEffect = 2;
    s->shadow.ledBrightness = 30;
    std::memset(s->shadow.keyMask, 0xFF, sizeof s->shadow.keyMask);
    std::memcpy(s->shadow.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
    s->shadowKeys.restoreHomeCodes();
    s->image = s->shadow;
    s->keys = s->shadowKeys;
    s->image.ledEffect = 52;
    s->image.ledBrightness = 7;
    s->keys[42].type = 3;
    s->reassigned[42] = 1;
    return s;
}

TEST(StartupFiles, KeymapFileFillsImageRecordsAndShadows) {
    TempFolder folder;
    auto written = std::make_unique<AppState>();
    written->image.ledEffect = 13;
    written->image.head[0] = 0x5A;
    written->keys[5].type = 1;
    written->keys[5].homeVk = 0x99;  // a file cannot change a key's home code
    ASSERT_TRUE(SaveKeymapFile(folder.path(), written->image, written->keys));

    auto s = std::make_unique<AppState>();
    loadStartupFiles(*s, folder.path());
    EXPECT_EQ(s->image.ledEffect, 13);
    EXPECT_EQ(s->image.head[0], 0x5A);
    EXPECT_EQ(s->keys[5].type, 1);
    EXPECT_EQ(s->keys[5].homeVk, SlotHomeVk[5]);
    EXPECT_EQ(s->shadow, s->image);
    EXPECT_TRUE(s->shadowKeys == s->keys);
    EXPECT_EQ(readAll(folder.path() / "MacroDefine.bin").size(), sizeof(MacroStore));

    // Without a file both data files are created.
    TempFolder empty;
    auto fresh = std::make_unique<AppState>();
    loadStartupFiles(*fresh, empty.path());
    EXPECT_EQ(readAll(KeymapFilePath(empty.path())).size(), kKeymapFileBytes);
    EXPECT_EQ(fresh->keys[0].homeVk, SlotHomeVk[0]);
}

TEST(Save, OnlyACompletedWriteBecomesTheShadow) {
    for (const TransferOutcome outcome : {TransferOutcome::Completed, TransferOutcome::NoAcknowledgement,
                                          TransferOutcome::DeviceGone}) {
        TempFolder folder;
        auto s = editedState();
        const DeviceImage oldShadow = s->shadow;
        const KeyRecordTable oldShadowKeys = s->shadowKeys;
        DeviceImage written = s->image;
        written.keyMask[1] &= 0x3E;  // what the write did to the key mask
        WriteResult result;
        result.outcome = outcome;

        EXPECT_TRUE(finishSave(*s, written, result, folder.path()));
        EXPECT_EQ(s->image, written);
        if (outcome == TransferOutcome::Completed) {
            EXPECT_EQ(s->shadow, written);
            EXPECT_TRUE(s->shadowKeys == s->keys);
        } else {
            EXPECT_EQ(s->shadow, oldShadow);
            EXPECT_TRUE(s->shadowKeys == oldShadowKeys);
        }
        // keymap.bin always holds the live buffers.
        const KeymapContents file = readKeymap(folder.path());
        EXPECT_EQ(file.image, written);
        EXPECT_TRUE(file.keys == s->keys);
    }
}

TEST(Cancel, RestoresTheShadowsEverywhere) {
    TempFolder folder;
    auto s = editedState();
    MainWindowModel model;
    model.panel().diyPaintMode = true;
    restoreShadowCopies(*s, model, folder.path());
    EXPECT_EQ(s->image, s->shadow);
    EXPECT_TRUE(s->keys == s->shadowKeys);
    EXPECT_EQ(s->reassigned[42], 0);
    EXPECT_FALSE(model.panel().diyPaintMode);
    EXPECT_EQ(readKeymap(folder.path()).image, s->shadow);
}

TEST(Close, KeymapFileGetsWhatTheKeyboardHolds) {
    TempFolder folder;
    auto s = editedState();
    EXPECT_TRUE(saveShadowOnClose(*s, folder.path()));
    const KeymapContents file = readKeymap(folder.path());
    EXPECT_EQ(file.image, s->shadow);
    EXPECT_TRUE(file.keys == s->shadowKeys);
}

TEST(FactoryReset, EveryKeyEnabledAndUnassigned) {
    TempFolder folder;
    auto s = editedState();
    std::memset(s->image.keyMask, 0, sizeof s->image.keyMask);
    MainWindowModel model;
    model.panel().lightingCollapsed = false;
    model.panel().diyPaintMode = true;
    DeviceImage readBack{};
    readBack.ledEffect = 1;
    readBack.ledBrightness = 50;

    EXPECT_TRUE(finishFactoryReset(*s, model, readBack, folder.path()));
    EXPECT_EQ(s->image.ledBrightness, 50);
    for (uint8_t b : s->image.keyMask) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(s->keys[42].type, 0);
    EXPECT_EQ(s->keys[42].homeVk, SlotHomeVk[42]);
    EXPECT_EQ(s->reassigned[42], 0);
    EXPECT_TRUE(model.panel().lightingCollapsed);
    EXPECT_FALSE(model.panel().diyPaintMode);
    EXPECT_EQ(s->shadow, s->image);
    EXPECT_EQ(readKeymap(folder.path()).image, s->image);
}

TEST(FactoryReset, ShadowsStayWhenKeymapFileCannotBeWritten) {
    TempFolder folder;
    // A data "folder" that is a file: nothing can be created inside it.
    const std::filesystem::path notAFolder = folder.path() / "file";
    test::writeAll(notAFolder, {1, 2, 3});
    auto s = editedState();
    const DeviceImage oldShadow = s->shadow;
    MainWindowModel model;
    DeviceImage readBack{};
    EXPECT_FALSE(finishFactoryReset(*s, model, readBack, notAFolder));
    EXPECT_EQ(s->shadow, oldShadow);
    EXPECT_EQ(s->image.keyMask[0], 0xFF);
}

// A keymap.bin or MacroDefine.bin that exists but cannot be read (here a FIFO,
// which root cannot read either) is reported once and survives every write
// of the run: start-up, save, cancel, factory reset, close, the macro manager.
TEST(UnreadableDataFile, IsReportedOnceAndNeverWrittenOver) {
    for (const char* name : {kKeymapFileName, kMacroFileName}) {
        TempFolder folder;
        const std::filesystem::path file = folder.path() / name;
        ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        auto s = std::make_unique<AppState>();
        const std::vector<FileNotice> notices = loadStartupFiles(*s, folder.path());
        ASSERT_EQ(notices.size(), 1u) << name;
        EXPECT_EQ(notices[0].kind, FileNotice::Kind::Unreadable);
        EXPECT_EQ(notices[0].file, file);
        EXPECT_NE(fileNoticeText(notices[0]).find(file.u8string()), std::string::npos);
        EXPECT_EQ(s->keys[7].homeVk, SlotHomeVk[7]);  // factory records in memory

        MainWindowModel model;
        WriteResult done;
        const bool keymapKept = std::string(name) == kKeymapFileName;
        const std::vector<FileWrite> writes = {
            finishSave(*s, s->image, done, folder.path()), restoreShadowCopies(*s, model, folder.path()),
            refreshAfterReload(*s, folder.path()), saveShadowOnClose(*s, folder.path())};
        for (const FileWrite& w : writes) {
            EXPECT_EQ(w.written, !keymapKept) << name;
            EXPECT_FALSE(w.notice) << name;  // told once, at start
        }
        EXPECT_TRUE(storeMacrosAfterManager(*s, folder.path()).empty());
        struct stat st {};
        ASSERT_EQ(lstat(file.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << name;
    }
}

TEST(SaveFailure, IsReportedWithFileAndReason) {
    TempFolder folder;
    auto s = std::make_unique<AppState>();
    EXPECT_TRUE(loadStartupFiles(*s, folder.path()).empty());
    const std::vector<uint8_t> before = readAll(KeymapFilePath(folder.path()));
    s->image.ledEffect = 9;
    {
        test::FileSizeLimit full(1000);  // as a full disk
        const FileWrite w = saveShadowOnClose(*s, folder.path());
        EXPECT_FALSE(w.written);
        ASSERT_TRUE(w.notice);
        EXPECT_EQ(w.notice->kind, FileNotice::Kind::NotSaved);
        EXPECT_TRUE(w.notice->why);
        EXPECT_FALSE(finishSave(*s, s->image, WriteResult{}, folder.path()).written);

        // At start-up on a full disk: both missing files are reported.
        TempFolder empty;
        auto fresh = std::make_unique<AppState>();
        const std::vector<FileNotice> notices = loadStartupFiles(*fresh, empty.path());
        ASSERT_EQ(notices.size(), 2u);
        for (const FileNotice& n : notices) EXPECT_EQ(n.kind, FileNotice::Kind::NotCreated);
    }
    EXPECT_EQ(readAll(KeymapFilePath(folder.path())), before);
}

// The key-map dialog's OK: one write of keymap.bin with the key's final
// state; a refused request writes nothing and gives the record back as it was
// when the dialog opened; a failed write is one notice.
TEST(KeyEditOk, WritesTheKeyOnceOrPutsTheRecordBack) {
    TempFolder folder;
    auto s = std::make_unique<AppState>();
    ASSERT_TRUE(loadStartupFiles(*s, folder.path()).empty());
    const KeyRecord before = s->keys[63];
    const std::vector<uint8_t> fileBefore = readAll(KeymapFilePath(folder.path()));

    AssignmentRequest request;
    request.slot = 63;
    request.assignType = static_cast<uint8_t>(AssignType::LaunchProgram);
    request.launchPath = std::u16string(kMaxLaunchPathChars + 1, u'x');
    s->keys[63].type = 0x5A;  // what the dialog's page switches left
    KeyEditOutcome done = finishKeyEdit(*s, folder.path(), request, before);
    EXPECT_EQ(done.result, AssignResult::PathTooLong);
    EXPECT_FALSE(done.file.written);
    EXPECT_FALSE(done.file.notice);
    EXPECT_EQ(std::memcmp(&s->keys[63], &before, sizeof before), 0);
    EXPECT_EQ(readAll(KeymapFilePath(folder.path())), fileBefore);

    request.launchPath = u"/opt/games/run.sh";
    request.keyEnabled = false;
    done = finishKeyEdit(*s, folder.path(), request, before);
    EXPECT_EQ(done.result, AssignResult::Saved);
    EXPECT_TRUE(done.file.written);
    const KeymapContents stored = readKeymap(folder.path());
    EXPECT_EQ(stored.image, s->image);
    EXPECT_TRUE(stored.keys == s->keys);
    EXPECT_FALSE(IsKeyEnabled(stored.image, 63));
    EXPECT_EQ(stored.keys[63].type, static_cast<uint8_t>(AssignType::LaunchProgram));

    request.keyEnabled = true;
    {
        test::FileSizeLimit full(1000);  // as a full disk
        done = finishKeyEdit(*s, folder.path(), request, before);
    }
    EXPECT_EQ(done.result, AssignResult::SaveFailed);
    ASSERT_TRUE(done.file.notice);
    EXPECT_EQ(done.file.notice->kind, FileNotice::Kind::NotSaved);
    EXPECT_TRUE(IsKeyEnabled(s->image, 63)) << "memory keeps the change";
    EXPECT_FALSE(IsKeyEnabled(readKeymap(folder.path()).image, 63)) << "the old file is intact";

    // A file kept since start-up is neither written nor reported, and the
    // assignment counts as saved.
    s->keymapFileKept = true;
    done = finishKeyEdit(*s, folder.path(), request, before);
    EXPECT_EQ(done.result, AssignResult::Saved);
    EXPECT_FALSE(done.file.written);
    EXPECT_FALSE(done.file.notice);
}

TEST(StartupFiles, StaleTemporariesOfKilledSavesAreRemoved) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "Configure");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    const std::vector<std::filesystem::path> stale = {folder.path() / "keymap.bin.vandrel-tmp-01234567",
                                                      folder.path() / "Configure" / "a.bin.vandrel-tmp-89abcdef"};
    for (const auto& f : stale) {
        test::writeAll(f, std::vector<uint8_t>(1000, 1));
        std::filesystem::last_write_time(f, old);
    }
    test::writeAll(folder.path() / "readme.tmp", {1});
    auto s = std::make_unique<AppState>();
    loadStartupFiles(*s, folder.path());
    for (const auto& f : stale) EXPECT_FALSE(std::filesystem::exists(f)) << f;
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "readme.tmp"));
}

// Macros 0 and 2 with a free record between them: the manager moves macro 2
// up to record 1, and the key bound to it must still play it.
TEST(MacroManagerOk, KeysFollowTheirMacroWhenGapsClose) {
    TempFolder folder;
    auto s = std::make_unique<AppState>();
    s->keys.restoreHomeCodes();
    setRecordName(s->macros[0], u"first");
    setRecordName(s->macros[2], u"third");
    setRecordName(s->macros[5], u"sixth");
    const struct {
        int slot;
        uint8_t macro, expected;
    } bindings[] = {{10, 2, 1}, {11, 5, 2}, {12, 0, 0}, {13, 3, 3}};  // 3: a free record, left alone
    for (const auto& b : bindings) {
        s->keys[b.slot].type = 2;
        const uint8_t entry[4] = {kEntryMacro, 1, b.macro, 0};
        std::memcpy(s->keys[b.slot].data, entry, 4);
        std::memcpy(&s->image.deviceKeyMap[SlotCellOffset[b.slot]], entry, 4);
    }
    test::FakeHook hook;
    test::FakeClock clock;
    MacroManager manager(hook, clock);
    manager.open(s->macros);
    followMacroRenumbering(*s, manager.accept(s->macros));
    storeMacrosAfterManager(*s, folder.path());

    for (const auto& b : bindings) {
        EXPECT_EQ(s->keys[b.slot].data[2], b.expected) << b.slot;
        EXPECT_EQ(s->image.deviceKeyMap[SlotCellOffset[b.slot] + 2], b.expected) << b.slot;
    }
    EXPECT_EQ(recordName(s->macros[1]), u"third");
    EXPECT_EQ(recordName(s->macros[2]), u"sixth");
}

// The macro store is part of the configuration: the manager's OK writes
// MacroDefine.bin at once, but Cancel, a close that discards and a start after
// a killed run all bring back the store of the last completed save.
class MacroStoreAsConfiguration : public ::testing::Test {
protected:
    // A run: start-up, two macros saved to the keyboard, then the manager
    // deletes the first and OK stores the change, unsaved.
    void SetUp() override {
        {
            auto s = std::make_unique<AppState>();
            loadStartupFiles(*s, folder.path());
            setRecordName(s->macros[0], u"AAA");
            setRecordName(s->macros[1], u"Macro_001");
            WriteResult ok;
            finishSave(*s, s->image, ok, folder.path());
            ASSERT_TRUE(SaveMacroStore(s->macros, folder.path()));  // the manager's OK of that run
        }
        state = std::make_unique<AppState>();
        loadStartupFiles(*state, folder.path());
        ASSERT_EQ(recordName(state->macros[0]), u"AAA");
        saved = std::make_unique<MacroStore>(state->macros);
        state->macros[0] = state->macros[1];
        std::memset(&state->macros[1], 0, sizeof(MacroRecord));
        storeMacrosAfterManager(*state, folder.path());
        ASSERT_TRUE(macrosUnsaved(*state));
    }
    std::unique_ptr<MacroStore> fileStore() const {
        auto m = std::make_unique<MacroStore>();
        const std::vector<uint8_t> b = readAll(folder.path() / kMacroFileName);
        loadMacroStoreBytes(*m, b.data(), b.size());
        return m;
    }

    TempFolder folder;
    std::unique_ptr<AppState> state;
    std::unique_ptr<MacroStore> saved;
};

TEST_F(MacroStoreAsConfiguration, CancelAndDiscardPutTheSavedStoreBack) {
    EXPECT_FALSE(restoreSavedMacros(*state, folder.path()));
    EXPECT_TRUE(state->macros == *saved);
    EXPECT_TRUE(*fileStore() == *saved);
    EXPECT_FALSE(macrosUnsaved(*state));
}

TEST_F(MacroStoreAsConfiguration, AStartAfterAKilledRunPutsTheSavedStoreBack) {
    // Killed here: nothing but start-up runs again.
    auto next = std::make_unique<AppState>();
    loadStartupFiles(*next, folder.path());
    EXPECT_TRUE(next->macros == *saved);
    EXPECT_TRUE(*fileStore() == *saved);
    EXPECT_FALSE(macrosUnsaved(*next));
}

TEST_F(MacroStoreAsConfiguration, ASaveMakesTheChangeTheOneToKeep) {
    WriteResult failed;
    failed.outcome = TransferOutcome::NoAcknowledgement;
    finishSave(*state, state->image, failed, folder.path());
    EXPECT_TRUE(macrosUnsaved(*state));  // the keyboard did not take it
    WriteResult ok;
    finishSave(*state, state->image, ok, folder.path());
    EXPECT_FALSE(macrosUnsaved(*state));
    auto next = std::make_unique<AppState>();
    loadStartupFiles(*next, folder.path());
    EXPECT_EQ(recordName(next->macros[0]), u"Macro_001");
    EXPECT_FALSE(recordInUse(next->macros[1]));
}

}  // namespace
}  // namespace vandrel
