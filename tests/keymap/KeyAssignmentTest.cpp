#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "keymap/KeyAssignment.h"
#include "keys/KeyNameTable.h"
#include "keymap/KeyState.h"
#include "keymap/KeymapFile.h"
#include "macro/MacroSlot.h"
#include "util/Utf16.h"
#include "tests/support/TempFolder.h"

using namespace vandrel;
using Entry = std::array<uint8_t, 4>;

namespace {

constexpr int kSlotA = 63;
constexpr int kSlotBackslash = 54;

class KeyAssignmentTest : public ::testing::Test {
protected:
    DeviceImage image{};
    KeyRecordTable records{};
    ReassignedFlags flags{};
    int saves = 0;
    int syncs = 0;
    bool saveSucceeds = true;

    KeymapSaver saver = [this](const DeviceImage&, const KeyRecordTable&) {
        ++saves;
        return saveSucceeds;
    };
    MacroSlotSync sync = [this](DeviceImage&) { ++syncs; };

    void SetUp() override {
        std::memcpy(image.deviceKeyMap, FactoryKeyTable.data(), kKeyMapBytes);
        ResetKeyRecordsToFactory(image, records, flags);
    }
    Entry entry(int slot) const {
        const uint8_t* e = &image.deviceKeyMap[SlotCellOffset[slot]];
        return {e[0], e[1], e[2], e[3]};
    }
    Entry factory(int slot) const {
        const uint8_t* e = &FactoryKeyTable[SlotCellOffset[slot]];
        return {e[0], e[1], e[2], e[3]};
    }
    AssignResult apply(AssignmentRequest& req) { return ApplyKeyAssignment(req, image, records, flags, saver, sync); }
};

AssignmentRequest request(int slot, AssignType type, std::initializer_list<uint8_t> codes = {}) {
    AssignmentRequest r;
    r.slot = static_cast<uint8_t>(slot);
    r.assignType = static_cast<uint8_t>(type);
    size_t i = 0;
    for (uint8_t c : codes) r.codes[i++] = c;
    r.codeCount = static_cast<uint32_t>(codes.size());
    return r;
}

struct Case {
    const char* what;
    AssignmentRequest req;
    uint8_t flagBefore;
    std::optional<Entry> entry;   // none: the entry keeps its factory value
    uint8_t flagAfter;
    uint8_t recordType;
    uint8_t recordLength;
    std::array<uint8_t, 4> recordData;
};

AssignmentRequest withCount(AssignmentRequest r, uint32_t n) {
    r.codeCount = n;
    return r;
}
AssignmentRequest function(const char16_t* label) {
    AssignmentRequest r = request(kSlotA, AssignType::NamedFunction);
    r.functionName = label;
    return r;
}
AssignmentRequest macro(int32_t index) {
    AssignmentRequest r = request(kSlotA, AssignType::MacroKey);
    r.macroIndex = index;
    return r;
}

}  // namespace

