// What start-up, save, cancel, factory reset and close leave in memory and in
// keymap.bin.

#include <gtest/gtest.h>

#include <cstring>

#include "app/model/AppCommands.h"
#include "keymap/KeymapFile.h"
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

}  // namespace
}  // namespace vandrel