TEST_F(KeyAssignmentTest, RequestsBecomeDeviceEntriesAndRecords) {
    const Case cases[] = {
        {"key mapped to itself", request(kSlotA, AssignType::SingleKey, {0x41}), 1,
         Entry{0, 0, 0x04, 0}, 0, 0, 0, {0, 0, 0, 0}},
        {"another single key", request(kSlotA, AssignType::SingleKey, {0x42}), 0,
         Entry{0, 0, 0x05, 0}, 1, 0, 1, {0x42, 0, 0, 0}},
        {"Media key gives consumer 0x0183", request(kSlotA, AssignType::SingleKey, {0xB5}), 0,
         Entry{3, 0, 0x83, 1}, 1, 0, 1, {0xB5, 0, 0, 0}},
        {"Play/Pause", request(kSlotA, AssignType::SingleKey, {0xB3}), 0, Entry{3, 0, 0xCD, 0}, 1, 0, 1, {0xB3}},
        {"Volume UP", request(kSlotA, AssignType::SingleKey, {0xAF}), 0, Entry{3, 0, 0xE9, 0}, 1, 0, 1, {0xAF}},
        {"Volume DOWN", request(kSlotA, AssignType::SingleKey, {0xAE}), 0, Entry{3, 0, 0xEA, 0}, 1, 0, 1, {0xAE}},
        {"mouse button", request(kSlotA, AssignType::SingleKey, {0xF1}), 0, Entry{0, 0, 0xF1, 0}, 1, 0, 1, {0xF1}},
        {"single-key field holding two codes", request(kSlotA, AssignType::SingleKey, {0x42, 0x43}), 1,
         std::nullopt, 1, 0, 2, {0x42, 0x43, 0, 0}},
        {"empty single-key field", request(kSlotA, AssignType::SingleKey), 0, std::nullopt, 0, 0, 0, {0}},
        {"LCtrl + C", request(kSlotA, AssignType::KeyCombination, {0xA2, 0x43}), 0,
         Entry{0, 0xE0, 0x06, 0}, 1, 1, 2, {0xA2, 0x43, 0, 0}},
        {"three keys", request(kSlotA, AssignType::KeyCombination, {0xA2, 0xA4, 0x2E}), 0,
         Entry{0, 0xE0, 0xE2, 0x4C}, 1, 1, 3, {0xA2, 0xA4, 0x2E, 0}},
        {"combination of one key leaves the flag to the caller",
         request(kSlotA, AssignType::KeyCombination, {0x42}), 0, Entry{0, 0x05, 0, 0}, 0, 1, 1, {0x42}},
        {"codes left over past the count are no keys",
         withCount(request(kSlotA, AssignType::KeyCombination, {0xA2, 0x43, 0x44}), 2), 0,
         Entry{0, 0xE0, 0x06, 0}, 1, 1, 2, {0xA2, 0x43, 0x44, 0}},
        {"全选", function(u"全选"), 0, Entry{0, 0xE0, 0x04, 0}, 1, 3, 0, {0, 0xE0, 0x04, 0}},
        {"多媒体播放器", function(u"多媒体播放器"), 0, Entry{3, 0, 0x83, 1}, 1, 3, 0, {3, 0, 0x83, 1}},
        {"最大化", function(u"最大化"), 0, Entry{0, 0xE2, 0x2C, 0x1B}, 1, 3, 0, {0, 0xE2, 0x2C, 0x1B}},
        {"任务管理器", function(u"任务管理器"), 0, Entry{0, 0xE0, 0xE2, 0x4C}, 1, 3, 0, {0, 0xE0, 0xE2, 0x4C}},
        {"浏览器-主页", function(u"浏览器-主页"), 0, Entry{3, 0, 0x23, 2}, 1, 3, 0, {3, 0, 0x23, 2}},
        {"关闭窗口", function(u"关闭窗口"), 0, Entry{0, 0xE2, 0x3D, 0}, 1, 3, 0, {0, 0xE2, 0x3D, 0}},
        {"label matching nothing", function(u"全选 "), 0, std::nullopt, 1, 3, 0, {0, 0, 0, 0}},
        {"macro 3", macro(3), 0, Entry{4, 1, 3, 0}, 1, 2, 0, {4, 1, 3, 0}},
        {"macro 31", macro(31), 0, Entry{4, 1, 31, 0}, 1, 2, 0, {4, 1, 31, 0}},
        {"no macro chosen", macro(kNoMacro), 0, std::nullopt, 0, 2, 0, {4, 1, 0xFF, 0}},
        {"macro the keyboard has no slot for", macro(32), 0, std::nullopt, 0, 2, 0, {4, 1, 32, 0}},
        {"restore by count 255 whatever the type", withCount(function(u"全选"), 255), 1,
         Entry{0, 0, 0x04, 0}, 1, 0, 0, {0}},
        {"restore page", request(kSlotA, AssignType::RestoreDefault), 1, Entry{0, 0, 0x04, 0}, 1, 0, 0, {0}},
        {"type above 8 only saves", withCount(request(kSlotA, static_cast<AssignType>(9), {0x42}), 1), 1,
         std::nullopt, 1, 0, 0, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        saves = syncs = 0;
        const int slot = c.req.slot;
        flags[slot] = c.flagBefore;
        AssignmentRequest req = c.req;
        EXPECT_EQ(apply(req), AssignResult::Saved);
        EXPECT_EQ(saves, 1);
        EXPECT_EQ(entry(slot), c.entry.value_or(factory(slot)));
        EXPECT_EQ(flags[slot], c.flagAfter);
        EXPECT_EQ(records[slot].type, c.recordType);
        EXPECT_EQ(records[slot].length, c.recordLength);
        EXPECT_EQ((Entry{records[slot].data[0], records[slot].data[1], records[slot].data[2], records[slot].data[3]}),
                  c.recordData);
        EXPECT_EQ(records[slot].homeVk, SlotHomeVk[slot]);
        EXPECT_EQ(syncs, c.req.assignType == 2 && c.entry ? 1 : 0);
        for (int s = 0; s < kPhysicalSlots; ++s) {
            if (s != slot) {
                ASSERT_EQ(entry(s), factory(s)) << "slot " << s << " changed";
            }
        }
    }
}

TEST_F(KeyAssignmentTest, EveryLabelOfTheFunctionTreeIsKnown) {
    const char16_t* labels[] = {u"搜索", u"运行",     u"多媒体播放器", u"上一曲",   u"下一曲",     u"暂停",
                                u"音量+", u"音量-",   u"静音",         u"停止-播放", u"新建",       u"剪切",
                                u"复制", u"粘贴",     u"保存",         u"打印",     u"全选",       u"最大化",
                                u"最小化", u"我的电脑", u"任务管理器", u"浏览器-主页", u"关闭窗口"};
    for (const char16_t* l : labels) EXPECT_NE(FindNamedFunction(l), nullptr) << utf16ToUtf8(l);
    EXPECT_EQ(FindNamedFunction(u"搜"), nullptr) << "no prefix match";
}

TEST_F(KeyAssignmentTest, RestoringSetsTheMaskBitAndOnlyCount255EnablesTheKey) {
    SetKeyEnabled(image, kSlotA, false);
    AssignmentRequest page = request(kSlotA, AssignType::RestoreDefault);
    page.keyEnabled = false;
    apply(page);
    EXPECT_TRUE(IsKeyEnabled(image, kSlotA));
    EXPECT_FALSE(page.keyEnabled) << "the restore page leaves the dialog's switch";

    SetKeyEnabled(image, kSlotA, false);
    AssignmentRequest count = request(kSlotA, AssignType::SingleKey);
    count.codeCount = kRestoreCodeCount;
    count.keyEnabled = false;
    apply(count);
    EXPECT_TRUE(IsKeyEnabled(image, kSlotA));
    EXPECT_TRUE(count.keyEnabled);
}

TEST_F(KeyAssignmentTest, RestoreUsesTheNameTableNotTheFactoryTable) {
    AssignmentRequest req = request(kSlotBackslash, AssignType::RestoreDefault);
    apply(req);
    EXPECT_EQ(entry(kSlotBackslash), (Entry{0, 0, 0x32, 0}));
    DeriveReassignedFlags(image, records, flags);
    EXPECT_EQ(flags[kSlotBackslash], 1);

    req = request(kFnSlot, AssignType::RestoreDefault);
    apply(req);
    EXPECT_EQ(entry(kFnSlot), (Entry{0, 0, 0x65, 0}));
}

TEST_F(KeyAssignmentTest, LaunchStoresThePathAndReportsTheHomeCode) {
    std::memset(records[kSlotA].path, 0xEE, sizeof records[kSlotA].path);
    AssignmentRequest req = request(kSlotA, AssignType::LaunchProgram);
    req.launchPath = u"C:\\Games\\游戏.exe";
    EXPECT_EQ(apply(req), AssignResult::Saved);
    EXPECT_EQ(entry(kSlotA), (Entry{0x0A, 0, 0x41, 0}));
    EXPECT_EQ(flags[kSlotA], 1);
    const KeyRecord& r = records[kSlotA];
    EXPECT_EQ(r.type, 5);
    EXPECT_EQ((Entry{r.data[0], r.data[1], r.data[2], r.data[3]}), (Entry{3, 0, 0x23, 2}));
    EXPECT_EQ(readUtf16Field(r.path, kKeyRecordPathUnits), req.launchPath);
    EXPECT_EQ(r.path[2 * req.launchPath.size() + 2], 0xEE) << "only the text and its zero are written";

    // The longest path that still fits its zero, then one unit more.
    req.launchPath = std::u16string(kMaxLaunchPathChars, u'x');
    req.assignType = static_cast<uint8_t>(AssignType::OpenFolder);
    EXPECT_EQ(apply(req), AssignResult::Saved);
    EXPECT_EQ(readUtf16Field(r.path, kKeyRecordPathUnits), req.launchPath);
    EXPECT_EQ(r.type, 7);

    const KeyRecordTable before = records;
    req.launchPath.push_back(u'y');
    req.assignType = static_cast<uint8_t>(AssignType::LaunchMusicFile);
    saves = 0;
    EXPECT_EQ(apply(req), AssignResult::PathTooLong);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(records, before);
}

TEST_F(KeyAssignmentTest, SlotsThatAreNotKeysAreRefused) {
    const DeviceImage imageBefore = image;
    const KeyRecordTable recordsBefore = records;
    for (int slot : {108, 200, 254, 255}) {
        AssignmentRequest req = request(slot, AssignType::RestoreDefault);
        req.codeCount = kRestoreCodeCount;
        EXPECT_EQ(apply(req), AssignResult::NoSuchKey);
        EXPECT_EQ(CommitKeyAssignment(req, image, records, flags, saver, sync), AssignResult::NoSuchKey);
    }
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(image, imageBefore);
    EXPECT_EQ(records, recordsBefore);
}

TEST_F(KeyAssignmentTest, CommitEnablesOrDisablesTheKeyAfterApplying) {
    AssignmentRequest req = request(kSlotA, AssignType::SingleKey, {0x41});
    flags[kSlotA] = 1;
    req.keyEnabled = false;
    EXPECT_EQ(CommitKeyAssignment(req, image, records, flags, saver, sync), AssignResult::Saved);
    EXPECT_FALSE(IsKeyEnabled(image, kSlotA));
    EXPECT_EQ(flags[kSlotA], 1) << "a disabled key is marked even when mapped to itself";
    EXPECT_EQ(saves, 1);

    req.keyEnabled = true;
    EXPECT_EQ(CommitKeyAssignment(req, image, records, flags, saver, sync), AssignResult::Saved);
    EXPECT_TRUE(IsKeyEnabled(image, kSlotA));
    EXPECT_EQ(flags[kSlotA], 0);

    // A one-key combination is marked as the next read from the keyboard
    // marks it (its record is a combination), not left unmarked while the key
    // types another key.
    req = request(kSlotA, AssignType::KeyCombination, {0x42});
    flags[kSlotA] = 0;
    CommitKeyAssignment(req, image, records, flags, saver, sync);
    EXPECT_EQ(flags[kSlotA], 1);
    ReassignedFlags derived{};
    DeriveReassignedFlags(image, records, derived);
    EXPECT_EQ(derived[kSlotA], 1);
}

// One OK of the key-map dialog stores keymap.bin once, whatever it assigns
// and whichever way the switch is set, and what it stores is the key's final
// state: entry, record, flag and enable bit.
TEST_F(KeyAssignmentTest, OneOkSavesOnceWhatTheKeyEndsUpWith) {
    AssignmentRequest launch = request(kSlotA, AssignType::LaunchProgram);
    launch.launchPath = u"/opt/games/run.sh";
    const std::pair<const char*, AssignmentRequest> oks[] = {
        {"key", request(kSlotA, AssignType::SingleKey, {0x42})},
        {"combination", request(kSlotA, AssignType::KeyCombination, {0xA2, 0x43})},
        {"macro", macro(3)},
        {"function", function(u"复制")},
        {"launch path", launch},
    };
    auto savedImage = std::make_unique<DeviceImage>();
    auto savedRecords = std::make_unique<KeyRecordTable>();
    ReassignedFlags flagsAtSave{};
    const KeymapSaver keep = [&](const DeviceImage& i, const KeyRecordTable& r) {
        ++saves;
        *savedImage = i;
        *savedRecords = r;
        flagsAtSave = flags;
        return true;
    };
    for (const auto& [what, ok] : oks) {
        for (bool enabled : {true, false}) {
            SCOPED_TRACE(std::string(what) + (enabled ? ", enabled" : ", disabled"));
            SetUp();
            saves = 0;
            AssignmentRequest req = ok;
            req.keyEnabled = enabled;
            EXPECT_EQ(CommitKeyAssignment(req, image, records, flags, keep, sync), AssignResult::Saved);
            EXPECT_EQ(saves, 1);
            EXPECT_EQ(*savedImage, image);
            EXPECT_EQ(*savedRecords, records);
            EXPECT_EQ(flagsAtSave[kSlotA], flags[kSlotA]);
            EXPECT_EQ(IsKeyEnabled(*savedImage, kSlotA), enabled);
            EXPECT_NE(entry(kSlotA), factory(kSlotA));
        }
    }
}

TEST_F(KeyAssignmentTest, SaveFailureIsReportedAndMemoryKeepsTheChange) {
    saveSucceeds = false;
    AssignmentRequest req = request(kSlotA, AssignType::SingleKey, {0x42});
    EXPECT_EQ(apply(req), AssignResult::SaveFailed);
    EXPECT_EQ(entry(kSlotA), (Entry{0, 0, 0x05, 0}));
    EXPECT_EQ(CommitKeyAssignment(req, image, records, flags, saver, sync), AssignResult::SaveFailed);
}

TEST_F(KeyAssignmentTest, TheFileSaverStoresWhatWasApplied) {
    test::TempFolder dir;
    AssignmentRequest req = request(kSlotA, AssignType::KeyCombination, {0xA2, 0x43});
    EXPECT_EQ(ApplyKeyAssignment(req, image, records, flags, KeymapFileSaver(dir.path()), nullptr),
              AssignResult::Saved);
    const auto bytes = test::readAll(dir.path() / "keymap.bin");
    ASSERT_EQ(bytes.size(), kKeymapFileBytes);
    EXPECT_EQ(std::memcmp(bytes.data(), image.bytes(), sizeof image), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + sizeof image, records.bytes(), sizeof records), 0);

    // A macro bound without a sync hook still applies.
    req = macro(2);
    EXPECT_EQ(ApplyKeyAssignment(req, image, records, flags, KeymapFileSaver(dir.path()), nullptr),
              AssignResult::Saved);
    EXPECT_EQ(entry(kSlotA), (Entry{4, 1, 2, 0}));
}

TEST_F(KeyAssignmentTest, BindingAMacroCopiesTheMacrosInUseIntoTheirSlots) {
    MacroStore store{};
    for (int n = 0; n < 3; ++n) {
        writeUtf16Field(store[n].macroName, kMacroNameUnits, u"m" + utf8ToUtf16(std::to_string(n)));
        store[n].loopCount[0] = 1;
        store[n].usageEvents[0] = 0x01;
        store[n].usageEvents[1] = static_cast<uint8_t>(0x04 + n);
    }
    std::memset(image.macroSlots[3], 0x5A, kMacroSlotBytes);
    AssignmentRequest req = macro(2);
    EXPECT_EQ(ApplyKeyAssignment(req, image, records, flags, saver, MacroSlotSyncFor(store)), AssignResult::Saved);
    const MacroSlot expected = makeMacroSlot(store[2]);
    EXPECT_EQ(std::memcmp(image.macroSlots[2], &expected, kMacroSlotBytes), 0);
    EXPECT_EQ(image.macroSlots[2][3], 0x06);
    EXPECT_EQ(image.macroSlots[3][0], 0x5A) << "slots after the macros in use keep what they held";
}

// Keys bound to macros after the macro manager moved macros 0 -> 2, 1 -> 0,
// deleted macro 2, and moved 3 -> 1; record 4 held no macro.
class MacroBindingsTest : public KeyAssignmentTest {
protected:
    MacroRenumbering moves() const {
        MacroRenumbering to;
        to.fill(kNoMacroHere);
        to[0] = 2;
        to[1] = 0;
        to[2] = kMacroDeleted;
        to[3] = 1;
        return to;
    }
    void bindEntry(int slot, uint8_t index) {
        const Entry e{4, 1, index, 0};
        std::memcpy(&image.deviceKeyMap[SlotCellOffset[slot]], e.data(), 4);
    }
    void bindRecord(int slot, uint8_t type, Entry data) {
        records[slot].type = type;
        std::memcpy(records[slot].data, data.data(), 4);
    }
    void bindBoth(int slot, uint8_t index) {
        bindEntry(slot, index);
        bindRecord(slot, 2, {4, 1, index, 0});
        flags[slot] = 1;
    }
    Entry recordData(int slot) const {
        const uint8_t* d = records[slot].data;
        return {d[0], d[1], d[2], d[3]};
    }
};

TEST_F(MacroBindingsTest, BindingsFollowTheirMacroThroughEntryAndRecord) {
    bindBoth(71, 0);                         // L: record and entry
    bindBoth(70, 1);
    bindEntry(69, 3);                        // K: a named function's record, an entry of macro 3
    bindRecord(69, 3, {4, 1, 3, 0});
    bindEntry(68, 4);                        // J: a record that held no macro is left alone
    bindRecord(67, 1, {4, 1, 0, 0});         // H: a combination of virtual-key codes 4, 1: no macro
    bindEntry(66, 200);                      // G: an index past the store
    EXPECT_EQ(FollowMacroRenumbering(moves(), image, records, flags), 0);

    EXPECT_EQ(entry(71), (Entry{4, 1, 2, 0}));
    EXPECT_EQ(recordData(71), (Entry{4, 1, 2, 0}));
    EXPECT_EQ(entry(70), (Entry{4, 1, 0, 0}));
    EXPECT_EQ(recordData(70), (Entry{4, 1, 0, 0}));
    EXPECT_EQ(entry(69), (Entry{4, 1, 1, 0}));
    EXPECT_EQ(recordData(69), (Entry{4, 1, 3, 0})) << "only a macro record carries a macro index";
    EXPECT_EQ(entry(68), (Entry{4, 1, 4, 0}));
    EXPECT_EQ(recordData(67), (Entry{4, 1, 0, 0}));
    EXPECT_EQ(entry(67), factory(67));
    EXPECT_EQ(entry(66), (Entry{4, 1, 200, 0}));
    EXPECT_EQ(flags[71], 1);
}

TEST_F(MacroBindingsTest, KeysOfADeletedMacroGetTheirFactoryFunctionBack) {
    bindBoth(kSlotBackslash, 2);             // factory usage 0x31, not the name table's 0x32
    bindBoth(17, 2);                         // a media key: its factory consumer entry
    bindEntry(kSlotA, 2);                    // bound through the entry only, record of a single key
    bindRecord(kSlotA, 0, {0x42, 0, 0, 0});
    records[kSlotA].length = 1;
    bindBoth(64, 2);                         // a disabled key stays disabled and marked
    SetKeyEnabled(image, 64, false);
    bindRecord(65, 2, {4, 1, 2, 0});         // bound through the record only
    bindBoth(71, 1);                         // not bound to the deleted macro
    EXPECT_EQ(FollowMacroRenumbering(moves(), image, records, flags), 5);

    for (int slot : {kSlotBackslash, 17, kSlotA, 64, 65}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(entry(slot), factory(slot));
        EXPECT_EQ(records[slot].type, 0);
        EXPECT_EQ(records[slot].length, 0);
        EXPECT_EQ(recordData(slot), (Entry{0, 0, 0, 0}));
        EXPECT_EQ(records[slot].homeVk, SlotHomeVk[slot]);
        EXPECT_EQ(flags[slot], slot == 64 ? 1 : 0);
    }
    EXPECT_FALSE(IsKeyEnabled(image, 64));
    EXPECT_EQ(entry(71), (Entry{4, 1, 0, 0}));
    // What the flags say is what they derive from after the next read.
    ReassignedFlags derived{};
    DeriveReassignedFlags(image, records, derived);
    for (int slot : {kSlotBackslash, 17, kSlotA, 64, 65}) EXPECT_EQ(derived[slot], flags[slot]) << slot;
}
